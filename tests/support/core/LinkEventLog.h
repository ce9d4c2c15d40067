#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

struct LinkChannel;

// One signal of a transport service as the GUI thread received it.
struct LinkEvent
{
    enum Kind
    {
        Sent,
        Received,
        ReplyTimeout,
        ConnectStatus,
        ReconnectStatus,
        PortLost
    };
    Kind kind = Sent;
    QString text;
    bool status = false;
    int code = 0;
    qint64 atNs = 0;
};

// Lives in the GUI thread and records, in order of arrival, the signals a transport service emits in its
// worker thread (queued connections). On every line notification it drains the channel's receive queue like
// the main window does, so lines() holds every reply line the transport delivered.
class LinkEventLog : public QObject
{
    Q_OBJECT

public:
    explicit LinkEventLog(LinkChannel &channel);

    QList<LinkEvent> events() const { return recorded; }
    QList<LinkEvent> eventsOf(LinkEvent::Kind kind) const;
    int count(LinkEvent::Kind kind) const { return eventsOf(kind).size(); }
    QList<QByteArray> lines() const { return drained; }
    // Waits until at least `count` events of `kind` were recorded.
    bool waitFor(LinkEvent::Kind kind, int count, int timeoutMs);

public slots:
    void onSent(const QString &Text);
    void onReceived();
    void onReplyTimeout(const QString &cmd);
    void onConnectStatus(bool status, int ErrorCode);
    void onReconnectStatus(bool status);
    void onPortLost(int ErrorCode);

private:
    void add(LinkEvent::Kind kind, const QString &text = QString(), bool status = false, int code = 0);

    LinkChannel &channel;
    QList<LinkEvent> recorded;
    QList<QByteArray> drained;
};
