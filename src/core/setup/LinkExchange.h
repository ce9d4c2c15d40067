#pragma once

#include "protocol/Request.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <vector>

class LinkReply;
class LinkSession;

// Sends requests through the link session and follows each to its end, as its reply tells: answered,
// written (a request that awaits no reply), left without reply (time-out) or cut off by the end of the link.
// The reply handler sees each reply as it ends, so that its owner can send follow-up requests from there.
class LinkExchange : public QObject
{
    Q_OBJECT
public:
    explicit LinkExchange(LinkSession &session, QObject *parent = nullptr);

    void setReplyHandler(std::function<void(const LinkReply &)> handler);
    // Queues the requests on the active link; false when no link is open.
    bool send(const std::vector<Request> &requests);

    bool settled() const { return waiting == 0; }
    bool linkLost() const { return lost; }
    // The requests left without reply so far, as text without CR, in the order they ended.
    QStringList timedOut() const { return unanswered; }

signals:
    // Every request sent so far has ended.
    void SGL_Settled();
    // The link was closed or lost; the requests still waiting will never end.
    void SGL_LinkLost();

private:
    void ended(const LinkReply &reply);
    void loseLink();

    LinkSession &session;
    std::function<void(const LinkReply &)> handler;
    int waiting = 0;
    QStringList unanswered;
    bool lost = false;
};
