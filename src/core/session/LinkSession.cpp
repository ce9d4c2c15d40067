#include "session/LinkSession.h"

#include "link/LinkChannel.h"
#include "link/ServiceSerialPort.h"
#include "link/ServiceTcpClient.h"
#include "protocol/Catalogue.h"
#include "session/RestartFollower.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMutexLocker>
#include <QScopedValueRollback>

#include <algorithm>
#include <utility>

namespace {
// How long received lines are reported in one turn of the event loop before the rest wait for the next.
constexpr qint64 DeliveryTurnNs = 20 * 1000 * 1000;
constexpr int CountdownTickMs = 1000;

template <class Service, class Disconnect, class Send>
void wireWorker(LinkSession *session, Service *service, QThread *thread, Disconnect disconnectSlot,
                Send sendSlot)
{
    service->moveToThread(thread);
    // The end of a worker thread closes its transport's link, in that thread.
    QObject::connect(thread, &QThread::finished, service, disconnectSlot);
    QObject::connect(session, &LinkSession::SGL_TrySend, service, sendSlot);
}
} // namespace

LinkSession::LinkSession(QObject *parent) : QObject(parent), watcher(std::make_unique<DeviceWatch>(*this))
{
    createWorker(LinkSerial);
    createWorker(LinkTcpClient);
    pauseTicker.setInterval(CountdownTickMs);
    connect(&pauseTicker, &QTimer::timeout, this, &LinkSession::tickPause);
    RestartFollower::Hooks hooks;
    hooks.dial = [this](const LinkTarget &target) { dial(target); };
    hooks.hangUp = [this] { hangUp(); };
    hooks.probe = [this] { queueCommand(GetModelType(), 0, nullptr); };
    follower = std::make_unique<RestartFollower>(std::move(hooks));
    // While the device restarts it is a stranger: it is identified and read again once it is back.
    connect(follower.get(), &RestartFollower::waiting, this, [this](int seconds) {
        model.forget();
        holding = true;
        holdQueued();
        emit SGL_RestartWait(openType, seconds);
    });
    // What was held for the restart goes once the device is identified, after what its identification
    // makes the tool read (queued by the same notice).
    connect(&model, &DeviceModel::SGL_Identified, this, [this] {
        if (!holding)
            return;
        holding = false;
        QMetaObject::invokeMethod(this, &LinkSession::releaseHeld, Qt::QueuedConnection);
    });
    connect(follower.get(), &RestartFollower::over, this,
            [this](bool back) { emit SGL_RestartOver(openType, back); });
}

LinkSession::~LinkSession()
{
    closeLink();
    // The transports are deleted after their threads have ended, with nothing left running in them. A thread
    // that does not end in time is left to the end of the process, never deleted while it runs.
    for (RetiredWorker &worker : retired) {
        if (!worker.thread->wait(CloseWaitMs)) {
            static_cast<void>(worker.thread.release());
            static_cast<void>(worker.service.release());
        }
    }
}

void LinkSession::createWorker(quint32 type)
{
    if (type == LinkSerial) {
        serial = std::make_unique<ServiceSerialPort>();
        serialThread = std::make_unique<QThread>();
        wireWorker(this, serial.get(), serialThread.get(), &ServiceSerialPort::SLT_SyncDisconnect_SerialPort,
                   &ServiceSerialPort::SLT_RealSendData_SerialPort);
    } else {
        tcp = std::make_unique<ServiceTcpClient>();
        tcpThread = std::make_unique<QThread>();
        wireWorker(this, tcp.get(), tcpThread.get(), &ServiceTcpClient::SLT_SyncDisconnect_TcpClient,
                   &ServiceTcpClient::SLT_RealSendData_TcpClient);
    }
    serviceFor(type)->linkChannel().recordTraffic = recording;
}

