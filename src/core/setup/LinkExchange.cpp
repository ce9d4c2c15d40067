#include "setup/LinkExchange.h"

#include "session/LinkSession.h"

#include <algorithm>

LinkExchange::LinkExchange(LinkSession &linkSession, QObject *parent) : QObject(parent), session(linkSession)
{
    seen = session.traffic().endSequence();
    connect(&session, &LinkSession::SGL_TrafficRecorded, this, &LinkExchange::takeRecords);
    connect(&session, &LinkSession::SGL_LinkClosed, this, &LinkExchange::loseLink);
    connect(&session, &LinkSession::SGL_LinkLost, this, &LinkExchange::loseLink);
}

void LinkExchange::setRecordHandler(std::function<void(const TrafficRecord &)> recordHandler)
{
    handler = std::move(recordHandler);
}

bool LinkExchange::send(const std::vector<CapturedRequest> &requests)
{
    if (lost)
        return false;
    for (const CapturedRequest &request : requests) {
        const quint64 id = session.queue(request.line, &request.rule);
        if (id == 0) {
            loseLink();
            return false;
        }
        pending.push_back({id, request.rule.expectReply != 0});
    }
    session.requestSend();
    return true;
}

void LinkExchange::takeRecords()
{
    const TrafficRing &ring = session.traffic();
    const bool wasBusy = !pending.empty();
    for (quint64 sequence = ring.keptFrom(seen); sequence < ring.endSequence(); ++sequence) {
        seen = sequence + 1;
        const TrafficRecord &record = ring.at(sequence);
        if (handler)
            handler(record);
        const bool ends = record.kind == TrafficRecord::TimedOut || record.answersCommand() ||
                          record.kind == TrafficRecord::Written;
        const auto it = std::find_if(pending.begin(), pending.end(),
                                     [&](const Pending &p) { return p.id == record.commandId; });
        if (!ends || record.commandId == 0 || it == pending.end() ||
            (record.kind == TrafficRecord::Written && it->awaitsReply))
            continue;
        if (record.kind == TrafficRecord::TimedOut)
            unanswered << QString::fromLatin1(record.bytes).remove(QLatin1Char('\r'));
        pending.erase(it);
    }
    if (wasBusy && pending.empty() && !lost)
        emit SGL_Settled();
}

void LinkExchange::loseLink()
{
    if (lost)
        return;
    lost = true;
    pending.clear();
    emit SGL_LinkLost();
}
