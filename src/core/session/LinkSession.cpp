#include "session/LinkSession.h"

#include "config/AppState.h"
#include "link/LinkChannel.h"
#include "link/ServiceSerialPort.h"
#include "link/ServiceTcpClient.h"
#include "protocol/Catalogue.h"

#include <QCoreApplication>
#include <QMutexLocker>

LinkSession::LinkSession(QObject *parent)
    : QObject(parent), serial(std::make_unique<ServiceSerialPort>()),
      tcp(std::make_unique<ServiceTcpClient>())
{
    serial->moveToThread(&serialThread);
    tcp->moveToThread(&tcpThread);
    // The end of a worker thread closes its transport's link, in that thread.
    connect(&serialThread, &QThread::finished, serial.get(),
            &ServiceSerialPort::SLT_SyncDisconnect_SerialPort);
    connect(&tcpThread, &QThread::finished, tcp.get(), &ServiceTcpClient::SLT_SyncDisconnect_TcpClient);
    connect(this, &LinkSession::SGL_TrySend, serial.get(), &ServiceSerialPort::SLT_RealSendData_SerialPort);
    connect(this, &LinkSession::SGL_TrySend, tcp.get(), &ServiceTcpClient::SLT_RealSendData_TcpClient);
    setRequestSink([this](const QByteArray &line, const ReplyRule &rule) { queue(line, &rule); });
    isRequestSink = true;
}

LinkSession::~LinkSession()
{
    closeLink();
    if (isRequestSink)
        setRequestSink(nullptr);
    // The transports are deleted after their threads have ended, with nothing left running in them.
    for (QThread *thread : {&serialThread, &tcpThread}) {
        thread->quit();
        thread->wait();
    }
}

quint32 LinkSession::linkType() const
{
    return State().LinkType;
}

LinkService &LinkSession::serialService()
{
    return *serial;
}

LinkService &LinkSession::tcpService()
{
    return *tcp;
}

LinkService *LinkSession::serviceFor(quint32 type) const
{
    switch (type) {
    case LinkSerial:
        return serial.get();
    case LinkTcpClient:
        return tcp.get();
    default:
        return nullptr;
    }
}

QThread *LinkSession::threadFor(quint32 type)
{
    switch (type) {
    case LinkSerial:
        return &serialThread;
    case LinkTcpClient:
        return &tcpThread;
    default:
        return nullptr;
    }
}

LinkChannel *LinkSession::activeChannel() const
{
    LinkService *service = serviceFor(State().LinkType);
    return service ? &service->linkChannel() : nullptr;
}

void LinkSession::openSerial(const SerialSettings &settings)
{
    beginLink(LinkSerial);
    ServiceSerialPort *service = serial.get();
    QMetaObject::invokeMethod(
        service,
        [service, settings] {
            service->SLT_SyncConnect_SerialPort(settings.portName, settings.baudRate, settings.dataBits,
                                                settings.parity, settings.stopBits, settings.flowControl);
        },
        Qt::QueuedConnection);
}

void LinkSession::openTcpClient(const QString &localIp, const QString &remoteIp, const QString &remotePort)
{
    beginLink(LinkTcpClient);
    ServiceTcpClient *service = tcp.get();
    QMetaObject::invokeMethod(
        service,
        [service, localIp, remoteIp, remotePort] {
            service->SLT_SyncConnect_TcpClient(localIp, remoteIp, remotePort);
        },
        Qt::QueuedConnection);
}

void LinkSession::beginLink(quint32 type)
{
    closeLink();
    openType = type;
    State().LinkType = type;
    relayFrom(serviceFor(type), type);
    threadFor(type)->start();
}

void LinkSession::closeLink()
{
    const quint32 type = openType;
    openType = LinkNone;
    State().LinkType = LinkNone;
    ++generation;
    if (relay) {
        // Reports already on their way to the relay belong to the closed link.
        QCoreApplication::removePostedEvents(relay.get(), QEvent::MetaCall);
        relay.release()->deleteLater();
    }
    QThread *thread = threadFor(type);
    if (!thread)
        return;
    LinkService *service = serviceFor(type);
    // Quitting also ends the send step's gap and any other local event loop of the thread; the longest
    // the thread can be busy otherwise is a connect attempt (500 ms) or a reconnection (1000 ms).
    thread->quit();
    thread->wait();
    // A request the thread never got to (the link was closed right after it was opened) belongs to the
    // closed link and must not run when the thread is started for the next one.
    QCoreApplication::removePostedEvents(service, QEvent::MetaCall);
    // Nor is anything queued for it written on the next one (commands queued while it was still opening).
    service->discardQueued();
}

