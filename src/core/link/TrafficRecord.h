#pragma once

#include <QByteArray>
#include <QtGlobal>

// One event on the link as the transport saw it, stamped by the transport when it happened: a
// command written, a line received (with the command it released, if it released one) or a command whose
// reply did not come in time; or a note of the tool's own about the link (a value the device changed).
struct TrafficRecord
{
    enum Kind : quint8
    {
        Written,
        Received,
        TimedOut,
        Note
    };

    Kind kind = Received;
    qint64 wallMs = 0;      // wall-clock time, ms since 1970-01-01 UTC
    qint64 monotonicUs = 0; // steady clock, microseconds since the program started
    // Written, Received: the bytes of the line (CR included); TimedOut: the command that got no reply; Note:
    // the note's text (UTF-8).
    QByteArray bytes;
    // Written, TimedOut: the id the session gave the command; Received: that of the command it answered.
    quint64 commandId = 0;
    // Received: the command this line answered (empty when it answered none).
    QByteArray command;
    // Received: from the write of `command` to this line; TimedOut: the time the reply was allowed.
    qint32 roundTripUs = -1;

    bool answersCommand() const { return kind == Received && !command.isEmpty(); }
};

// Microseconds on the steady clock since the program started; never goes back.
qint64 monotonicNowUs();
// A record of `kind` for `bytes`, stamped with the wall-clock and monotonic time of now.
TrafficRecord stampedRecord(TrafficRecord::Kind kind, const QByteArray &bytes);
