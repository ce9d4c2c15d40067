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
    return hex ? TrafficFormat::hex(bytes)
               : QString::fromUtf8(bytes).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
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
