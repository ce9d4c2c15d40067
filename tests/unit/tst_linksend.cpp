// The send side of both transports, each in its real worker thread against a real far end (pseudo-terminal
// or loopback TCP): exact bytes on the wire, the 50 ms gap, one command in flight, release by reply, reply
// time-out or pause, commands without reply rule, and the end of a link.

#include "core/LinkFixture.h"
#include "core/LoopbackPeer.h"
#include "link/LinkService.h"
#include "protocol/ReplyRule.h"
#include "protocol/Catalogue.h"

#include <QMutexLocker>
#include <QPointer>
#include <QThread>
#include <QtTest>

#include <atomic>

namespace {

constexpr int WaitMs = 3000;
constexpr qint64 GapMs = 50;
constexpr qint64 ReplyTimeoutMs = 1000;

double msBetween(qint64 earlierNs, qint64 laterNs)
{
    return double(laterNs - earlierNs) / 1e6;
}

int indexOfEvent(const QList<LinkEvent> &events, LinkEvent::Kind kind, const QString &text = QString())
{
    for (int i = 0; i < events.size(); ++i) {
        if (events[i].kind == kind && (text.isNull() || events[i].text == text))
            return i;
    }
    return -1;
}

bool sendQueueIsEmpty(LinkChannel &channel)
{
    QMutexLocker locker(&channel.sendLock);
    return channel.sendQueue.isEmpty();
}

void addTransportRows()
{
    QTest::addColumn<int>("transport");
    QTest::newRow("serial") << int(LinkFixture::Serial);
    QTest::newRow("tcp") << int(LinkFixture::Tcp);
}

} // namespace

class TestLinkSend : public QObject
{
    Q_OBJECT

private slots:
    void writesOneCommandAtATimeWithGap_data() { addTransportRows(); }
    void writesOneCommandAtATimeWithGap()
    {
        QFETCH(int, transport);
        LinkFixture link{LinkFixture::Transport(transport)};
        QVERIFY(link.open());
        DevicePeer &peer = link.peer();
        link.queue("GET OUT HDCP", defaultReplyRule("OUT HDCP"));
        link.queue("GET OUT VKA", defaultReplyRule("OUT VKA"));
        link.queue("GET OUT ITC", defaultReplyRule("OUT ITC"));
        // Several triggers at once, as when several pages queue commands: still one command in flight.
        link.requestSend();
        link.requestSend();
        link.requestSend();

        QVERIFY(peer.waitForCommands(1, WaitMs));
        QVERIFY(!peer.waitForCommands(2, 400));
        QCOMPARE(peer.receivedBytes(), QByteArray("GET OUT HDCP\r"));

        peer.reply("OUT HDCP FORCE-2.2\r");
        QVERIFY(peer.waitForCommands(2, WaitMs));
        QVERIFY(msBetween(peer.lastReplyNs(), peer.commands()[1].arrivedNs) >= GapMs);
        QVERIFY(!peer.waitForCommands(3, 400));

        peer.reply("OUT VKA ON\r");
        QVERIFY(peer.waitForCommands(3, WaitMs));
        QVERIFY(msBetween(peer.lastReplyNs(), peer.commands()[2].arrivedNs) >= GapMs);

        QCOMPARE(peer.receivedBytes(), QByteArray("GET OUT HDCP\rGET OUT VKA\rGET OUT ITC\r"));
        QVERIFY(link.log().waitFor(LinkEvent::Sent, 3, WaitMs));
        QStringList echoed;
        for (const LinkEvent &event : link.log().eventsOf(LinkEvent::Sent))
            echoed << event.text;
        QCOMPARE(echoed, QStringList({"GET OUT HDCP\r", "GET OUT VKA\r", "GET OUT ITC\r"}));
        QCOMPARE(link.log().count(LinkEvent::ReplyTimeout), 0);
    }

