#include "link/LinkChannel.h"

#include <QMutexLocker>

#include <algorithm>
#include <cstring>

bool enqueueEntry(const QByteArray &bytes, const ReplyRule *rule, quint32 waitMs, QMutex *lock,
                  CommandQueue *queue, quint64 id, quint64 *dropped)
{
    if (dropped)
        *dropped = 0;
    if (!lock || !queue || bytes.isEmpty())
        return false;
    QueueEntry entry;
    // A deep copy: `bytes` may wrap the caller's buffer (QByteArray::fromRawData, a transport's line
    // buffer), which the caller overwrites after the call.
    entry.data = QByteArray(bytes.constData(), bytes.size());
    entry.id = id;
    if (rule) {
        entry.rule = *rule;
    } else {
        entry.rule.expectReply = 0;
        entry.rule.waitMs = waitMs;
    }
    QMutexLocker locker(lock);
    if (!queue->present)
        return false;
    if (queue->entries.size() >= std::size_t(MaxQueuedEntries)) {
        if (dropped)
            *dropped = queue->entries.front().id;
        queue->entries.pop_front();
    }
    queue->entries.push_back(std::move(entry));
    queue->lengthChanged();
    return true;
}

void enqueueLine(const QByteArray &line, quint64 answers, qint32 roundTripUs, QMutex *lock,
                 CommandQueue *queue)
{
    QueueEntry entry;
    entry.data = QByteArray(line.constData(), line.size());
    entry.rule.expectReply = 0;
    entry.answers = answers;
    entry.roundTripUs = roundTripUs;
    QMutexLocker locker(lock);
    if (!queue->present)
        return;
    std::deque<QueueEntry> &entries = queue->entries;
    if (entries.size() >= std::size_t(MaxQueuedLines)) {
        const auto unsolicited = std::find_if(entries.begin(), entries.end(),
                                              [](const QueueEntry &queued) { return queued.answers == 0; });
        entries.erase(unsolicited != entries.end() ? unsolicited : entries.begin());
    }
    entries.push_back(std::move(entry));
    queue->lengthChanged();
}

void popFrontEntry(CommandQueue *queue)
{
    if (queue && !queue->entries.empty()) {
        queue->entries.pop_front();
        queue->lengthChanged();
    }
}

std::deque<QueueEntry> takeAllEntries(CommandQueue *queue)
{
    std::deque<QueueEntry> taken;
    if (queue) {
        taken.swap(queue->entries);
        queue->lengthChanged();
    }
    return taken;
}

void noteCommandEnd(LinkChannel *channel, quint64 id, CommandEnd::Kind kind)
{
    if (id == 0)
        return;
    QMutexLocker locker(&channel->endLock);
    channel->ended.push_back({id, kind});
}

std::deque<CommandEnd> takeCommandEnds(LinkChannel *channel)
{
    std::deque<CommandEnd> taken;
    QMutexLocker locker(&channel->endLock);
    taken.swap(channel->ended);
    return taken;
}

void appendTraffic(LinkChannel *channel, TrafficRecord &&record)
{
    QMutexLocker locker(&channel->trafficLock);
    if (channel->traffic.size() >= std::size_t(MaxQueuedEntries))
        channel->traffic.pop_front();
    channel->traffic.push_back(std::move(record));
}

std::deque<TrafficRecord> takeTraffic(LinkChannel *channel)
{
    std::deque<TrafficRecord> taken;
    QMutexLocker locker(&channel->trafficLock);
    taken.swap(channel->traffic);
    return taken;
}

namespace {
void clearTransportState(LinkChannel *channel)
{
    channel->currentRule = ReplyRule();
    std::memset(channel->lineBuffer, 0, sizeof channel->lineBuffer);
    channel->lineLength = 0;
    channel->skippingOverlongLine = false;
    channel->lineNoticePending = false;
}
} // namespace

quint8 openChannel(LinkChannel *channel)
{
    if (!channel)
        return 0;
    if (channel->isOpen.load())
        return 1;
    channel->isOpen = 1;
    {
        QMutexLocker locker(&channel->sendLock);
        channel->sendQueue.entries.clear();
        channel->sendQueue.lengthChanged();
        channel->sendQueue.present = true;
    }
    {
        QMutexLocker locker(&channel->recvLock);
        channel->recvQueue.entries.clear();
        channel->recvQueue.lengthChanged();
        channel->recvQueue.present = true;
    }
    clearTransportState(channel);
    return 1;
}

void closeChannel(LinkChannel *channel)
{
    if (!channel || !channel->isOpen.load())
        return;
    channel->isOpen = 0;
    {
        QMutexLocker locker(&channel->sendLock);
        channel->sendQueue.entries.clear();
        channel->sendQueue.lengthChanged();
        channel->sendQueue.present = false;
    }
    {
        QMutexLocker locker(&channel->recvLock);
        channel->recvQueue.entries.clear();
        channel->recvQueue.lengthChanged();
        channel->recvQueue.present = false;
    }
    clearTransportState(channel);
}
