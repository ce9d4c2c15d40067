#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>

class LinkSession;

// One report of the link session as the test thread received it.
struct LinkEvent
{
    enum Kind
    {
        Sent,
        Received,
        ReplyTimeout,
        ConnectStatus,
        LinkLost,
        PauseStarted,
        PauseEnded
    };
    Kind kind = Sent;
    QByteArray bytes; // the line written or received, the command that timed out, why the link was lost
    int code = 0;     // connect or loss error code, pause length
    QByteArray text;  // the report as trace() shows it
};

// Records, in order of arrival, everything a link session reports.
class LinkEventLog : public QObject
{
    Q_OBJECT

public:
    explicit LinkEventLog(LinkSession &session);

    QList<LinkEvent> eventsOf(LinkEvent::Kind kind) const;
    int count(LinkEvent::Kind kind) const { return eventsOf(kind).size(); }
    // The reply lines received so far, CR included.
    QList<QByteArray> lines() const;
    // Every report so far: "connect 1 0", "sent GET X\r", "received X 1\r", "timeout GET X\r",
    // "lost 9", "pause 300", "pause end".
    QList<QByteArray> trace() const;
    // Waits until at least `count` events of `kind` were recorded.
    bool waitFor(LinkEvent::Kind kind, int count, int timeoutMs);

private:
    void add(LinkEvent::Kind kind, const QByteArray &text, const QByteArray &bytes = {}, int code = 0);

    QList<LinkEvent> recorded;
};
