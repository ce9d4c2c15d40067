#include "setup/LinkExchange.h"

#include "session/LinkSession.h"

LinkExchange::LinkExchange(LinkSession &linkSession, QObject *parent) : QObject(parent), session(linkSession)
{
}

void LinkExchange::setReplyHandler(std::function<void(const LinkReply &)> replyHandler)
{
    handler = std::move(replyHandler);
}

bool LinkExchange::send(const std::vector<Request> &requests)
{
    if (lost || session.linkType() == 0)
        return false;
    for (const Request &request : requests) {
        LinkReply *reply = session.send(request);
        if (!reply)
            continue;
        ++waiting;
        connect(reply, &LinkReply::finished, this, [this, reply] { ended(*reply); });
    }
    return true;
}

void LinkExchange::ended(const LinkReply &reply)
{
    const LinkReply::Outcome outcome = reply.outcome();
    if (outcome == LinkReply::Outcome::LinkEnded || outcome == LinkReply::Outcome::Dropped) {
        loseLink();
        return;
    }
    if (outcome == LinkReply::Outcome::TimedOut)
        unanswered << QString::fromLatin1(reply.request()).remove(QLatin1Char('\r'));
    // Follow-up requests count before this one is taken as done.
    if (handler)
        handler(reply);
    if (--waiting == 0 && !lost)
        emit SGL_Settled();
}

void LinkExchange::loseLink()
{
    if (lost)
        return;
    lost = true;
    waiting = 0;
    emit SGL_LinkLost();
}