    void matchingReplyReleasesBeforeItIsAnnounced_data() { addTransportRows(); }
    void matchingReplyReleasesBeforeItIsAnnounced()
    {
        QFETCH(int, transport);
        LinkFixture link{LinkFixture::Transport(transport)};
        QVERIFY(link.open());
        link.queue("GET OUT RESOLUTION", defaultReplyRule("OUT RESOLUTION"));
        link.queue("GET OUT HDCP", defaultReplyRule("OUT HDCP"));
        link.requestSend();
        QVERIFY(link.peer().waitForCommands(1, WaitMs));

        link.peer().reply("OUT RESOLUTION 1920x1080@60\r");
        QVERIFY(link.peer().waitForCommands(2, WaitMs));
        QVERIFY(link.log().waitFor(LinkEvent::Received, 1, WaitMs));
        const QList<LinkEvent> events = link.log().events();
        const int nextWritten = indexOfEvent(events, LinkEvent::Sent, "GET OUT HDCP\r");
        const int replyAnnounced = indexOfEvent(events, LinkEvent::Received);
        QVERIFY(nextWritten >= 0);
        QVERIFY(nextWritten < replyAnnounced);
        QCOMPARE(link.log().lines(), QList<QByteArray>({"OUT RESOLUTION 1920x1080@60\r"}));
    }

    void replyTimeoutReportsTheCommandAndFreesTheLink_data() { addTransportRows(); }
    void replyTimeoutReportsTheCommandAndFreesTheLink()
    {
        QFETCH(int, transport);
        LinkFixture link{LinkFixture::Transport(transport)};
        QVERIFY(link.open());
        link.queue("GET OUT HDCP", defaultReplyRule("OUT HDCP"));
        link.queue("GET OUT VKA", defaultReplyRule("OUT VKA"));
        link.requestSend();
        QVERIFY(link.peer().waitForCommands(1, WaitMs));
        // No reply: the next command follows the time-out, the first one is not written again.
        QVERIFY(link.peer().waitForCommands(2, WaitMs));
        const QList<WireCommand> commands = link.peer().commands();
        QVERIFY(msBetween(commands[0].arrivedNs, commands[1].arrivedNs) >= ReplyTimeoutMs);
        QCOMPARE(link.peer().receivedBytes(), QByteArray("GET OUT HDCP\rGET OUT VKA\r"));
        QVERIFY(link.log().waitFor(LinkEvent::ReplyTimeout, 1, WaitMs));
        QCOMPARE(link.log().eventsOf(LinkEvent::ReplyTimeout).first().text, QString("GET OUT HDCP\r"));
    }

    void timeoutStopsTheRuleFromMatchingInTheTransport_data() { addTransportRows(); }
    void timeoutStopsTheRuleFromMatchingInTheTransport()
    {
        QFETCH(int, transport);
        LinkFixture link{LinkFixture::Transport(transport)};
        QVERIFY(link.open());
        ReplyRule shortWait = defaultReplyRule("OUT HDCP");
        shortWait.timeoutMs = 300;
        link.queue("GET OUT HDCP", shortWait);
        link.requestSend();
        QVERIFY(link.peer().waitForCommands(1, WaitMs));
        QCOMPARE(link.channel().currentRule.expectReply, quint8(1));
        QVERIFY(link.log().waitFor(LinkEvent::ReplyTimeout, 1, WaitMs));
        // Cleared by the transport before it reported the time-out: the GUI has nothing left to clear.
        QCOMPARE(link.channel().currentRule.expectReply, quint8(0));
    }

    void unreportedTimeoutStillFreesTheLink_data() { addTransportRows(); }
    void unreportedTimeoutStillFreesTheLink()
    {
        QFETCH(int, transport);
        LinkFixture link{LinkFixture::Transport(transport)};
        QVERIFY(link.open());
        ReplyRule quiet = defaultReplyRule("OUT HDCP");
        quiet.reportTimeout = 0;
        quiet.timeoutMs = 200;
        link.queue("GET OUT HDCP", quiet);
        link.queue("GET OUT VKA", defaultReplyRule("OUT VKA"));
        link.requestSend();
        QVERIFY(link.peer().waitForCommands(2, WaitMs));
        const QList<WireCommand> commands = link.peer().commands();
        QVERIFY(msBetween(commands[0].arrivedNs, commands[1].arrivedNs) >= 200);
        QCOMPARE(link.log().count(LinkEvent::ReplyTimeout), 0);
    }

