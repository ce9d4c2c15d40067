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
    static constexpr std::size_t DefaultCapacity = 100000;

    explicit TrafficRing(std::size_t capacity = DefaultCapacity);

    void append(TrafficRecord &&record);

    // Sequence number of the oldest record kept, and the one the next record will get.
    quint64 firstSequence() const { return next - quint64(records.size() < cap ? records.size() : cap); }
    quint64 endSequence() const { return next; }
    // The record with `sequence`; firstSequence() <= sequence < endSequence().
    const TrafficRecord &at(quint64 sequence) const { return records[std::size_t(sequence % cap)]; }
    // The first sequence number at or after `sequence` that is still kept.
    quint64 keptFrom(quint64 sequence) const
    {
        return sequence < firstSequence() ? firstSequence() : sequence;
    }

    std::size_t size() const { return std::size_t(next - firstSequence()); }
    std::size_t capacity() const { return cap; }

private:
    std::vector<TrafficRecord> records;
    std::size_t cap;
    quint64 next = 0;
};
