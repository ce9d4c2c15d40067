#include "session/TrafficFormat.h"

#include <QDateTime>

namespace TrafficFormat {

QString timeOfDay(qint64 wallMs)
{
    return QDateTime::fromMSecsSinceEpoch(wallMs).toString(QStringLiteral("HH:mm:ss.zzz"));
}

QString timestamp(qint64 wallMs)
{
    return QDateTime::fromMSecsSinceEpoch(wallMs).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
}

QString escaped(const QByteArray &bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    QString text;
    text.reserve(bytes.size() + 4);
    for (const char c : bytes) {
        const uchar byte = uchar(c);
        if (byte == '\r') {
            text += QLatin1String("\\r");
        } else if (byte == '\n') {
            text += QLatin1String("\\n");
        } else if (byte == '\\') {
            text += QLatin1String("\\\\");
        } else if (byte < 0x20 || byte >= 0x7F) {
            text += QLatin1String("\\x");
            text += QLatin1Char(digits[byte >> 4]);
            text += QLatin1Char(digits[byte & 0x0F]);
        } else {
            text += QLatin1Char(c);
        }
    }
    return text;
}

QString hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

QString direction(TrafficRecord::Kind kind)
{
    switch (kind) {
    case TrafficRecord::Written:
        return QStringLiteral("TX");
    case TrafficRecord::Received:
        return QStringLiteral("RX");
    case TrafficRecord::TimedOut:
        return QStringLiteral("TIMEOUT");
    case TrafficRecord::Note:
        return QStringLiteral("NOTE");
    }
    return QString();
}

QString milliseconds(qint64 us)
{
    return QString::number(double(us) / 1000.0, 'f', 3);
}

QString fileHeader()
{
    return QStringLiteral("# time\tmonotonic_ms\tdirection\ttext\thex\tcommand\tround_trip_ms");
}

QString fileLine(const TrafficRecord &record)
{
    const bool timedOut = record.kind == TrafficRecord::TimedOut;
    const bool note = record.kind == TrafficRecord::Note;
    const bool answers = record.answersCommand();
    QString line = timestamp(record.wallMs);
    line += QLatin1Char('\t') + milliseconds(record.monotonicUs);
    line += QLatin1Char('\t') + direction(record.kind);
    line += QLatin1Char('\t') + (timedOut ? QString()
                                 : note   ? QString::fromUtf8(record.bytes)
                                          : escaped(record.bytes));
    line += QLatin1Char('\t') + (timedOut || note ? QString() : hex(record.bytes));
    line += QLatin1Char('\t') + (timedOut  ? escaped(record.bytes)
                                 : answers ? escaped(record.command)
                                           : QString());
    line += QLatin1Char('\t') + (timedOut || answers ? milliseconds(record.roundTripUs) : QString());
    return line;
}

} // namespace TrafficFormat
