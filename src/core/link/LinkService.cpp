#include "link/LinkService.h"

#include "protocol/ByteHelpers.h"

#include <QEventLoop>
#include <QIODevice>
#include <QMetaObject>
#include <QMutexLocker>

#include <climits>
#include <cstring>
#include <utility>

namespace {
// Gap before every write, so that the device has finished with the previous reply.
constexpr int SendGapMs = 50;
constexpr char CarriageReturn = '\r';
} // namespace

LinkService::LinkService() : gapBeforeWriteMs(SendGapMs)
{
    openChannel(&channel);
}

LinkService::~LinkService()
{
    closeChannel(&channel);
}

LinkService::ActiveScope::ActiveScope(LinkService &owner) : service(owner)
{
    ++service.activeDepth;
}

LinkService::ActiveScope::~ActiveScope()
{
    if (--service.activeDepth == 0 && service.linkChangePending()) {
        // Run the held-back connect or disconnect from the event loop, where neither the device nor a timer
        // is in the middle of emitting a signal.
        LinkService *owner = &service;
        QMetaObject::invokeMethod(
            owner, [owner] { owner->runDeferredChanges(); }, Qt::QueuedConnection);
    }
}

QTimer *LinkService::newSingleShotTimer()
{
    auto *timer = new QTimer;
    timer->setSingleShot(true);
    // Coarse timers may fire a little early; reply time-outs and pauses are lower bounds for the device.
    timer->setTimerType(Qt::PreciseTimer);
    return timer;
}

void LinkService::deleteTimers()
{
    delete matchTimer;
    matchTimer = nullptr;
    delete waitTimer;
    waitTimer = nullptr;
}

void LinkService::beginLink()
{
    openChannel(&channel);
    connected = 1;
    waitingReply = 0;
    pausing = 0;
    ++generation;
}

void LinkService::haltLink()
{
    connected = 0;
    if (matchTimer)
        matchTimer->stop();
    if (waitTimer)
        waitTimer->stop();
    waitingReply = 0;
    pausing = 0;
    ++generation;
}

void LinkService::loseLink(int errorCode, const QString &reason)
{
    if (!connected)
        return;
    haltLink();
    emit SGL_LinkLost(errorCode, reason);
}

void LinkService::endLink()
{
    haltLink();
    deleteTimers();
    lastCommand.clear();
    closeChannel(&channel);
}

void LinkService::runLinkChange(std::function<void()> change)
{
    if (activeDepth > 0) {
        deferredChanges.push_back(std::move(change));
        if (gapLoop)
            gapLoop->quit();
        return;
    }
    runDeferredChanges();
    change();
}

void LinkService::runDeferredChanges()
{
    if (activeDepth > 0)
        return;
    while (!deferredChanges.empty()) {
        std::function<void()> change = std::move(deferredChanges.front());
        deferredChanges.erase(deferredChanges.begin());
        change();
    }
}

bool LinkService::delayWithEvents(int ms)
{
    QEventLoop loop;
    QTimer gap;
    gap.setSingleShot(true);
    gap.setTimerType(Qt::PreciseTimer);
    connect(&gap, &QTimer::timeout, &loop, &QEventLoop::quit);
    gapLoop = &loop;
    gap.start(ms);
    loop.exec();
    gapLoop = nullptr;
    return !gap.isActive();
}

bool LinkService::hasQueuedCommand()
{
    // Read without the lock, never waiting for the GUI thread. Giving up when the lock is taken is no answer:
    // the GUI thread also holds it without queuing (to look at the queue, or to take entries back), and then
    // no further request to send would come.
    return channel.sendQueue.length.load() > 0;
}

