#pragma once

#include "setup/RequestCapture.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <vector>

class LinkSession;
struct TrafficRecord;

// Sends requests through the link session and follows each to its end: answered by a reply line, left
// without reply (time-out) or, for a request that awaits no reply, written. Every record the traffic log
// gets meanwhile goes to the record handler first, so that its owner sees the replies as they come (and can
// send follow-up requests from there).
class LinkExchange : public QObject
{
    Q_OBJECT
public:
    explicit LinkExchange(LinkSession &session, QObject *parent = nullptr);

    void setRecordHandler(std::function<void(const TrafficRecord &)> handler);
    // Queues the requests on the active link and lets it send; false when no link is open.
    bool send(const std::vector<CapturedRequest> &requests);

    bool settled() const { return pending.empty(); }
    bool linkLost() const { return lost; }
    // The requests left without reply so far, as text without CR.
    QStringList timedOut() const { return unanswered; }

signals:
    // Every request sent so far has ended.
    void SGL_Settled();
    // The link was closed or lost; the requests still waiting will never end.
    void SGL_LinkLost();

private:
    void takeRecords();
    void loseLink();

    struct Pending
    {
        quint64 id;
        bool awaitsReply;
    };

    LinkSession &session;
    std::function<void(const TrafficRecord &)> handler;
    std::vector<Pending> pending;
    quint64 seen = 0;
    QStringList unanswered;
    bool lost = false;
};
