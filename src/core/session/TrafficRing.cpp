#include "session/TrafficRing.h"

#include <algorithm>
#include <utility>

TrafficRing::TrafficRing(std::size_t capacity) : cap(capacity > 0 ? capacity : 1) {}

void TrafficRing::append(TrafficRecord &&record)
{
    if (records.size() < cap)
        records.push_back(std::move(record));
    else
        records[slot(next)] = std::move(record);
    ++next;
}

void TrafficRing::setCapacity(std::size_t capacity)
{
    capacity = std::max<std::size_t>(capacity, 1);
    if (capacity == cap)
        return;
    const quint64 from = std::max(firstSequence(), next > capacity ? next - capacity : 0);
    std::vector<TrafficRecord> kept;
    kept.reserve(std::size_t(next - from));
    for (quint64 sequence = from; sequence < next; ++sequence)
        kept.push_back(std::move(records[slot(sequence)]));
    records = std::move(kept);
    base = from;
    cap = capacity;
}