void LinkService::sendStep()
{
    // A request that comes while a step waits in its gap is served by that step.
    if (!connected || linkChangePending() || sendStepRunning || waitingReply || pausing || !hasQueuedCommand())
        return;
    ActiveScope scope(*this);
    const quint32 linkGeneration = generation;
    // The queue is not locked during the gap: the GUI thread can queue at any time without waiting.
    sendStepRunning = true;
    const bool gapCompleted = delayWithEvents(gapBeforeWriteMs);
    sendStepRunning = false;
    const auto linkStillFree = [&] {
        return connected && generation == linkGeneration && !linkChangePending() && !waitingReply && !pausing;
    };
    if (!gapCompleted || !linkStillFree())
        return;
    // Bytes that came in before this write are processed now, against what was in flight when they came.
    receiveAvailable();
    if (!linkStillFree())
        return;
    QueueEntry entry;
    {
        QMutexLocker locker(&channel.sendLock);
        if (channel.sendQueue.isEmpty())
            return;
        entry = std::move(channel.sendQueue.entries.front());
        popFrontEntry(&channel.sendQueue);
    }
    writeEntry(entry);
}

void LinkService::writeEntry(const QueueEntry &entry)
{
    const QByteArray &bytes = entry.data;
    channel.currentRule = entry.rule;
    QIODevice *device = linkDevice();
    if (device && device->isOpen())
        device->write(bytes);
    TrafficRecord written = stampedRecord(TrafficRecord::Written, bytes);
    written.commandId = entry.id;
    inFlightCommand = bytes;
    inFlightId = entry.id;
    writtenAtUs = written.monotonicUs;
    if (channel.recordTraffic)
        recordTraffic(std::move(written));
    announceSentData(Latin1Text(bytes.constData(), quint32(bytes.size())));
    const ReplyRule &rule = channel.currentRule;
    if (rule.reportTimeout && rule.expectReply)
        lastCommand = BytesToText(bytes.constData(), quint32(bytes.size()));
    else
        lastCommand = QString();
    if (rule.expectReply) {
        matchTimer->start(int(qMin<quint32>(rule.timeoutMs, INT_MAX)));
        waitingReply = 1;
    } else {
        noteCommandEnd(&channel, entry.id, CommandEnd::Written);
        emit SGL_CommandsEnded();
        waitTimer->start(int(qMin<quint32>(rule.waitMs, INT_MAX)));
        pausing = 1;
        pauseAnnounced = rule.waitMs > 0;
        if (pauseAnnounced)
            emit SGL_PauseStarted(int(qMin<quint32>(rule.waitMs, INT_MAX)));
    }
}

void LinkService::receiveAvailable()
{
    if (!connected || linkChangePending() || receiving)
        return;
    ActiveScope scope(*this);
    receiving = true;
    const quint32 linkGeneration = generation;
    while (connected && generation == linkGeneration && !linkChangePending()) {
        QIODevice *device = linkDevice();
        if (!device || !device->isOpen() || device->bytesAvailable() <= 0)
            break;
        processChunk(device->readAll());
    }
    receiving = false;
    // Every line read so far has been matched against the command in flight when it came; only now may the
    // next command go (its gap lets further bytes in, and they meet no command in flight). The lines are
    // announced after that write, with one notice for all of them unless one is still waiting to be seen.
    const bool release = releasePending;
    const bool announce = std::exchange(linesToAnnounce, false);
    releasePending = false;
    if (release && connected && generation == linkGeneration)
        announceTryCheckSend();
    if (announce && !channel.lineNoticePending.exchange(true))
        announceReceivedLine();
}

void LinkService::processChunk(const QByteArray &chunk)
{
    const int size = chunk.size();
    int i = 0;
    // Control bytes at the start of a chunk (typically the LF of the previous line's CR LF) are dropped; the
    // rest of the chunk is kept.
    while (i < size && uchar(chunk[i]) < 0x20 && chunk[i] != CarriageReturn)
        ++i;
    // When the line waiting in the buffer cannot take the chunk's first line (up to its CR, or the whole
    // chunk) without growing past the buffer, the waiting bytes are dropped and the chunk starts a new line:
    // unended noise must not cost the reply that follows it.
    if (channel.lineLength > 0 && !channel.skippingOverlongLine) {
        const int firstEnd = chunk.indexOf(CarriageReturn, i);
        const int firstLine = (firstEnd < 0 ? size : firstEnd + 1) - i;
        if (channel.lineLength + quint32(firstLine) > quint32(LineBufferSize))
            clearLineBuffer();
    }
    for (; i < size; ++i) {
        const char byte = chunk[i];
        if (channel.skippingOverlongLine) {
            // The rest of a line that did not fit is discarded up to and including its CR.
            if (byte == CarriageReturn)
                channel.skippingOverlongLine = false;
            continue;
        }
        if (channel.lineLength == quint32(LineBufferSize)) {
            clearLineBuffer();
            channel.skippingOverlongLine = byte != CarriageReturn;
            continue;
        }
        channel.lineBuffer[channel.lineLength++] = byte;
        if (byte == CarriageReturn)
            completeLine();
    }
}

