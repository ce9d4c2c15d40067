#include "session/ModelQuery.h"

#include "protocol/DeviceContext.h"
#include "protocol/ReplyKeywords.h"
#include "protocol/ReplyParser.h"

QString modelInReply(const QByteArray &line)
{
    const ParsedReply reply = parseReplyLine(line, NoModel, 0);
    if (reply.keyword != KwModelType)
        return QString();
    if (reply.index >= 0)
        return QString::fromLatin1(Tables::Models.at(quint32(reply.index)));
    const QString word = reply.text.trimmed();
    return word.isEmpty() ? QStringLiteral("?") : word;
}
