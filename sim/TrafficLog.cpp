#include "TrafficLog.h"

#include <QTime>

#include <cstdio>

void TrafficLog::announce(const QString &text)
{
    std::printf("lumaplex-sim: %s\n", qPrintable(text));
    std::fflush(stdout);
}

QString TrafficLog::escape(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        const uchar byte = uchar(c);
        if (byte == '\r')
            text += QLatin1String("\\r");
        else if (byte == '\n')
            text += QLatin1String("\\n");
        else if (byte == '\\')
            text += QLatin1String("\\\\");
        else if (byte < 0x20 || byte >= 0x7F)
            text += QStringLiteral("\\x%1").arg(uint(byte), 2, 16, QLatin1Char('0'));
        else
            text += QLatin1Char(c);
    }
    return text;
}

void TrafficLog::write(const QString &link, const char *direction, const QString &text) const
{
    if (quiet)
        return;
    const QString line = QStringLiteral("%1 %2 %3 %4\n")
                             .arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")), link,
                                  QLatin1String(direction), text);
    std::fputs(line.toLatin1().constData(), stdout);
    std::fflush(stdout);
}