template <class Sender, class Signal, class Handler>
void LinkSession::relaySignal(Sender *sender, Signal signal, Handler handler)
{
    const quint64 linkGeneration = generation;
    connect(sender, signal, relay.get(), [this, linkGeneration, handler](auto... arguments) {
        if (linkGeneration == generation)
            handler(arguments...);
    });
}

void LinkSession::relayFrom(LinkService *service, quint32 type)
{
    relay = std::make_unique<QObject>();
    relaySignal(service, &LinkService::SGL_PauseStarted,
                [this, type](int ms) { emit SGL_PauseStarted(type, ms); });
    relaySignal(service, &LinkService::SGL_PauseEnded, [this, type] { emit SGL_PauseEnded(type); });
    relaySignal(service, &LinkService::SGL_LinkLost,
                [this, type](int code, const QString &reason) { emit SGL_LinkLost(type, code, reason); });
    if (type == LinkSerial) {
        ServiceSerialPort *port = serial.get();
        relaySignal(port, &ServiceSerialPort::SGL_ConnectStatus_SerialPort,
                    [this, type](bool status, int code, const QString &reason) {
                        emit SGL_ConnectStatus(type, status, code, reason, false);
                    });
        relaySignal(port, &ServiceSerialPort::SGL_UpdateSendData_SerialPort,
                    [this, type](const QString &text) { emit SGL_LineSent(type, text); });
        relaySignal(port, &ServiceSerialPort::SGL_UpdateRecvData_SerialPort,
                    [this, type] { takeReceivedLines(type); });
        relaySignal(port, &ServiceSerialPort::SGL_WaitReplyTimeout_SerialPort,
                    [this, type](const QString &cmd) { emit SGL_ReplyTimeout(type, cmd); });
        return;
    }
    ServiceTcpClient *client = tcp.get();
    relaySignal(client, &ServiceTcpClient::SGL_ConnectStatus_TcpClient,
                [this, type](bool status, int code, const QString &reason, bool localCause) {
                    emit SGL_ConnectStatus(type, status, code, reason, localCause);
                });
    relaySignal(client, &ServiceTcpClient::SGL_UpdateSendData_TcpClient,
                [this, type](const QString &text) { emit SGL_LineSent(type, text); });
    relaySignal(client, &ServiceTcpClient::SGL_UpdateRecvData_TcpClient,
                [this, type] { takeReceivedLines(type); });
    relaySignal(client, &ServiceTcpClient::SGL_WaitReplyTimeout_TcpClient,
                [this, type](const QString &cmd) { emit SGL_ReplyTimeout(type, cmd); });
}

void LinkSession::takeReceivedLines(quint32 type)
{
    const quint64 linkGeneration = generation;
    LinkChannel &channel = serviceFor(type)->linkChannel();
    // Never wait for the transport: lines it is appending right now come with its next notice.
    if (!channel.recvLock.tryLock(0))
        return;
    std::deque<QueueEntry> lines = takeAllEntries(&channel.recvQueue);
    channel.recvLock.unlock();
    for (const QueueEntry &entry : lines) {
        // A handler of the previous line may have closed this link; its remaining lines go with it.
        if (linkGeneration != generation)
            return;
        emit SGL_LineReceived(type, entry.data);
    }
}

void LinkSession::queue(const QByteArray &bytes, const ReplyRule *rule)
{
    LinkChannel *channel = activeChannel();
    if (!channel)
        return;
    const bool dropped = enqueueEntry(bytes, rule, 0, &channel->sendLock, &channel->sendQueue) > 0;
    if (dropped && !overflowReported)
        emit SGL_CommandsDropped(State().LinkType);
    overflowReported = dropped;
}

void LinkSession::requestSend()
{
    emit SGL_TrySend();
}

std::deque<QByteArray> LinkSession::queuedCommands()
{
    std::deque<QByteArray> commands;
    if (LinkChannel *channel = activeChannel()) {
        QMutexLocker locker(&channel->sendLock);
        for (const QueueEntry &entry : channel->sendQueue.entries)
            commands.push_back(entry.data);
    }
    return commands;
}
