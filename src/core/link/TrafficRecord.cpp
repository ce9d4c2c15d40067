#include "link/TrafficRecord.h"

#include <QDateTime>

#include <chrono>

namespace {
using Clock = std::chrono::steady_clock;
// The origin of the monotonic times: the start of the program.
const Clock::time_point programStart = Clock::now();
} // namespace

qint64 monotonicNowUs()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - programStart).count();
}

TrafficRecord stampedRecord(TrafficRecord::Kind kind, const QByteArray &bytes)
{
    TrafficRecord record;
    record.kind = kind;
    record.bytes = bytes;
    record.monotonicUs = monotonicNowUs();
    record.wallMs = QDateTime::currentMSecsSinceEpoch();
    return record;
}
