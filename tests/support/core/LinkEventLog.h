#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

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
        ReconnectStatus,
        LinkLost,
        PauseStarted,
        PauseEnded
    };
    Kind kind = Sent;
    QByteArray bytes; // line written or received
    bool status = false;
    int code = 0; // error code or pause length
    qint64 atNs = 0;
};

// Records, in order of arrival, everything a link session reports.
class LinkEventLog : public QObject
{
    Q_OBJECT

public:
    explicit LinkEventLog(LinkSession &session);

    QList<LinkEvent> events() const { return recorded; }
    QList<LinkEvent> eventsOf(LinkEvent::Kind kind) const;
    int count(LinkEvent::Kind kind) const { return eventsOf(kind).size(); }
    // The reply lines received so far (CR included), and the command lines written.
    QList<QByteArray> lines() const { return textsOf(LinkEvent::Received); }
    QList<QByteArray> sent() const { return textsOf(LinkEvent::Sent); }
    // Waits until at least `count` events of `kind` were recorded.
    bool waitFor(LinkEvent::Kind kind, int count, int timeoutMs);

private:
    QList<QByteArray> textsOf(LinkEvent::Kind kind) const;
    void add(LinkEvent::Kind kind, const QByteArray &bytes = QByteArray(), bool status = false, int code = 0);

    QList<LinkEvent> recorded;
};