    void busyCommandHoldsBackTheQueue_data() { addTransportRows(); }
    void busyCommandHoldsBackTheQueue()
    {
        QFETCH(int, transport);
        LinkFixture link{LinkFixture::Transport(transport)};
        QVERIFY(link.open());
        ResetDevice();
        GetOutHdcp();
        link.requestSend();
        QVERIFY(link.peer().waitForCommands(1, WaitMs));
        QCOMPARE(link.peer().receivedBytes(), QByteArray("SET RESET\r"));
        // Whatever the device sends meanwhile, even the command's own word, the 10 s pause holds.
        link.peer().reply("RESET\r");
        link.requestSend();
        QVERIFY(!link.peer().waitForCommands(2, 1500));
        QCOMPARE(link.log().count(LinkEvent::ReplyTimeout), 0);
        QVERIFY(link.log().waitFor(LinkEvent::Received, 1, WaitMs));
    }

    void pauseEndsAfterItsTime_data() { addTransportRows(); }
    void pauseEndsAfterItsTime()
    {
        QFETCH(int, transport);
        LinkFixture link{LinkFixture::Transport(transport)};
        QVERIFY(link.open());
        link.queue("SET OUT RESOLUTION 1920x1080@60", pauseReplyRule("OUT RESOLUTION", 300));
        link.queue("GET OUT HDCP", defaultReplyRule("OUT HDCP"));
        link.requestSend();
        QVERIFY(link.peer().waitForCommands(1, WaitMs));
        link.peer().reply("OUT RESOLUTION 1920x1080@60\r");
        QVERIFY(link.peer().waitForCommands(2, WaitMs));
        const QList<WireCommand> commands = link.peer().commands();
        QVERIFY(msBetween(commands[0].arrivedNs, commands[1].arrivedNs) >= 300);
        QCOMPARE(link.peer().receivedBytes(), QByteArray("SET OUT RESOLUTION 1920x1080@60\rGET OUT HDCP\r"));
    }

    void commandWithoutRuleDoesNotWait_data() { addTransportRows(); }
    void commandWithoutRuleDoesNotWait()
    {
        QFETCH(int, transport);
        LinkFixture link{LinkFixture::Transport(transport)};
        QVERIFY(link.open());
        link.queueWithoutRule("HELLO\r");
        link.queueWithoutRule("WORLD\r");
        link.requestSend();
        // No reply at all, yet the second line follows its gap, far before any reply time-out.
        QVERIFY(link.peer().waitForCommands(2, WaitMs));
        const QList<WireCommand> commands = link.peer().commands();
        QVERIFY(msBetween(commands[0].arrivedNs, commands[1].arrivedNs) < ReplyTimeoutMs - 100);
        QCOMPARE(link.peer().receivedBytes(), QByteArray("HELLO\rWORLD\r"));
        QCOMPARE(link.log().count(LinkEvent::ReplyTimeout), 0);
    }

    void disconnectDiscardsQueuedCommands_data() { addTransportRows(); }
    void disconnectDiscardsQueuedCommands()
    {
        QFETCH(int, transport);
        LinkFixture link{LinkFixture::Transport(transport)};
        QVERIFY(link.open());
        link.queue("SET OUT RESOLUTION 1920x1080@60", pauseReplyRule("OUT RESOLUTION", 300));
        link.queue("GET OUT HDCP", defaultReplyRule("OUT HDCP"));
        link.queue("GET OUT VKA", defaultReplyRule("OUT VKA"));
        link.requestSend();
        QVERIFY(link.peer().waitForCommands(1, WaitMs));
        link.requestDisconnect();
        QVERIFY(QTest::qWaitFor([&link] { return link.channel().isOpen.load() == 0; }, WaitMs));
        QVERIFY(sendQueueIsEmpty(link.channel()));
        QVERIFY(!link.peer().waitForBytes(400));
        QCOMPARE(link.peer().receivedBytes(), QByteArray("SET OUT RESOLUTION 1920x1080@60\r"));
        if (link.loopback())
            QVERIFY(link.loopback()->waitForHangUp(WaitMs));
        QVERIFY(link.service().workerObjects().isEmpty());
    }

