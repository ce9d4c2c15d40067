#include "LinkEventLog.h"

#include "session/LinkSession.h"

#include <QTest>

LinkEventLog::LinkEventLog(LinkSession &session)
{
    connect(&session, &LinkSession::SGL_LineSent, this, [this](quint32, const QString &text) {
        add(LinkEvent::Sent, "sent " + text.toLatin1(), text.toLatin1());
    });
    connect(&session, &LinkSession::SGL_LineReceived, this,
            [this](quint32, const QByteArray &line) { add(LinkEvent::Received, "received " + line, line); });
    connect(&session, &LinkSession::SGL_ReplyTimeout, this, [this](quint32, const QString &cmd) {
        add(LinkEvent::ReplyTimeout, "timeout " + cmd.toLatin1(), cmd.toLatin1());
    });
    connect(&session, &LinkSession::SGL_ConnectStatus, this, [this](quint32, bool status, int code) {
        add(LinkEvent::ConnectStatus,
            "connect " + QByteArray::number(status) + ' ' + QByteArray::number(code), {}, code);
    });
    connect(&session, &LinkSession::SGL_LinkLost, this, [this](quint32, int code, const QString &reason) {
        add(LinkEvent::LinkLost, "lost " + QByteArray::number(code), reason.toLatin1(), code);
    });
    connect(&session, &LinkSession::SGL_PauseStarted, this, [this](quint32, int ms) {
        add(LinkEvent::PauseStarted, "pause " + QByteArray::number(ms), {}, ms);
    });
    connect(&session, &LinkSession::SGL_PauseEnded, this,
            [this](quint32) { add(LinkEvent::PauseEnded, "pause end"); });
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

QList<QByteArray> LinkEventLog::lines() const
{
    QList<QByteArray> texts;
    for (const LinkEvent &event : eventsOf(LinkEvent::Received))
        texts.append(event.bytes);
    return texts;
}

QList<QByteArray> LinkEventLog::trace() const
{
    QList<QByteArray> texts;
    for (const LinkEvent &event : recorded)
        texts.append(event.text);
    return texts;
}

bool LinkEventLog::waitFor(LinkEvent::Kind kind, int wanted, int timeoutMs)
{
    return QTest::qWaitFor([this, kind, wanted] { return count(kind) >= wanted; }, timeoutMs);
}

void LinkEventLog::add(LinkEvent::Kind kind, const QByteArray &text, const QByteArray &bytes, int code)
{
    recorded.append({kind, bytes, code, text});
}
