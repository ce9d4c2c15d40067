// Link channel queues: FIFO order, copy-in, open/close life cycle, the two separate locks and the
// non-blocking consumers.

#include "link/LinkChannel.h"

#include <QMutexLocker>
#include <QSemaphore>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

namespace {

QByteArray frontData(const CommandQueue &queue)
{
    return queue.entries.front().data;
}

// Holds `mutex` in another thread from the constructor until the destructor, so that the test thread can
// observe the lock as taken without any sleeping.
class LockHolder
{
public:
    explicit LockHolder(QMutex &mutex)
        : thread([this, &mutex] {
              mutex.lock();
              locked.release();
              release.acquire();
              mutex.unlock();
          })
    {
        locked.acquire();
    }

    ~LockHolder()
    {
        release.release();
        thread.join();
    }

private:
    QSemaphore locked;
    QSemaphore release;
    std::thread thread;
};

// The consumer side as the transports and the main window do it: give up at once if the lock is taken.
bool tryDrain(QMutex &lock, CommandQueue &queue, std::vector<QByteArray> *out)
{
    if (!lock.tryLock(0))
        return false;
    for (QueueEntry &entry : takeAllEntries(&queue))
        out->push_back(entry.data);
    lock.unlock();
    return true;
}

ReplyRule sampleRule()
{
    ReplyRule rule = defaultReplyRule("OUT HDCP");
    rule.keyword[1] = "SECOND";
    rule.keywordCount = 2;
    return rule;
}

} // namespace

class TestLinkChannel : public QObject
{
    Q_OBJECT

private slots:
    void newChannelIsClosed()
    {
        LinkChannel channel;
        QCOMPARE(channel.isOpen.load(), quint8(0));
        enqueueEntry("A\r", nullptr, 0, &channel.sendLock, &channel.sendQueue);
        QVERIFY(channel.sendQueue.isEmpty());
    }

    void openedChannelHasEmptyQueues()
    {
        LinkChannel channel;
        QCOMPARE(openChannel(&channel), quint8(1));
        QCOMPARE(channel.isOpen.load(), quint8(1));
        QVERIFY(channel.sendQueue.isEmpty());
        QVERIFY(channel.recvQueue.isEmpty());
        QCOMPARE(openChannel(nullptr), quint8(0));
    }

    void popOnEmptyQueueDoesNothing()
    {
        LinkChannel channel;
        openChannel(&channel);
        popFrontEntry(&channel.sendQueue);
        popFrontEntry(nullptr);
        QVERIFY(channel.sendQueue.isEmpty());
        QVERIFY(takeAllEntries(&channel.sendQueue).empty());
        QVERIFY(takeAllEntries(nullptr).empty());
    }

    void entriesLeaveInArrivalOrder()
    {
        LinkChannel channel;
        openChannel(&channel);
        const ReplyRule rule = sampleRule();
        for (const char *text : {"A", "B", "C"})
            enqueueEntry(text, &rule, 0, &channel.sendLock, &channel.sendQueue);
        QCOMPARE(channel.sendQueue.entries.size(), size_t(3));
        QCOMPARE(channel.sendQueue.entries.back().data, QByteArray("C"));
        for (const char *text : {"A", "B", "C"}) {
            QCOMPARE(frontData(channel.sendQueue), QByteArray(text));
            popFrontEntry(&channel.sendQueue);
        }
        QVERIFY(channel.sendQueue.isEmpty());
    }

    void entryKeepsItsRule()
    {
        LinkChannel channel;
        openChannel(&channel);
        ReplyRule rule = sampleRule();
        rule.waitMs = 10000;
        rule.expectReply = 0;
        enqueueEntry("SET RESET\r", &rule, 0, &channel.sendLock, &channel.sendQueue);
        rule.keyword[0] = "CHANGED";
        rule.waitMs = 1;
        const ReplyRule &queued = channel.sendQueue.entries.front().rule;
        QCOMPARE(queued.keyword[0], QByteArray("OUT HDCP"));
        QCOMPARE(queued.keyword[1], QByteArray("SECOND"));
        QCOMPARE(queued.keywordCount, 2u);
        QCOMPARE(queued.expectReply, quint8(0));
        QCOMPARE(queued.waitMs, 10000u);
        QCOMPARE(queued.timeoutMs, 1000u);
        QCOMPARE(queued.reportTimeout, quint8(1));
    }

