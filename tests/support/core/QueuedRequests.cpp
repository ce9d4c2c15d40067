#include "QueuedRequests.h"

#include "link/LinkChannel.h"

#include <QMutexLocker>

QByteArrayList takeQueuedRequests(LinkChannel &channel, QList<ReplyRule> *rules)
{
    QMutexLocker locker(&channel.sendLock);
    QByteArrayList requests;
    for (const QueueEntry &entry : takeAllEntries(&channel.sendQueue)) {
        requests << entry.data;
        if (rules)
            rules->append(entry.rule);
    }
    return requests;
}
