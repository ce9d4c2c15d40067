#include "LinkEventLog.h"

#include "DevicePeer.h"
#include "link/LinkChannel.h"

#include <QMutexLocker>
#include <QTest>

LinkEventLog::LinkEventLog(LinkChannel &linkChannel) : channel(linkChannel) {}

QList<LinkEvent> LinkEventLog::eventsOf(LinkEvent::Kind kind) const
{
    QList<LinkEvent> matching;
    for (const LinkEvent &event : recorded) {
        if (event.kind == kind)
            matching.append(event);
    }
    return matching;
}

bool LinkEventLog::waitFor(LinkEvent::Kind kind, int wanted, int timeoutMs)
{
    return QTest::qWaitFor([this, kind, wanted] { return count(kind) >= wanted; }, timeoutMs);
}

void LinkEventLog::onSent(const QString &Text)
{
    add(LinkEvent::Sent, Text);
}

void LinkEventLog::onReceived()
{
    {
        QMutexLocker locker(&channel.recvLock);
        for (QueueEntry &entry : takeAllEntries(&channel.recvQueue))
            drained.append(entry.data);
    }
    add(LinkEvent::Received);
}

void LinkEventLog::onReplyTimeout(const QString &cmd)
{
    add(LinkEvent::ReplyTimeout, cmd);
}

void LinkEventLog::onConnectStatus(bool status, int ErrorCode)
{
    add(LinkEvent::ConnectStatus, QString(), status, ErrorCode);
}

void LinkEventLog::onReconnectStatus(bool status)
{
    add(LinkEvent::ReconnectStatus, QString(), status);
}

void LinkEventLog::onPortLost(int ErrorCode)
{
    add(LinkEvent::PortLost, QString(), false, ErrorCode);
}

void LinkEventLog::add(LinkEvent::Kind kind, const QString &text, bool status, int code)
{
    recorded.append({kind, text, status, code, DevicePeer::clockNs()});
}