    void entryCopiesCallersBytes()
    {
        LinkChannel channel;
        openChannel(&channel);
        char buffer[] = "LINE ONE\r";
        const int length = int(std::strlen(buffer));
        enqueueEntry(QByteArray(buffer, length), nullptr, 0, &channel.recvLock, &channel.recvQueue);
        // A transport may hand its own line buffer over without a copy of its own.
        enqueueEntry(QByteArray::fromRawData(buffer, length), nullptr, 0, &channel.recvLock,
                     &channel.recvQueue);
        std::memcpy(buffer, "LINE TWO\r", size_t(length));
        QCOMPARE(channel.recvQueue.entries.size(), size_t(2));
        QCOMPARE(channel.recvQueue.entries[0].data, QByteArray("LINE ONE\r"));
        QCOMPARE(channel.recvQueue.entries[1].data, QByteArray("LINE ONE\r"));
    }

    void entryWithoutRule_data()
    {
        QTest::addColumn<quint32>("waitMs");
        QTest::newRow("0") << 0u;
        QTest::newRow("250") << 250u;
    }

    void entryWithoutRule()
    {
        QFETCH(quint32, waitMs);
        LinkChannel channel;
        openChannel(&channel);
        enqueueEntry("REPLY\r", nullptr, waitMs, &channel.recvLock, &channel.recvQueue);
        const ReplyRule &rule = channel.recvQueue.entries.front().rule;
        QCOMPARE(rule.expectReply, quint8(0));
        QCOMPARE(rule.waitMs, waitMs);
        QCOMPARE(rule.keywordCount, 0u);
    }

    void enqueueRefusesMissingParts()
    {
        LinkChannel channel;
        openChannel(&channel);
        enqueueEntry("A", nullptr, 0, nullptr, &channel.sendQueue);
        enqueueEntry("A", nullptr, 0, &channel.sendLock, nullptr);
        enqueueEntry(QByteArray(), nullptr, 0, &channel.sendLock, &channel.sendQueue);
        enqueueEntry("", nullptr, 0, &channel.sendLock, &channel.sendQueue);
        QVERIFY(channel.sendQueue.isEmpty());
        QVERIFY(channel.sendLock.tryLock(0));
        channel.sendLock.unlock();
    }

    void openTwiceKeepsContents()
    {
        LinkChannel channel;
        openChannel(&channel);
        enqueueEntry("A", nullptr, 0, &channel.sendLock, &channel.sendQueue);
        enqueueEntry("R", nullptr, 0, &channel.recvLock, &channel.recvQueue);
        channel.currentRule = defaultReplyRule("OUT HDCP");
        channel.lineLength = 3;
        QCOMPARE(openChannel(&channel), quint8(1));
        QCOMPARE(channel.sendQueue.entries.size(), size_t(1));
        QCOMPARE(channel.recvQueue.entries.size(), size_t(1));
        QCOMPARE(channel.currentRule.expectReply, quint8(1));
        QCOMPARE(channel.lineLength, 3u);
    }

    void closeDiscardsEverything()
    {
        LinkChannel channel;
        openChannel(&channel);
        for (const char *text : {"A", "B", "C"}) {
            enqueueEntry(text, nullptr, 0, &channel.sendLock, &channel.sendQueue);
            enqueueEntry(text, nullptr, 0, &channel.recvLock, &channel.recvQueue);
        }
        channel.currentRule = defaultReplyRule("OUT HDCP");
        std::memcpy(channel.lineBuffer, "OUT HD", 6);
        channel.lineLength = 6;
        channel.skippingOverlongLine = true;

        closeChannel(&channel);
        QCOMPARE(channel.isOpen.load(), quint8(0));
        QVERIFY(channel.sendQueue.isEmpty());
        QVERIFY(channel.recvQueue.isEmpty());
        QCOMPARE(channel.currentRule.expectReply, quint8(0));
        QCOMPARE(channel.currentRule.keywordCount, 0u);
        QVERIFY(channel.currentRule.keyword[0].isEmpty());
        QCOMPARE(channel.currentRule.timeoutMs, 0u);
        QCOMPARE(channel.lineLength, 0u);
        QCOMPARE(QByteArray(channel.lineBuffer, LineBufferSize), QByteArray(LineBufferSize, '\0'));
        QVERIFY(!channel.skippingOverlongLine);

        closeChannel(&channel);
        closeChannel(nullptr);
        QCOMPARE(channel.isOpen.load(), quint8(0));
        QVERIFY(channel.sendLock.tryLock(0));
        channel.sendLock.unlock();
        QVERIFY(channel.recvLock.tryLock(0));
        channel.recvLock.unlock();
    }

    void closedChannelDropsEntries()
    {
        LinkChannel channel;
        openChannel(&channel);
        closeChannel(&channel);
        enqueueEntry("A", nullptr, 0, &channel.sendLock, &channel.sendQueue);
        enqueueEntry("R", nullptr, 0, &channel.recvLock, &channel.recvQueue);
        QVERIFY(channel.sendQueue.isEmpty());
        QVERIFY(channel.recvQueue.isEmpty());
    }

