#include "shell/SendPaneCodec.h"

#include "session/TrafficFormat.h"

#include <QRegularExpression>
#include <QStringList>

namespace SendPaneCodec {

QByteArray bytesOf(const QString &text, bool hex, QString *badWord)
{
    if (!hex) {
        const QByteArray typed = text.toUtf8();
        QByteArray bytes;
        bytes.reserve(typed.size() + typed.count('\n'));
        for (const char byte : typed) {
            if (byte == '\n')
                bytes += '\r';
            bytes += byte;
        }
        return bytes;
    }
    static const QRegularExpression hexBytes(QStringLiteral("^([0-9A-Fa-f]{2})+$"));
    QByteArray bytes;
    for (const QString &word : text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
        if (!hexBytes.match(word).hasMatch()) {
            if (badWord)
                *badWord = word;
            return QByteArray();
        }
        bytes += QByteArray::fromHex(word.toLatin1());
    }
    return bytes;
}

QString textOf(const QByteArray &bytes, bool hex)
{
    if (!hex)
        return QString::fromUtf8(bytes);
    QStringList lines;
    QByteArray line;
    for (int i = 0; i < bytes.size(); ++i) {
        line += bytes[i];
        const bool lineEnds = bytes[i] == '\n' || (bytes[i] == '\r' && bytes.mid(i + 1, 1) != "\n");
        if (lineEnds) {
            lines << TrafficFormat::hex(line);
            line.clear();
        }
    }
    if (!line.isEmpty())
        lines << TrafficFormat::hex(line);
    return lines.join(QLatin1Char('\n'));
}

QString converted(const QString &text, bool toHex)
{
    if (!toHex)
        return textOf(bytesOf(text, true), false);
    QByteArray bytes = text.toUtf8();
    bytes.replace('\n', '\r');
    return textOf(bytes, true);
}

} // namespace SendPaneCodec
