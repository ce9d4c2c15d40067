#include "session/TrafficRing.h"

#include <utility>

TrafficRing::TrafficRing(std::size_t capacity) : cap(capacity > 0 ? capacity : 1) {}

void TrafficRing::append(TrafficRecord &&record)
{
    if (records.size() < cap)
        records.push_back(std::move(record));
    else
        records[std::size_t(next % cap)] = std::move(record);
    ++next;
}
