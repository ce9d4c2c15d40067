#pragma once

#include "link/TrafficRecord.h"

#include <QString>

// How traffic records are written as text: in the debug console, in a saved or captured traffic file and by
// the command-line tool's log.
namespace TrafficFormat {

// Local wall-clock time of day with milliseconds ("14:03:07.125"), and with the date
// ("2025-03-01 14:03:07.125").
QString timeOfDay(qint64 wallMs);
QString timestamp(qint64 wallMs);
// The bytes as text: printable ASCII as it is, CR and LF as \r and \n, other bytes as \xNN.
QString escaped(const QByteArray &bytes);
// The bytes as upper-case hexadecimal pairs separated by spaces ("47 45 54 0D").
QString hex(const QByteArray &bytes);
// "TX" for a written command, "RX" for a received line, "TIMEOUT" for a command left without reply.
QString direction(TrafficRecord::Kind kind);
// A duration in microseconds as milliseconds with three decimals ("12.345").
QString milliseconds(qint64 us);

// The header line and one line per record of a traffic file, tab-separated: time, monotonic ms, direction,
// text, hex, the command a reply answered (or that timed out) and its round trip (or the time allowed).
QString fileHeader();
QString fileLine(const TrafficRecord &record);

} // namespace TrafficFormat