void LinkService::completeLine()
{
    const QByteArray line(channel.lineBuffer, int(channel.lineLength));
    const bool record = channel.recordTraffic;
    TrafficRecord received = record ? stampedRecord(TrafficRecord::Received, line) : TrafficRecord();
    const bool released = waitingReply && lineMatchesCurrentRule();
    const qint32 roundTripUs = released ? qint32(qMin<qint64>(monotonicNowUs() - writtenAtUs, INT_MAX)) : 0;
    if (released) {
        // One release per command: later lines, also of this chunk, meet no command in flight.
        waitingReply = 0;
        matchTimer->stop();
        channel.currentRule.expectReply = 0;
        releasePending = true;
        received.command = inFlightCommand;
        received.commandId = inFlightId;
        received.roundTripUs = record ? qint32(qMin<qint64>(received.monotonicUs - writtenAtUs, INT_MAX)) : 0;
    }
    if (record)
        recordTraffic(std::move(received));
    enqueueLine(line, released ? inFlightId : 0, roundTripUs, &channel.recvLock, &channel.recvQueue);
    linesToAnnounce = true;
    clearLineBuffer();
}

void LinkService::recordTraffic(TrafficRecord &&record)
{
    appendTraffic(&channel, std::move(record));
}

bool LinkService::lineMatchesCurrentRule() const
{
    const ReplyRule &rule = channel.currentRule;
    if (!rule.expectReply)
        return false;
    const quint32 slotCount = qMin<quint32>(rule.keywordCount, 2);
    for (quint32 slot = 0; slot < slotCount; ++slot) {
        const quint32 keywordLength = rule.keywordLength(int(slot));
        if (channel.lineLength < keywordLength)
            continue;
        if (rule.acceptAnyLine ||
            FindWholeWords(channel.lineBuffer, channel.lineLength, rule.keyword[slot].constData(), keywordLength))
            return true;
    }
    return false;
}

void LinkService::clearLineBuffer()
{
    std::memset(channel.lineBuffer, 0, sizeof channel.lineBuffer);
    channel.lineLength = 0;
}

void LinkService::discardQueued()
{
    for (auto [lock, queue] : {std::pair{&channel.sendLock, &channel.sendQueue},
                               std::pair{&channel.recvLock, &channel.recvQueue}}) {
        QMutexLocker locker(lock);
        queue->entries.clear();
        queue->lengthChanged();
    }
}

void LinkService::matchTimeout()
{
    if (!connected)
        return;
    ActiveScope scope(*this);
    if (waitingReply) {
        waitingReply = 0;
        matchTimer->stop();
        // The timed-out command's rule stops matching here, in this thread, so that a late reply can never
        // release the command that follows.
        if (channel.recordTraffic) {
            TrafficRecord record = stampedRecord(TrafficRecord::TimedOut, inFlightCommand);
            record.commandId = inFlightId;
            record.roundTripUs =
                qint32(qMin<quint64>(quint64(channel.currentRule.timeoutMs) * 1000, INT_MAX));
            recordTraffic(std::move(record));
        }
        channel.currentRule.expectReply = 0;
        noteCommandEnd(&channel, inFlightId, CommandEnd::TimedOut);
        emit SGL_CommandsEnded();
        if (!lastCommand.isEmpty())
            announceReplyTimeout(lastCommand);
    }
    announceTryCheckSend();
}

void LinkService::waitTimeout()
{
    if (!connected)
        return;
    ActiveScope scope(*this);
    if (pausing) {
        pausing = 0;
        waitTimer->stop();
        if (pauseAnnounced)
            emit SGL_PauseEnded();
        pauseAnnounced = false;
    }
    announceTryCheckSend();
}
