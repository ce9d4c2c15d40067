#include "session/ModelQuery.h"

#include "protocol/Catalogue.h"
#include "protocol/ReplyKeywords.h"
#include "protocol/ReplyParser.h"

namespace {
constexpr quint32 NoModel = 5;
} // namespace

QByteArray modelQueryLine()
{
    QByteArray query;
    const RequestSink previous =
        setRequestSink([&query](const QByteArray &line, const ReplyRule &) { query = line; });
    GetModelType();
    setRequestSink(previous);
    return query;
}

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
