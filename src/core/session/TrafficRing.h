#pragma once

#include "link/TrafficRecord.h"

#include <cstddef>
#include <vector>

// The traffic log of the link session: the newest records in a bounded ring. Every record gets the next
// sequence number, which never repeats, so that readers can ask for what came after the last record they
// saw; the oldest records fall away once the ring is full. Appending moves the record in (its bytes are
// shared, not copied) and allocates nothing once the ring has reached its capacity.
class TrafficRing
{
public:
    // The ring of the device an operator looks at (the debug console reads back this far), and that of a
    // session no one looks at closely (a script's, a background device's).
    static constexpr std::size_t ShownCapacity = 100000;
    static constexpr std::size_t BackgroundCapacity = 2000;

    explicit TrafficRing(std::size_t capacity = ShownCapacity);

    void append(TrafficRecord &&record);
    // Keeps at most `capacity` records from now on (at least one); a smaller ring keeps the newest. The
    // sequence numbers stay as they were.
    void setCapacity(std::size_t capacity);

    // Sequence number of the oldest record kept, and the one the next record will get.
    quint64 firstSequence() const { return next - quint64(records.size() < cap ? records.size() : cap); }
    quint64 endSequence() const { return next; }
    // The record with `sequence`; firstSequence() <= sequence < endSequence().
    const TrafficRecord &at(quint64 sequence) const { return records[slot(sequence)]; }
    // The first sequence number at or after `sequence` that is still kept.
    quint64 keptFrom(quint64 sequence) const
    {
        return sequence < firstSequence() ? firstSequence() : sequence;
    }

    std::size_t size() const { return std::size_t(next - firstSequence()); }
    std::size_t capacity() const { return cap; }

private:
    std::size_t slot(quint64 sequence) const { return std::size_t((sequence - base) % cap); }

    std::vector<TrafficRecord> records;
    std::size_t cap;
    quint64 next = 0;
    // The sequence number of the record in the first slot when the ring was last laid out.
    quint64 base = 0;
};
