#include "link/LinkChannel.h"

#include <QMutexLocker>

#include <cstring>

ReplyRule defaultReplyRule(const QByteArray &keyword)
{
    ReplyRule rule;
    rule.keyword[0] = keyword;
    rule.keywordCount = 1;
    rule.expectReply = 1;
    rule.acceptAnyLine = 0;
    rule.waitMs = 0;
    rule.timeoutMs = 1000;
    rule.reportTimeout = 1;
    return rule;
}

ReplyRule pauseReplyRule(const QByteArray &keyword, quint32 waitMs)
{
    ReplyRule rule = defaultReplyRule(keyword);
    rule.expectReply = 0;
    rule.waitMs = waitMs;
    return rule;
}

namespace {
// Both channels are opened during static start-up, so commands can be queued as soon as a link exists.
LinkChannel &openedOnce(LinkChannel &channel)
{
    openChannel(&channel);
    return channel;
}
} // namespace

LinkChannel &SerialChannel()
{
    static LinkChannel channel;
    static LinkChannel &opened = openedOnce(channel);
    return opened;
}

LinkChannel &TcpChannel()
{
    static LinkChannel channel;
    static LinkChannel &opened = openedOnce(channel);
    return opened;
}

LinkChannel *channelForLinkType(quint32 linkType)
{
    switch (linkType) {
    case LinkSerial:
        return &SerialChannel();
    case LinkTcpClient:
        return &TcpChannel();
    default:
        return nullptr;
    }
}

void enqueueEntry(const QByteArray &bytes, const ReplyRule *rule, quint32 waitMs, QMutex *lock,
                  CommandQueue *queue)
{
    if (!lock || !queue || bytes.isEmpty())
        return;
    QueueEntry entry;
    // A deep copy: `bytes` may wrap the caller's buffer (QByteArray::fromRawData, a transport's line
    // buffer), which the caller overwrites after the call.
    entry.data = QByteArray(bytes.constData(), bytes.size());
    if (rule) {
        entry.rule = *rule;
    } else {
        entry.rule.expectReply = 0;
        entry.rule.waitMs = waitMs;
    }
    QMutexLocker locker(lock);
    if (!queue->present)
        return;
    queue->entries.push_back(std::move(entry));
}

void popFrontEntry(CommandQueue *queue)
{
    if (queue && !queue->entries.empty())
        queue->entries.pop_front();
}

std::deque<QueueEntry> takeAllEntries(CommandQueue *queue)
{
    std::deque<QueueEntry> taken;
    if (queue)
        taken.swap(queue->entries);
    return taken;
}

namespace {
void clearTransportState(LinkChannel *channel)
{
    channel->currentRule = ReplyRule();
    std::memset(channel->lineBuffer, 0, sizeof channel->lineBuffer);
    channel->lineLength = 0;
    channel->skippingOverlongLine = false;
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
        channel->sendQueue.present = true;
    }
    {
        QMutexLocker locker(&channel->recvLock);
        channel->recvQueue.entries.clear();
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
        channel->sendQueue.present = false;
    }
    {
        QMutexLocker locker(&channel->recvLock);
        channel->recvQueue.entries.clear();
        channel->recvQueue.present = false;
    }
    clearTransportState(channel);
}