    void disconnectDuringTheGapCancelsTheWrite_data() { addTransportRows(); }
    void disconnectDuringTheGapCancelsTheWrite()
    {
        QFETCH(int, transport);
        LinkFixture link{LinkFixture::Transport(transport)};
        QVERIFY(link.open());
        link.queue("GET OUT HDCP", defaultReplyRule("OUT HDCP"));
        // 20 ms into the send step's 50 ms gap, a disconnect request reaches the worker.
        link.runInWorker(20, [&link] { link.callSlot("SLT_SyncDisconnect", Qt::DirectConnection); });
        link.requestSend();
        QVERIFY(QTest::qWaitFor([&link] { return link.channel().isOpen.load() == 0; }, WaitMs));
        QVERIFY(!link.peer().waitForBytes(300));
        QVERIFY(link.peer().receivedBytes().isEmpty());
        QCOMPARE(link.log().count(LinkEvent::Sent), 0);
        QVERIFY(link.service().workerObjects().isEmpty());
    }

    void nestedSendRequestReturnsAtOnce_data() { addTransportRows(); }
    void nestedSendRequestReturnsAtOnce()
    {
        QFETCH(int, transport);
        LinkFixture link{LinkFixture::Transport(transport)};
        QVERIFY(link.open());
        link.queue("GET OUT HDCP", defaultReplyRule("OUT HDCP"));
        link.queue("GET OUT VKA", defaultReplyRule("OUT VKA"));
        std::atomic<qint64> nestedNs{-1};
        // A send request handled inside the running step's gap.
        link.runInWorker(20, [&link, &nestedNs] {
            QElapsedTimer clock;
            clock.start();
            link.callSlot("SLT_RealSendData", Qt::DirectConnection);
            nestedNs = clock.nsecsElapsed();
        });
        link.requestSend();
        QVERIFY(link.peer().waitForCommands(1, WaitMs));
        QVERIFY(!link.peer().waitForCommands(2, 400));
        QCOMPARE(link.peer().receivedBytes(), QByteArray("GET OUT HDCP\r"));
        QVERIFY(nestedNs.load() >= 0);
        QVERIFY(msBetween(0, nestedNs.load()) < GapMs - 10);
    }

    void linkWorksAgainAfterReconnecting_data() { addTransportRows(); }
    void linkWorksAgainAfterReconnecting()
    {
        QFETCH(int, transport);
        LinkFixture link{LinkFixture::Transport(transport)};
        QVERIFY(link.open());
        link.requestDisconnect();
        QVERIFY(link.open());
        link.queue("GET OUT HDCP", defaultReplyRule("OUT HDCP"));
        link.requestSend();
        QVERIFY(link.peer().waitForCommands(1, WaitMs));
        QCOMPARE(link.peer().receivedBytes(), QByteArray("GET OUT HDCP\r"));
    }

    void quittingTheThreadEndsTheLink_data() { addTransportRows(); }
    void quittingTheThreadEndsTheLink()
    {
        QFETCH(int, transport);
        LinkFixture link{LinkFixture::Transport(transport)};
        QVERIFY(link.open());
        QList<QPointer<QObject>> workerObjects;
        for (QObject *object : link.service().workerObjects())
            workerObjects.append(object);
        QCOMPARE(workerObjects.size(), 3);
        link.queue("GET OUT HDCP", defaultReplyRule("OUT HDCP"));
        link.queue("GET OUT VKA", defaultReplyRule("OUT VKA"));
        link.requestSend();
        QVERIFY(link.peer().waitForCommands(1, WaitMs));

        QVERIFY(link.stop());
        for (const QPointer<QObject> &object : workerObjects)
            QVERIFY(object.isNull());
        QCOMPARE(link.channel().isOpen.load(), quint8(0));
        if (link.loopback())
            QVERIFY(link.loopback()->waitForHangUp(WaitMs));
        QVERIFY(!link.peer().waitForBytes(300));
        QCOMPARE(link.peer().receivedBytes(), QByteArray("GET OUT HDCP\r"));
    }
};

QTEST_GUILESS_MAIN(TestLinkSend)
#include "tst_linksend.moc"
