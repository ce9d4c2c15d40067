#include "session/LinkReply.h"

LinkReply::LinkReply(quint64 id, const QByteArray &request, bool watch, QObject *parent)
    : QObject(parent), commandId(id), requestLine(request), watchRead(watch)
{
}

void LinkReply::finish(Outcome outcome, const QByteArray &line, qint32 roundTripUs)
{
    if (isFinished())
        return;
    result = outcome;
    answer = line;
    roundTrip = roundTripUs;
    emit finished();
    deleteLater();
}
