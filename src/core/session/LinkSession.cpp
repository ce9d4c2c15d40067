#include "session/LinkSession.h"

#include "link/LinkIoPool.h"
#include "link/LinkTransport.h"
#include "link/SerialLinkPort.h"
#include "link/TcpLinkPort.h"
#include "protocol/Catalogue.h"
#include "session/RestartFollower.h"

#include <QElapsedTimer>
#include <QScopedValueRollback>

#include <algorithm>
#include <utility>

namespace {
// How long received lines are reported in one turn of the event loop before the rest wait for the next.
constexpr qint64 DeliveryTurnNs = 20 * 1000 * 1000;
constexpr int CountdownTickMs = 1000;
} // namespace

LinkSession::LinkSession(QObject *parent) : QObject(parent), watcher(std::make_unique<DeviceWatch>(*this))
{
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
    transport = new LinkTransport(this);
    transport->setRecording(recording);
}

template <typename Step> void LinkSession::toLink(Step step)
{
    if (!transport)
        return;
    LinkTransport *link = transport;
    QMetaObject::invokeMethod(
        link, [link, step = std::move(step)] { step(*link); }, Qt::AutoConnection);
}

void LinkSession::open(const LinkTarget &target)
{
    if (target.type != LinkSerial && target.type != LinkTcpClient)
        return;
    closeLink();
    openType = target.type;
    dial(target);
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
    dropTransport();
    // On a link thread the transport has no parent: it ends there, deleted later by that thread.
    transport = new LinkTransport(linkThread ? nullptr : this);
    if (linkThread)
        transport->moveToThread(linkThread->thread());
    transport->setRecording(recording);
    wireTransport(openType);
    // The port is made on the transport's thread, whose sockets and timers it uses.
    toLink([target](LinkTransport &link) {
        if (target.type == LinkSerial)
            link.open(new SerialLinkPort(target.serial));
        else
            link.open(new TcpLinkPort(target.localIp, target.remoteIp, target.remotePort));
    });
}

void LinkSession::hangUp()
{
    dropTransport();
}