    void reopenStartsEmptyAndAcceptsAgain()
    {
        LinkChannel channel;
        openChannel(&channel);
        enqueueEntry("OLD", nullptr, 0, &channel.sendLock, &channel.sendQueue);
        closeChannel(&channel);
        enqueueEntry("DROPPED", nullptr, 0, &channel.sendLock, &channel.sendQueue);
        QCOMPARE(openChannel(&channel), quint8(1));
        QVERIFY(channel.sendQueue.isEmpty());
        QVERIFY(channel.recvQueue.isEmpty());
        enqueueEntry("NEW", nullptr, 0, &channel.sendLock, &channel.sendQueue);
        QCOMPARE(channel.sendQueue.entries.size(), size_t(1));
        QCOMPARE(frontData(channel.sendQueue), QByteArray("NEW"));
    }

    void globalChannels()
    {
        QVERIFY(&SerialChannel() != &TcpChannel());
        QCOMPARE(SerialChannel().isOpen.load(), quint8(1));
        QCOMPARE(TcpChannel().isOpen.load(), quint8(1));
        QCOMPARE(channelForLinkType(1), &SerialChannel());
        QCOMPARE(channelForLinkType(2), &TcpChannel());
        QCOMPARE(channelForLinkType(0), nullptr);
        QCOMPARE(channelForLinkType(3), nullptr);
        QCOMPARE(channelForLinkType(0xFFFFFFFFu), nullptr);
    }

    // While another thread holds a queue's lock, the non-blocking consumer gives up and leaves the entries
    // in place; the other queue, guarded by its own lock, stays usable meanwhile.
    void consumerGivesUpWhileLockIsHeld()
    {
        LinkChannel channel;
        openChannel(&channel);
        enqueueEntry("CMD\r", nullptr, 0, &channel.sendLock, &channel.sendQueue);
        std::vector<QByteArray> drained;
        {
            LockHolder holder(channel.sendLock);
            QVERIFY(!tryDrain(channel.sendLock, channel.sendQueue, &drained));
            QVERIFY(drained.empty());

            enqueueEntry("REPLY\r", nullptr, 0, &channel.recvLock, &channel.recvQueue);
            QVERIFY(tryDrain(channel.recvLock, channel.recvQueue, &drained));
            QCOMPARE(drained, std::vector<QByteArray>{QByteArray("REPLY\r")});
        }
        drained.clear();
        QVERIFY(tryDrain(channel.sendLock, channel.sendQueue, &drained));
        QCOMPARE(drained, std::vector<QByteArray>{QByteArray("CMD\r")});
    }

    // Two producers append under the blocking lock while this thread drains with tryLock(0): every entry
    // arrives once, and each producer's entries keep their order.
    void concurrentProducersLoseNothing()
    {
        constexpr int Producers = 2;
        constexpr int PerProducer = 10000;
        LinkChannel channel;
        openChannel(&channel);
        std::atomic<int> finished{0};
        std::vector<std::thread> producers;
        for (int id = 0; id < Producers; ++id) {
            producers.emplace_back([&channel, &finished, id] {
                QByteArray line;
                for (int seq = 0; seq < PerProducer; ++seq) {
                    line = QByteArray::number(id) + ':' + QByteArray::number(seq);
                    enqueueEntry(line, nullptr, 0, &channel.recvLock, &channel.recvQueue);
                }
                finished.fetch_add(1);
            });
        }

        std::vector<QByteArray> drained;
        int failedAttempts = 0;
        while (finished.load() < Producers) {
            if (!tryDrain(channel.recvLock, channel.recvQueue, &drained))
                ++failedAttempts;
            QThread::yieldCurrentThread();
        }
        for (std::thread &producer : producers)
            producer.join();
        QVERIFY(tryDrain(channel.recvLock, channel.recvQueue, &drained));

        QCOMPARE(drained.size(), size_t(Producers * PerProducer));
        int next[Producers] = {0, 0};
        for (const QByteArray &line : drained) {
            const QList<QByteArray> parts = line.split(':');
            QCOMPARE(parts.size(), 2);
            const int id = parts[0].toInt();
            QVERIFY(id >= 0 && id < Producers);
            QCOMPARE(parts[1].toInt(), next[id]);
            ++next[id];
        }
        QCOMPARE(next[0], PerProducer);
        QCOMPARE(next[1], PerProducer);
        qDebug("consumer attempts that found the lock taken: %d", failedAttempts);
    }
};

QTEST_GUILESS_MAIN(TestLinkChannel)
#include "tst_linkchannel.moc"
