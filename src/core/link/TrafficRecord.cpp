#include "link/TrafficRecord.h"

#include <QDateTime>

#include <chrono>

qint64 monotonicNowUs()
{
    using Clock = std::chrono::steady_clock;
    static const Clock::time_point start = Clock::now();
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
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