void LinkSession::retireWorker(quint32 type)
{
    RetiredWorker worker;
    if (type == LinkSerial) {
        worker.thread = std::move(serialThread);
        worker.service = std::move(serial);
    } else {
        worker.thread = std::move(tcpThread);
        worker.service = std::move(tcp);
    }
    QObject::disconnect(this, nullptr, worker.service.get(), nullptr);
    QThread *thread = worker.thread.get();
    connect(thread, &QThread::finished, this, [this, thread] {
        const auto ended = std::find_if(retired.begin(), retired.end(), [thread](const RetiredWorker &w) {
            return w.thread.get() == thread;
        });
        if (ended == retired.end())
            return;
        ended->thread->wait();
        retired.erase(ended);
    });
    retired.push_back(std::move(worker));
    createWorker(type);
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

QThread *LinkSession::threadFor(quint32 type) const
{
    switch (type) {
    case LinkSerial:
        return serialThread.get();
    case LinkTcpClient:
        return tcpThread.get();
    default:
        return nullptr;
    }
}

LinkChannel *LinkSession::activeChannel() const
{
    LinkService *service = serviceFor(openType);
    return service ? &service->linkChannel() : nullptr;
}

void LinkSession::openSerial(const SerialSettings &settings)
{
    LinkTarget target;
    target.type = LinkSerial;
    target.serial = settings;
    open(target);
}

void LinkSession::openTcpClient(const QString &localIp, const QString &remoteIp, const QString &remotePort)
{
    LinkTarget target;
    target.type = LinkTcpClient;
    target.localIp = localIp;
    target.remoteIp = remoteIp;
    target.remotePort = remotePort;
    open(target);
}

void LinkSession::openWithoutTransport(quint32 type)
{
    closeLink();
    openType = type;
}

void LinkSession::open(const LinkTarget &target)
{
    if (!threadFor(target.type))
        return;
    beginLink(target.type);
    dial(target);
}

void LinkSession::beginLink(quint32 type)
{
    closeLink();
    openType = type;
    threadFor(type)->start();
}

void LinkSession::dial(const LinkTarget &target)
{
    current = target;
    if (target.type == LinkSerial) {
        linkAddress = target.serial.portName;
        linkBaudRate = target.serial.baudRate;
    } else {
        linkAddress = target.remoteIp + QLatin1Char(':') + target.remotePort;
        linkBaudRate.clear();
    }
    renewRelay();
    if (target.type == LinkSerial) {
        ServiceSerialPort *service = serial.get();
        const SerialSettings settings = target.serial;
        QMetaObject::invokeMethod(
            service,
            [service, settings] {
                service->SLT_SyncConnect_SerialPort(settings.portName, settings.baudRate, settings.dataBits,
                                                    settings.parity, settings.stopBits, settings.flowControl);
            },
            Qt::QueuedConnection);
        return;
    }
    ServiceTcpClient *service = tcp.get();
    QMetaObject::invokeMethod(
        service,
        [service, target] {
            service->SLT_SyncConnect_TcpClient(target.localIp, target.remoteIp, target.remotePort);
        },
        Qt::QueuedConnection);
}

void LinkSession::hangUp()
{
    renewRelay();
    if (openType == LinkSerial)
        QMetaObject::invokeMethod(serial.get(), &ServiceSerialPort::SLT_SyncDisconnect_SerialPort,
                                  Qt::QueuedConnection);
    else if (openType == LinkTcpClient)
        QMetaObject::invokeMethod(tcp.get(), &ServiceTcpClient::SLT_SyncDisconnect_TcpClient,
                                  Qt::QueuedConnection);
}

void LinkSession::renewRelay()
{
    // The commands of the connection given up went with it.
    endPendingReplies();
    ++generation;
    receivedLines.clear();
    deliveryPosted = false;
    pauseTicker.stop();
    dropRelay();
    if (LinkService *service = serviceFor(openType))
        relayFrom(service, openType);
}

void LinkSession::followRestart(const QList<LinkTarget> &targets)
{
    if (openType != LinkNone)
        follower->start(targets);
}

void LinkSession::followRestartAfterLastCommand(const QList<LinkTarget> &targets)
{
    if (openType != LinkNone)
        follower->startAfter(lastQueued, targets);
}

void LinkSession::setRestartLimit(int ms)
{
    follower->setLimit(ms);
}

void LinkSession::setReplyTimeoutLimit(int ms)
{
    replyTimeoutLimitMs = quint32(std::max(ms, 0));
}

void LinkSession::setPauseLimit(int ms)
{
    pauseLimitMs = quint32(std::max(ms, 0));
}

void LinkSession::closeLink()
{
    const quint32 type = openType;
    openType = LinkNone;
    model.forget();
    holding = false;
    for (const HeldRequest &request : std::exchange(held, {}))
        request.reply->finish(LinkReply::Outcome::LinkEnded);
    endPendingReplies();
    ++generation;
    follower->stop();
    pauseTicker.stop();
    receivedLines.clear();
    deliveryPosted = false;
    dropRelay();
    QThread *thread = threadFor(type);
    if (!thread)
        return;
    LinkService *service = serviceFor(type);
    // Quitting also ends the send step's gap and any other local event loop of the thread; otherwise the
    // thread is busy at most for a connect attempt (500 ms), unless the system holds it (a serial port that
    // does not close). The window does not wait for that: the link is closed all the same.
    thread->quit();
    if (!thread->wait(CloseWaitMs)) {
        takeTraffic(service);
        retireWorker(type);
        emit SGL_LinkClosed(type);
        return;
    }
    // A request the thread never got to (the link was closed right after it was opened) belongs to the
    // closed link and must not run when the thread is started for the next one.
    QCoreApplication::removePostedEvents(service, QEvent::MetaCall);
    // Nor is anything queued for it written on the next one (commands queued while it was still opening).
    service->discardQueued();
    // What the closed link did last still belongs in the log.
    takeTraffic(service);
    emit SGL_LinkClosed(type);
}

void LinkSession::dropRelay()
{
    if (!relay)
        return;
    // Reports already on their way to the relay belong to the connection that is given up. The relay is a
    // child of the session: reports a retired transport still sends never outlive the session.
    QCoreApplication::removePostedEvents(relay, QEvent::MetaCall);
    relay->deleteLater();
    relay = nullptr;
}

template <class Sender, class Signal, class Handler>
void LinkSession::relaySignal(Sender *sender, Signal signal, Handler handler)
{
    const quint64 linkGeneration = generation;
    connect(sender, signal, relay, [this, linkGeneration, handler](auto... arguments) {
        if (linkGeneration == generation)
            handler(arguments...);
    });
}

void LinkSession::relayFrom(LinkService *service, quint32 type)
{
    relay = new QObject(this);
    relaySignal(service, &LinkService::SGL_PauseStarted, [this, type](int ms) { startPause(type, ms); });
    relaySignal(service, &LinkService::SGL_PauseEnded, [this, type] { endPause(type); });
    relaySignal(service, &LinkService::SGL_CommandsEnded,
                [this, type] { takeCommandEnds(serviceFor(type)); });
    relaySignal(service, &LinkService::SGL_LinkLost, [this, type](int code, const QString &reason) {
        endPendingReplies();
        if (!follower->takeLoss())
            emit SGL_LinkLost(type, code, reason);
    });
    const auto connectStatus = [this, type](bool status, int code, const QString &reason, bool localCause) {
        if (!follower->takeConnectStatus(status))
            emit SGL_ConnectStatus(type, status, code, reason, localCause);
    };
    const auto lineSent = [this, type](const QString &text) {
        takeTraffic(serviceFor(type));
        follower->lineSent(text);
        emit SGL_LineSent(type, text);
    };
    const auto replyTimeout = [this, type](const QString &cmd) {
        takeTraffic(serviceFor(type));
        if (!follower->takeReplyTimeout())
            emit SGL_ReplyTimeout(type, cmd);
    };
    const auto linesArrived = [this, type] { takeReceivedLines(type); };
    if (type == LinkSerial) {
        ServiceSerialPort *port = serial.get();
        relaySignal(port, &ServiceSerialPort::SGL_ConnectStatus_SerialPort,
                    [connectStatus](bool status, int code, const QString &reason) {
                        connectStatus(status, code, reason, false);
                    });
        relaySignal(port, &ServiceSerialPort::SGL_UpdateSendData_SerialPort, lineSent);
        relaySignal(port, &ServiceSerialPort::SGL_UpdateRecvData_SerialPort, linesArrived);
        relaySignal(port, &ServiceSerialPort::SGL_WaitReplyTimeout_SerialPort, replyTimeout);
        return;
    }
    ServiceTcpClient *client = tcp.get();
    relaySignal(client, &ServiceTcpClient::SGL_ConnectStatus_TcpClient, connectStatus);
    relaySignal(client, &ServiceTcpClient::SGL_UpdateSendData_TcpClient, lineSent);
    relaySignal(client, &ServiceTcpClient::SGL_UpdateRecvData_TcpClient, linesArrived);
    relaySignal(client, &ServiceTcpClient::SGL_WaitReplyTimeout_TcpClient, replyTimeout);
}

void LinkSession::takeTraffic(LinkService *service)
{
    std::deque<TrafficRecord> records = ::takeTraffic(&service->linkChannel());
    if (records.empty())
        return;
    for (TrafficRecord &record : records)
        ring.append(std::move(record));
    emit SGL_TrafficRecorded();
}

void LinkSession::setTrafficRecording(bool on)
{
    recording = on;
    serial->linkChannel().recordTraffic = on;
    tcp->linkChannel().recordTraffic = on;
}

void LinkSession::takeReceivedLines(quint32 type)
{
    // Cleared before the lines are taken: a line appended after this takes comes with a notice of its own.
    serviceFor(type)->linkChannel().lineNoticePending = false;
    // A delivery already waiting for its turn takes them then; one under way (a handler of a line waits in a
    // message box) goes on with them when it is back.
    if (!deliveryPosted && !delivering)
        deliverLines(type);
}

bool LinkSession::refillLines(quint32 type)
{
    LinkChannel &channel = serviceFor(type)->linkChannel();
    // Never wait for the transport: lines it is appending right now come with its next notice.
    if (!channel.recvLock.tryLock(0))
        return false;
    std::deque<QueueEntry> lines = takeAllEntries(&channel.recvQueue);
    channel.recvLock.unlock();
    // The log before the lines: the transport records a line before it queues it, so the records of every
    // line taken here are there now, and a handler of a line may look up the command it answered.
    takeTraffic(serviceFor(type));
    for (QueueEntry &entry : lines)
        receivedLines.push_back(std::move(entry));
    return !receivedLines.empty();
}

void LinkSession::deliverLines(quint32 type)
{
    // Lines are taken from the transport only once those taken before are reported: while the GUI thread
    // cannot keep up with a device, they wait in the transport's bounded queue, not here.
    const quint64 linkGeneration = generation;
    QElapsedTimer turn;
    turn.start();
    bool inTime = true;
    // Lines are applied one after another in the order they came, never one inside the handling of another.
    const QScopedValueRollback<bool> deliveringNow(delivering, true);
    while ((inTime = turn.nsecsElapsed() < DeliveryTurnNs) && (!receivedLines.empty() || refillLines(type))) {
        const QueueEntry entry = std::move(receivedLines.front());
        receivedLines.pop_front();
        if (follower->takeLine(entry.data))
            continue;
        const auto answered = pending.find(entry.answers);
        if (answered == pending.end())
            model.applyLine(entry.data);
        else
            model.applyLine(entry.data, answered->second->request(), answered->second->isWatch());
        emit SGL_LineReceived(type, entry.data);
        if (linkGeneration == generation)
            finishReply(entry.answers, LinkReply::Outcome::Answered, entry.data, entry.roundTripUs);
        // A handler of the line or its reply may have closed this link; its remaining lines went with it.
        if (linkGeneration != generation)
            return;
    }
    if (inTime || deliveryPosted)
        return;
    // The rest in the next turn of the event loop, after what else waits there.
    deliveryPosted = true;
    QMetaObject::invokeMethod(
        relay,
        [this, type] {
            deliveryPosted = false;
            deliverLines(type);
        },
        Qt::QueuedConnection);
}

void LinkSession::startPause(quint32 type, int ms)
{
    pauseDeadline.setRemainingTime(ms);
    emit SGL_PauseStarted(type, ms);
    emit SGL_PauseLeft(type, wholeSeconds(ms));
    pauseTicker.start();
}

void LinkSession::tickPause()
{
    const qint64 left = pauseDeadline.remainingTime();
    if (left > 0)
        emit SGL_PauseLeft(openType, wholeSeconds(left));
    else
        pauseTicker.stop();
}

void LinkSession::endPause(quint32 type)
{
    pauseTicker.stop();
    emit SGL_PauseEnded(type);
    follower->pauseEnded();
}

LinkReply *LinkSession::send(const Request &request)
{
    if (request.isNull())
        return nullptr;
    auto *reply = new LinkReply(++lastCommandId, request.line, request.watch, this);
    if (holding && openType != LinkNone) {
        held.push_back({request, reply});
        return reply;
    }
    if (!queueCommand(request, reply->id(), reply))
        QMetaObject::invokeMethod(
            reply, [reply] { reply->finish(LinkReply::Outcome::LinkEnded); }, Qt::QueuedConnection);
    else if (!request.watch)
        withdrawWatchReads();
    return reply;
}

void LinkSession::withdrawWatchReads()
{
    LinkChannel *channel = activeChannel();
    if (!channel)
        return;
    const auto isWatchRead = [this](const QueueEntry &entry) {
        const auto it = pending.find(entry.id);
        return it != pending.end() && it->second->isWatch();
    };
    std::vector<quint64> withdrawn;
    {
        QMutexLocker locker(&channel->sendLock);
        std::deque<QueueEntry> &entries = channel->sendQueue.entries;
        const auto reads = std::stable_partition(
            entries.begin(), entries.end(), [&](const QueueEntry &entry) { return !isWatchRead(entry); });
        for (auto it = reads; it != entries.end(); ++it)
            withdrawn.push_back(it->id);
        entries.erase(reads, entries.end());
        channel->sendQueue.lengthChanged();
    }
    // The operator's request now waits in the read's gap; the watch reads it again once the link is idle.
    for (const quint64 id : withdrawn)
        finishReply(id, LinkReply::Outcome::Dropped);
}

bool LinkSession::queueCommand(const Request &request, quint64 id, LinkReply *reply)
{
    LinkChannel *channel = activeChannel();
    if (!channel || request.isNull())
        return false;
    if (id == 0)
        id = ++lastCommandId;
    ReplyRule rule = request.rule;
    rule.timeoutMs = std::min(rule.timeoutMs, replyTimeoutLimitMs);
    rule.waitMs = std::min(rule.waitMs, pauseLimitMs);
    quint64 dropped = 0;
    if (!enqueueEntry(request.line, &rule, 0, &channel->sendLock, &channel->sendQueue, id, &dropped))
        return false;
    lastQueued = request.line;
    if (reply)
        pending[id] = reply;
    emit SGL_RequestQueued(id, request.line);
    if (dropped != 0 && !overflowReported)
        emit SGL_CommandsDropped(openType);
    overflowReported = dropped != 0;
    finishReply(dropped, LinkReply::Outcome::Dropped);
    requestSend();
    return true;
}

void LinkSession::holdQueued()
{
    LinkChannel *channel = activeChannel();
    if (!channel)
        return;
    std::deque<QueueEntry> queued;
    {
        QMutexLocker locker(&channel->sendLock);
        queued = takeAllEntries(&channel->sendQueue);
    }
    for (QueueEntry &entry : queued) {
        const auto it = pending.find(entry.id);
        if (it == pending.end())
            continue;
        LinkReply *reply = it->second;
        pending.erase(it);
        // A watch read is of no use after the restart: the device is read anew.
        if (reply->isWatch())
            reply->finish(LinkReply::Outcome::LinkEnded);
        else
            held.push_back({Request{entry.data, entry.rule}, reply});
    }
}

void LinkSession::releaseHeld()
{
    // A restart that began meanwhile holds them on.
    if (holding)
        return;
    for (const HeldRequest &request : std::exchange(held, {})) {
        if (!queueCommand(request.request, request.reply->id(), request.reply))
            request.reply->finish(LinkReply::Outcome::LinkEnded);
    }
}

QList<QByteArray> LinkSession::heldRequests() const
{
    QList<QByteArray> lines;
    for (const HeldRequest &request : held)
        lines << request.request.line;
    return lines;
}

void LinkSession::addNote(const QString &text)
{
    if (!recording)
        return;
    ring.append(stampedRecord(TrafficRecord::Note, text.toUtf8()));
    emit SGL_TrafficRecorded();
}

void LinkSession::takeCommandEnds(LinkService *service)
{
    for (const CommandEnd &end : ::takeCommandEnds(&service->linkChannel()))
        finishReply(end.id, end.kind == CommandEnd::Written ? LinkReply::Outcome::Written
                                                            : LinkReply::Outcome::TimedOut);
}

void LinkSession::finishReply(quint64 id, LinkReply::Outcome outcome, const QByteArray &line,
                              qint32 roundTripUs)
{
    const auto it = pending.find(id);
    if (it == pending.end())
        return;
    LinkReply *reply = it->second;
    pending.erase(it);
    reply->finish(outcome, line, roundTripUs);
    if (pending.empty())
        emit SGL_Idle();
}

void LinkSession::endPendingReplies()
{
    std::map<quint64, LinkReply *> ended;
    ended.swap(pending);
    for (const auto &entry : ended)
        entry.second->finish(LinkReply::Outcome::LinkEnded);
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

int LinkSession::queuedCount() const
{
    // Without the lock: a transport that finds it taken skips its send attempt.
    const LinkChannel *channel = activeChannel();
    return channel ? channel->sendQueue.length.load() : 0;
}
