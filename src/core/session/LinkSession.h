#pragma once

#include "protocol/ReplyRule.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QThread>

#include <deque>
#include <memory>

class LinkService;
class ServiceSerialPort;
class ServiceTcpClient;
struct LinkChannel;

// The one door to the device link. It owns the serial and the TCP transport with their worker threads,
// opens and closes the active link (and keeps LinkType in the application state), queues requests on the
// active link's channel, makes the active transport send, and relays what happens on the link as signals
// of the thread it lives in: lines written and received, connect results, losses, reply time-outs and
// pauses. Reports of a link that was closed meanwhile are never relayed.
//
// While it exists it is the request sink of the request builders: a builder's line goes to the active
// link. Pages, the debug console, the reply handling, tools and tests reach the link only through it.
class LinkSession : public QObject
{
    Q_OBJECT

public:
    struct SerialSettings
    {
        QString portName;
        // Decimal texts of Qt's enumeration values.
        QString baudRate = QStringLiteral("9600");
        QString dataBits = QStringLiteral("8");
        QString parity = QStringLiteral("0");
        QString stopBits = QStringLiteral("1");
        QString flowControl = QStringLiteral("0");
    };

    explicit LinkSession(QObject *parent = nullptr);
    // Closes the active link, ends both worker threads and waits for them.
    ~LinkSession() override;
    LinkSession(const LinkSession &) = delete;
    LinkSession &operator=(const LinkSession &) = delete;

    // LinkType of the active link (0 none, 1 serial, 2 TCP client).
    quint32 linkType() const;

    // Opens a link: sets LinkType, starts the transport's thread and asks it to connect. The result comes
    // as SGL_ConnectStatus. An open link is closed first.
    void openSerial(const SerialSettings &settings);
    void openTcpClient(const QString &localIp, const QString &remoteIp, const QString &remotePort);
    // Closes the active link (LinkType 0): the transport's thread ends, which disconnects it and discards
    // every queued command and unread reply line; a connect request it did not get to is dropped.
    void closeLink();

    // Queues bytes on the active link (nothing without one): with a rule as the request builders do,
    // without one (no reply awaited, no pause) as the debug console does.
    void queue(const QByteArray &bytes, const ReplyRule *rule = nullptr);
    // Lets the active transport write the next queued command if the link is free.
    void requestSend();
    // Copies of the commands waiting on the active link, oldest first.
    std::deque<QByteArray> queuedCommands();

    // The transports, for tests that look at their timers and devices.
    LinkService &serialService();
    LinkService &tcpService();

signals:
    // Connect result of the link opened last: true with 0, false with the transport's error code, the
    // system's reason and whether the cause lies with this computer's address (TCP).
    void SGL_ConnectStatus(quint32 linkType, bool status, int ErrorCode, const QString &reason,
                           bool localCause);
    // The open link failed for good (connection closed, silent or failed; serial port gone); `reason` is the
    // system's text. The link is left to be closed.
    void SGL_LinkLost(quint32 linkType, int ErrorCode, const QString &reason);
    // A command was written (Latin-1 text, CR included).
    void SGL_LineSent(quint32 linkType, const QString &Text);
    // A complete reply line arrived (CR included).
    void SGL_LineReceived(quint32 linkType, const QByteArray &line);
    // No matching reply came in time for `cmd`.
    void SGL_ReplyTimeout(quint32 linkType, const QString &cmd);
    // The link holds back the following commands for `ms`, and is free again.
    void SGL_PauseStarted(quint32 linkType, int ms);
    void SGL_PauseEnded(quint32 linkType);
    // The active link's send queue was full and began dropping its oldest commands (reported once until it
    // has room again).
    void SGL_CommandsDropped(quint32 linkType);

    // Internal: reaches both transports' send slots (only the connected one sends).
    void SGL_TrySend();

private:
    LinkService *serviceFor(quint32 type) const;
    QThread *threadFor(quint32 type);
    LinkChannel *activeChannel() const;
    void beginLink(quint32 type);
    void relayFrom(LinkService *service, quint32 type);
    // Relays `signal` of the transport to `handler` in this session's thread, as long as the link that is
    // open now stays open.
    template <class Sender, class Signal, class Handler>
    void relaySignal(Sender *sender, Signal signal, Handler handler);
    void takeReceivedLines(quint32 type);

    std::unique_ptr<ServiceSerialPort> serial;
    std::unique_ptr<ServiceTcpClient> tcp;
    QThread serialThread;
    QThread tcpThread;
    // Receives the reports of the open link; replaced at every open and deleted at every close, so that
    // reports still on their way from a closed link are dropped with it.
    std::unique_ptr<QObject> relay;
    // The link whose thread runs now (LinkType may be changed by others, this may not).
    quint32 openType = 0;
    // Changes with every close, so that reports of a closed link are told apart.
    quint64 generation = 0;
    // Whether the send queue's overflow has been reported and not yet ended.
    bool overflowReported = false;
    // Whether this session is the request builders' sink now.
    bool isRequestSink = false;
};
