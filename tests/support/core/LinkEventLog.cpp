#include "LinkEventLog.h"

#include "DevicePeer.h"
#include "session/LinkSession.h"

#include <QTest>

LinkEventLog::LinkEventLog(LinkSession &session)
{
    connect(&session, &LinkSession::SGL_LineSent, this,
            [this](quint32, const QString &text) { add(LinkEvent::Sent, text.toLatin1()); });
    connect(&session, &LinkSession::SGL_LineReceived, this,
            [this](quint32, const QByteArray &line) { add(LinkEvent::Received, line); });
    connect(&session, &LinkSession::SGL_ReplyTimeout, this,
            [this](quint32, const QString &cmd) { add(LinkEvent::ReplyTimeout, cmd.toLatin1()); });
    connect(&session, &LinkSession::SGL_ConnectStatus, this,
            [this](quint32, bool status, int code) { add(LinkEvent::ConnectStatus, {}, status, code); });
    connect(&session, &LinkSession::SGL_ReConnectStatus, this,
            [this](quint32, bool status) { add(LinkEvent::ReconnectStatus, {}, status); });
    connect(&session, &LinkSession::SGL_LinkLost, this, [this](quint32, int code, const QString &reason) {
        add(LinkEvent::LinkLost, reason.toUtf8(), false, code);
    });
    connect(&session, &LinkSession::SGL_PauseStarted, this,
            [this](quint32, int ms) { add(LinkEvent::PauseStarted, {}, true, ms); });
    connect(&session, &LinkSession::SGL_PauseEnded, this, [this](quint32) { add(LinkEvent::PauseEnded); });
}

QList<LinkEvent> LinkEventLog::eventsOf(LinkEvent::Kind kind) const
{
    QList<LinkEvent> matching;
    for (const LinkEvent &event : recorded) {
        if (event.kind == kind)
            matching.append(event);
    }
    return matching;
}

QList<QByteArray> LinkEventLog::textsOf(LinkEvent::Kind kind) const
{
    QList<QByteArray> texts;
    for (const LinkEvent &event : eventsOf(kind))
        texts.append(event.bytes);
    return texts;
}

bool LinkEventLog::waitFor(LinkEvent::Kind kind, int wanted, int timeoutMs)
{
    return QTest::qWaitFor([this, kind, wanted] { return count(kind) >= wanted; }, timeoutMs);
}

void LinkEventLog::add(LinkEvent::Kind kind, const QByteArray &bytes, bool status, int code)
{
    recorded.append({kind, bytes, status, code, DevicePeer::clockNs()});
}