void LinkSession::dropTransport()
{
    // It still reports its last traffic records (on another thread: later), nothing else.
    toLink([](LinkTransport &link) { link.close(); });
    LinkTransport *ended = std::exchange(transport, nullptr);
    ++generation;
    queued.clear();
    transportEnded = false;
    receivedLines.clear();
    deliveryPosted = false;
    pauseTicker.stop();
    // It may be in the middle of reporting to this session.
    if (ended)
        ended->deleteLater();
    // The commands of the connection given up went with it; a request a receiver of their end sends now
    // ends at once, as without a link.
    endPendingReplies();
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

int LinkSession::restartLimit() const
{
    return follower->limit();
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
    follower->stop();
    dropTransport();
    if (type != LinkNone)
        emit SGL_LinkClosed(type);
}

void LinkSession::wireTransport(quint32 type)
{
    LinkTransport *link = transport;
    // Reports of a link the session has since closed are dropped; its traffic records are not.
    const quint64 linkGeneration = generation;
    const auto current = [this, linkGeneration] { return linkGeneration == generation; };
    // A link that failed to open or was lost takes no more commands; those it held went with it.
    const auto gone = [this] {
        transportEnded = true;
        queued.clear();
    };
    connect(link, &LinkTransport::trafficRecorded, this, &LinkSession::appendTraffic);
    connect(link, &LinkTransport::pauseStarted, this, [this, type, current](int ms) {
        if (current())
            startPause(type, ms);
    });
    connect(link, &LinkTransport::pauseEnded, this, [this, type, current] {
        if (current())
            endPause(type);
    });
    connect(link, &LinkTransport::commandEnded, this, [this, current](quint64 id, bool timedOut) {
        if (current())
            finishReply(id, timedOut ? LinkReply::Outcome::TimedOut : LinkReply::Outcome::Written);
    });
    connect(link, &LinkTransport::lost, this, [this, type, current, gone](int code, const QString &reason) {
        if (!current())
            return;
        gone();
        endPendingReplies();
        if (!follower->takeLoss())
            emit SGL_LinkLost(type, code, reason);
    });
    connect(link, &LinkTransport::opened, this,
            [this, type, current, gone](bool status, int code, const QString &reason, bool localCause) {
                if (!current())
                    return;
                if (!status)
                    gone();
                if (!follower->takeConnectStatus(status))
                    emit SGL_ConnectStatus(type, status, code, reason, localCause);
            });
    connect(link, &LinkTransport::written, this, [this, type, current](quint64 id, const QString &text) {
        if (!current())
            return;
        const auto it = std::find_if(queued.begin(), queued.end(),
                                     [id](const QueueEntry &entry) { return entry.id == id; });
        if (it != queued.end())
            queued.erase(it);
        follower->lineSent(text);
        emit SGL_LineSent(type, text);
    });
    connect(link, &LinkTransport::replyTimedOut, this, [this, type, current](const QString &cmd) {
        if (current() && !follower->takeReplyTimeout())
            emit SGL_ReplyTimeout(type, cmd);
    });
    connect(link, &LinkTransport::linesArrived, this, [this, type, current](const ReceivedLines &lines) {
        if (!current())
            return;
        receivedLines.insert(receivedLines.end(), lines.begin(), lines.end());
        takeReceivedLines(type);
    });
}

void LinkSession::appendTraffic(const std::deque<TrafficRecord> &records)
{
    if (records.empty())
        return;
    for (const TrafficRecord &record : records)
        ring.append(TrafficRecord(record));
    emit SGL_TrafficRecorded();
}

void LinkSession::setTrafficRecording(bool on)
{
    recording = on;
    toLink([on](LinkTransport &link) { link.setRecording(on); });
}

void LinkSession::takeReceivedLines(quint32 type)
{
    // A delivery already waiting for its turn takes them then; one under way (a handler of a line waits in a
    // message box) goes on with them when it is back.
    if (!deliveryPosted && !delivering)
        deliverLines(type);
}

bool LinkSession::refillLines()
{
    // A transport on this thread hands them over at once, one on a link thread with a later report.
    toLink([](LinkTransport &link) { link.wantLines(); });
    return !receivedLines.empty();
}

void LinkSession::deliverLines(quint32 type)
{
    // The transport hands on more lines only once those handed before are reported: while the session's
    // receivers cannot keep up with a device, they wait in the transport's bounded queue, not here.
    const quint64 linkGeneration = generation;
    QElapsedTimer turn;
    turn.start();
    bool inTime = true;
    // Lines are applied one after another in the order they came, never one inside the handling of another.
    const QScopedValueRollback<bool> deliveringNow(delivering, true);
    while ((inTime = turn.nsecsElapsed() < DeliveryTurnNs) && (!receivedLines.empty() || refillLines())) {
        const ReceivedLine entry = std::move(receivedLines.front());
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
        this,
        [this, type, linkGeneration] {
            // A link closed meanwhile took its lines with it.
            if (linkGeneration != generation)
                return;
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
    const auto isWatchRead = [this](const QueueEntry &entry) {
        const auto it = pending.find(entry.id);
        return it != pending.end() && it->second->isWatch();
    };
    const auto reads = std::stable_partition(queued.begin(), queued.end(),
                                             [&](const QueueEntry &entry) { return !isWatchRead(entry); });
    std::vector<quint64> withdrawn;
    for (auto it = reads; it != queued.end(); ++it)
        withdrawn.push_back(it->id);
    queued.erase(reads, queued.end());
    if (withdrawn.empty())
        return;
    withdraw(withdrawn);
    // The operator's request now waits in the read's gap; the watch reads it again once the link is idle.
    for (const quint64 id : withdrawn)
        finishReply(id, LinkReply::Outcome::Dropped);
}

void LinkSession::withdraw(std::vector<quint64> ids)
{
    toLink([ids = std::move(ids)](LinkTransport &link) { link.withdraw(ids); });
}

bool LinkSession::queueCommand(const Request &request, quint64 id, LinkReply *reply)
{
    if (!transport || transportEnded || request.isNull())
        return false;
    if (id == 0)
        id = ++lastCommandId;
    ReplyRule rule = request.rule;
    rule.timeoutMs = std::min(rule.timeoutMs, replyTimeoutLimitMs);
    rule.waitMs = std::min(rule.waitMs, pauseLimitMs);
    quint64 dropped = 0;
    if (queued.size() >= std::size_t(MaxQueuedEntries)) {
        dropped = queued.front().id;
        queued.pop_front();
        withdraw({dropped});
    }
    // A deep copy: the line may wrap the caller's buffer (QByteArray::fromRawData), which the caller may
    // overwrite after the call, while the link (perhaps on another thread) still has to write it.
    queued.push_back({QByteArray(request.line.constData(), request.line.size()), rule, id});
    toLink([entry = queued.back()](LinkTransport &link) { link.enqueue(entry); });
    lastQueued = queued.back().data;
    if (reply)
        pending[id] = reply;
    emit SGL_RequestQueued(id, request.line);
    if (dropped != 0 && !overflowReported)
        emit SGL_CommandsDropped(openType);
    overflowReported = dropped != 0;
    finishReply(dropped, LinkReply::Outcome::Dropped);
    return true;
}

void LinkSession::holdQueued()
{
    std::vector<quint64> ids;
    for (QueueEntry &entry : std::exchange(queued, {})) {
        ids.push_back(entry.id);
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
    if (!ids.empty())
        withdraw(std::move(ids));
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

void LinkSession::finishReply(quint64 id, LinkReply::Outcome outcome, const QByteArray &line,
                              qint32 roundTripUs)
{
    const auto it = pending.find(id);
    if (it == pending.end())
        return;
    LinkReply *reply = it->second;
    pending.erase(it);
    reply->finish(outcome, line, roundTripUs);
    emit SGL_RequestEnded(outcome, roundTripUs);
    if (pending.empty())
        emit SGL_Idle();
}

void LinkSession::endPendingReplies()
{
    std::map<quint64, LinkReply *> ended;
    ended.swap(pending);
    for (const auto &entry : ended) {
        entry.second->finish(LinkReply::Outcome::LinkEnded);
        emit SGL_RequestEnded(LinkReply::Outcome::LinkEnded, 0);
    }
}

std::deque<QByteArray> LinkSession::queuedCommands()
{
    std::deque<QByteArray> commands;
    for (const QueueEntry &entry : queued)
        commands.push_back(entry.data);
    return commands;
}

int LinkSession::queuedCount() const
{
    return int(queued.size());
}
