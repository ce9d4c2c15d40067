// The device link through LinkSession, over both transports against a device played by the test (serial on
// a pseudo-terminal pair, TCP on 127.0.0.1): the bytes on the wire, when they are written, and what the
// session reports.

#include "config/AppState.h"
#include "core/LinkFixture.h"
#include "core/LoopbackPeer.h"
#include "core/PtyPair.h"
#include "link/LinkTransport.h"
#include "link/TcpLinkPort.h"
#include "protocol/Catalogue.h"
#include "session/LinkHealth.h"
#include "session/LinkSession.h"
#include "session/TrafficFormat.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QMetaObject>
#include <QNetworkProxy>
#include <QObject>
#include <QSerialPort>
#include <QSignalSpy>
#include <QString>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <QVariant>

#include <algorithm>
#include <ctime>
#include <memory>
#include <vector>

namespace {

constexpr int WaitMs = 3000;
// Every write waits 50 ms. Measured from a moment before its start (a request, a reply) to a moment after its
// end (the arrival of the command), with a few milliseconds to spare for timers.
constexpr double GapMs = 45;

using Lines = QList<QByteArray>;
using Counts = QList<int>;

double msBetween(qint64 fromNs, qint64 toNs)
{
    return double(toNs - fromNs) / 1e6;
}

ReplyRule replyWithin(const QByteArray &keyword, quint32 timeoutMs)
{
    ReplyRule rule = defaultReplyRule(keyword);
    rule.timeoutMs = timeoutMs;
    return rule;
}

void addTransportRows()
{
    QTest::addColumn<int>("transport");
    QTest::newRow("serial") << int(LinkFixture::Serial);
    QTest::newRow("tcp") << int(LinkFixture::Tcp);
    QTest::newRow("tcp, link thread") << int(LinkFixture::TcpOnLinkThread);
}

// A loopback port on which nothing listens.
quint16 closedLoopbackPort()
{
    QTcpServer server;
    return server.listen(QHostAddress::LocalHost, 0) ? server.serverPort() : 0;
}

qint64 processCpuNs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

int processThreads()
{
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

} // namespace

// Opens a link of the row's transport to the test device as `link`.
#define OPEN_LINK()                                                                                          \
    QFETCH(int, transport);                                                                                  \
    LinkFixture link{LinkFixture::Transport(transport)};                                                     \
    QVERIFY(link.open());                                                                                    \
    DevicePeer &peer = link.peer()

class TestLink : public QObject
{
    Q_OBJECT

private slots:
    void connectResult_data()
    {
        QTest::addColumn<int>("transport");
        QTest::addColumn<QString>("target"); // empty: the test device
        QTest::addColumn<QByteArray>("result");
        QTest::newRow("serial") << int(LinkFixture::Serial) << QString() << QByteArray("connect 1 0");
        QTest::newRow("serial, no such port")
            << int(LinkFixture::Serial) << "/dev/lumaplex-no-such-port" << QByteArray("connect 0 3");
        QTest::newRow("tcp") << int(LinkFixture::Tcp) << QString() << QByteArray("connect 1 0");
        // The port text is cut to 16 bits.
        QTest::newRow("tcp, port text above 65535")
            << int(LinkFixture::Tcp) << "+65536" << QByteArray("connect 1 0");
        QTest::newRow("tcp, closed port") << int(LinkFixture::Tcp) << "closed" << QByteArray("connect 0 5");
        // A proxy that the program (or the system) names for network traffic does not carry a device link.
        QTest::newRow("tcp, past a proxy") << int(LinkFixture::Tcp) << "proxy" << QByteArray("connect 1 0");
    }

    void connectResult()
    {
        QFETCH(int, transport);
        QFETCH(QString, target);
        QFETCH(QByteArray, result);
        LinkFixture link{LinkFixture::Transport(transport)};
        const QNetworkProxy proxy = QNetworkProxy::applicationProxy();
        const auto restoreProxy = qScopeGuard([&proxy] { QNetworkProxy::setApplicationProxy(proxy); });
        if (target == "proxy")
            QNetworkProxy::setApplicationProxy(
                QNetworkProxy(QNetworkProxy::Socks5Proxy, "127.0.0.1", closedLoopbackPort()));
        if (target.isEmpty() || target == "proxy") {
            link.requestOpen();
        } else if (link.pty()) {
            link.session().openSerial({target});
        } else {
            const qint64 port = target == "closed" ? closedLoopbackPort() : link.loopback()->port() + 65536;
            link.session().openTcpClient("127.0.0.1", "127.0.0.1", QString::number(port));
        }
        QVERIFY(link.log().waitFor(LinkEvent::ConnectStatus, 1, WaitMs));
        QCOMPARE(link.log().trace(), Lines{result});
        if (result == "connect 1 0") {
            link.sendRaw("PING\r");
            QVERIFY(link.peer().waitForCommands(1, WaitMs));
        }
        QVERIFY(!link.log().waitFor(LinkEvent::ConnectStatus, 2, 200));
    }

    // One command in flight; a matching reply frees the link, and the next command goes out (after its gap)
    // before that reply is reported. The gap counts from the reply, also for a command queued meanwhile.
    void oneCommandInFlight_data() { addTransportRows(); }
    void oneCommandInFlight()
    {
        OPEN_LINK();
        const LinkHealth health(link.session());
        const qint64 requestedNs = DevicePeer::clockNs();
        link.send("GET OUT HDCP", defaultReplyRule("OUT HDCP"));
        link.send("GET OUT VKA", defaultReplyRule("OUT VKA"));
        QVERIFY(peer.waitForCommands(1, WaitMs));
        QVERIFY(msBetween(requestedNs, peer.commands()[0].arrivedNs) >= GapMs);
        QVERIFY(!peer.waitForCommands(2, 300));
        peer.reply("OUT HDCP FORCE-2.2\r");
        QVERIFY(peer.waitForCommands(2, WaitMs));
        QVERIFY(msBetween(peer.lastReplyNs(), peer.commands()[1].arrivedNs) >= GapMs);
        // Queued while a reply is awaited, and answered within what would have been its gap.
        link.send("GET OUT ITC", defaultReplyRule("OUT ITC"));
        QVERIFY(!peer.waitForCommands(3, 25));
        peer.reply("OUT VKA ON\r");
        QVERIFY(peer.waitForCommands(3, WaitMs));
        QVERIFY(msBetween(peer.lastReplyNs(), peer.commands()[2].arrivedNs) >= GapMs);
        QCOMPARE(peer.receivedBytes(), QByteArray("GET OUT HDCP\rGET OUT VKA\rGET OUT ITC\r"));
        QVERIFY(!peer.waitForCommands(4, 100));
        peer.reply("OUT ITC ON\r");

        QVERIFY(link.log().waitFor(LinkEvent::Received, 3, WaitMs));
        QCOMPARE(link.log().trace(), Lines({"connect 1 0", "sent GET OUT HDCP\r", "sent GET OUT VKA\r",
                                            "received OUT HDCP FORCE-2.2\r", "sent GET OUT ITC\r",
                                            "received OUT VKA ON\r", "received OUT ITC ON\r"}));
        // The link health shows the median of the round trips: here the middle one of about 300, 25 and 100
        // ms.
        std::vector<qint32> roundTrips;
        const TrafficRing &ring = link.session().traffic();
        for (quint64 sequence = ring.firstSequence(); sequence < ring.endSequence(); ++sequence)
            if (ring.at(sequence).answersCommand())
                roundTrips.push_back(ring.at(sequence).roundTripUs);
        QCOMPARE(roundTrips.size(), std::size_t(3));
        std::sort(roundTrips.begin(), roundTrips.end());
        QTRY_COMPARE(health.reading().medianRoundTripUs, qint64(roundTrips[1]));
    }

    // No reply in time: the time-out is reported with the command, which is not written again, and the next
    // command follows. A late reply is still reported but frees nothing.
    void replyTimeout_data() { addTransportRows(); }
    void replyTimeout()
    {
        OPEN_LINK();
        const qint64 requestedNs = DevicePeer::clockNs();
        link.send("GET OUT HDCP", replyWithin("OUT HDCP", 300));
        link.send("GET OUT VKA", defaultReplyRule("OUT VKA"));
        link.send("GET OUT ITC", defaultReplyRule("OUT ITC"));
        QVERIFY(peer.waitForCommands(2, WaitMs));
        // Gap, time-out, gap.
        QVERIFY(msBetween(requestedNs, peer.commands()[1].arrivedNs) >= 300 + 2 * GapMs);

        peer.reply("OUT HDCP FORCE-2.2\r");
        QVERIFY(link.log().waitFor(LinkEvent::Received, 1, WaitMs));
        QVERIFY(!peer.waitForCommands(3, 300));
        peer.reply("OUT VKA ON\r");
        QVERIFY(peer.waitForCommands(3, WaitMs));
        QCOMPARE(peer.receivedBytes(), QByteArray("GET OUT HDCP\rGET OUT VKA\rGET OUT ITC\r"));

        QVERIFY(link.log().waitFor(LinkEvent::Received, 2, WaitMs));
        QCOMPARE(link.log().trace(),
                 Lines({"connect 1 0", "sent GET OUT HDCP\r", "timeout GET OUT HDCP\r", "sent GET OUT VKA\r",
                        "received OUT HDCP FORCE-2.2\r", "sent GET OUT ITC\r", "received OUT VKA ON\r"}));

        // The traffic log names the command a reply released (a late reply releases none) with the command's
        // id and round trip, and the time a command that timed out was allowed.
        const TrafficRing &ring = link.session().traffic();
        Lines records;
        for (quint64 sequence = ring.firstSequence(); sequence < ring.endSequence(); ++sequence) {
            const TrafficRecord &r = ring.at(sequence);
            records << TrafficFormat::direction(r.kind).toLatin1() + ' ' + r.bytes + ' ' + r.command + ' ' +
                           QByteArray::number(r.commandId) +
                           (r.kind == TrafficRecord::TimedOut ? ' ' + QByteArray::number(r.roundTripUs) : "");
        }
        QCOMPARE(records, Lines({"TX GET OUT HDCP\r  1", "TIMEOUT GET OUT HDCP\r  1 300000",
                                 "TX GET OUT VKA\r  2", "RX OUT HDCP FORCE-2.2\r  0",
                                 "RX OUT VKA ON\r GET OUT VKA\r 2", "TX GET OUT ITC\r  3"}));
        const TrafficRecord &reply = ring.at(ring.firstSequence() + 4);
        QCOMPARE(reply.roundTripUs,
                 qint32(reply.monotonicUs - ring.at(ring.firstSequence() + 2).monotonicUs));
    }

    // A reply that came in time but still waits unread in the system when the time-out falls due (the
    // link's thread was busy) releases its command: no time-out. Its line waits for the write of the next
    // command; a close in that gap still hands on the reply's record.
    void replyWaitingWhenTimeRunsOut()
    {
        LoopbackPeer peer;
        LinkTransport link;
        QSignalSpy opened(&link, &LinkTransport::opened);
        QSignalSpy ended(&link, &LinkTransport::commandEnded);
        QSignalSpy records(&link, &LinkTransport::trafficRecorded);
        link.open(new TcpLinkPort("127.0.0.1", "127.0.0.1", QString::number(peer.port())));
        QVERIFY(opened.wait(WaitMs));
        link.enqueue({"GET OUT HDCP\r", replyWithin("OUT HDCP", 60000), 7});
        link.enqueue({"GET OUT VKA\r", replyWithin("OUT VKA", 60000), 8});
        QVERIFY(peer.waitForCommands(1, WaitMs));
        peer.reply("OUT HDCP FORCE-2.2\r");
        // Without running this thread's events: the reply is in the system, not yet read.
        link.expireReplyWait();
        QCOMPARE(ended.count(), 0);
        QCOMPARE(link.state(), LinkTransport::State::Gap);
        const int reported = records.count();
        link.close();
        QCOMPARE(records.count(), reported + 1);
        const TrafficRecord last = records.last().first().value<TrafficRecords>().back();
        QCOMPARE(last.bytes + QByteArray::number(last.commandId), QByteArray("OUT HDCP FORCE-2.2\r7"));
    }

    // A line the device sends of its own while a command waits in its gap is reported at once, not held
    // for the write.
    void unsolicitedLineInTheGap_data() { addTransportRows(); }
    void unsolicitedLineInTheGap()
    {
        OPEN_LINK();
        if (link.loopback())
            QTRY_VERIFY(link.loopback()->hasConnection());
        link.send("GET OUT HDCP", defaultReplyRule("OUT HDCP"));
        peer.reply("IN STATUS 1\r");
        QVERIFY(peer.waitForCommands(1, WaitMs));
        // On a link thread the write's report reaches this thread after the peer has the bytes.
        QTRY_COMPARE_WITH_TIMEOUT(link.log().trace(),
                                  Lines({"connect 1 0", "received IN STATUS 1\r", "sent GET OUT HDCP\r"}), WaitMs);
    }

    // A command after which the device is busy holds the next one back for its pause, whatever the device
    // sends meanwhile; raw bytes of the debug console wait for nothing but the gap.
    void pauseAndRawBytes_data() { addTransportRows(); }
    void pauseAndRawBytes()
    {
        OPEN_LINK();
        const qint64 requestedNs = DevicePeer::clockNs();
        link.send("SET OUT RESOLUTION 1920x1080p60", pauseReplyRule("OUT RESOLUTION", 400));
        link.sendRaw("HELLO\r");
        link.send("GET OUT HDCP", defaultReplyRule("OUT HDCP"));
        QVERIFY(peer.waitForCommands(1, WaitMs));
        peer.reply("OUT RESOLUTION 1920x1080p60\r");
        QVERIFY(peer.waitForCommands(3, WaitMs));
        const QList<WireCommand> commands = peer.commands();
        // Gap, pause, gap.
        QVERIFY(msBetween(requestedNs, commands[1].arrivedNs) >= 400 + 2 * GapMs);
        // Far less than a reply time-out.
        QVERIFY(msBetween(commands[1].arrivedNs, commands[2].arrivedNs) < 1000);
        QCOMPARE(peer.receivedBytes(), QByteArray("SET OUT RESOLUTION 1920x1080p60\rHELLO\rGET OUT HDCP\r"));

        QVERIFY(link.log().waitFor(LinkEvent::Sent, 3, WaitMs));
        QCOMPARE(link.log().trace(), Lines({"connect 1 0", "sent SET OUT RESOLUTION 1920x1080p60\r",
                                            "pause 400", "received OUT RESOLUTION 1920x1080p60\r",
                                            "pause end", "sent HELLO\r", "sent GET OUT HDCP\r"}));
    }

    // Reply bytes, however they are cut into chunks, become lines (CR included), one report per line; the
    // last line of every row holds the keyword and frees the link.
    void lineAssembly_data()
    {
        QTest::addColumn<int>("transport");
        QTest::addColumn<Lines>("chunks");
        QTest::addColumn<Counts>("linesAfterChunk");
        QTest::addColumn<Lines>("expected");
        const QByteArray reply = "OUT HDCP FORCE-2.2\r";
        const QByteArray other = "OUT VKA ON\r";
        const QByteArray fits = QByteArray(1023, 'X') + '\r';
        for (int transport : {int(LinkFixture::Serial), int(LinkFixture::Tcp)}) {
            const auto row = [transport](const char *name) -> QTestData & {
                return QTest::addRow("%s: %s", transport == LinkFixture::Serial ? "serial" : "tcp", name)
                       << transport;
            };
            row("two lines in one chunk") << Lines{other + reply} << Counts{2} << Lines{other, reply};
            row("keyword split over chunks")
                << Lines{"OUT HD", "CP FORCE-2.2\r"} << Counts{0, 1} << Lines{reply};
            row("CR in a chunk of its own")
                << Lines{"OUT HDCP FORCE-2.2", "\r"} << Counts{0, 1} << Lines{reply};
            row("CR LF line ends") << Lines{"OUT VKA ON\r\n", "OUT HDCP FORCE-2.2\r\n"} << Counts{1, 2}
                                   << Lines{other, '\n' + reply};
            row("lone LF chunk") << Lines{other, "\n", reply} << Counts{1, 1, 2} << Lines{other, reply};
            row("LF leading a chunk") << Lines{other, '\n' + reply} << Counts{1, 2} << Lines{other, reply};
            row("1024-byte line fits the buffer") << Lines{fits, reply} << Counts{1, 2} << Lines{fits, reply};
            row("1025-byte line") << Lines{QByteArray(1024, 'X') + '\r', reply} << Counts{0, 1}
                                  << Lines{reply};
            row("5000-byte line") << Lines{QByteArray(5000, 'X') + '\r', reply} << Counts{0, 1}
                                  << Lines{reply};
        }
    }

    void lineAssembly()
    {
        QFETCH(Lines, chunks);
        QFETCH(Counts, linesAfterChunk);
        QFETCH(Lines, expected);
        OPEN_LINK();
        link.send("GET OUT HDCP", defaultReplyRule("OUT HDCP"));
        link.send("GET NEXT", defaultReplyRule("NEXT"));
        QVERIFY(peer.waitForCommands(1, WaitMs));
        for (int i = 0; i < chunks.size(); ++i) {
            const int before = link.log().count(LinkEvent::Received);
            peer.reply(chunks[i]);
            // Waiting for the lines (or for none) also keeps the next chunk apart.
            if (linesAfterChunk[i] > before)
                QVERIFY(link.log().waitFor(LinkEvent::Received, linesAfterChunk[i], WaitMs));
            else
                QVERIFY(!link.log().waitFor(LinkEvent::Received, before + 1, 100));
        }
        QVERIFY(peer.waitForCommands(2, WaitMs));
        QCOMPARE(peer.commands().last().bytes, QByteArray("GET NEXT\r"));
        QCOMPARE(link.log().lines(), expected);
        QCOMPARE(link.log().count(LinkEvent::ReplyTimeout), 0);
    }

    // Unended bytes, then a reply that does not fit the line buffer behind them: the pending bytes make room.
    void replyAfterUnendedBytes_data() { addTransportRows(); }
    void replyAfterUnendedBytes()
    {
        OPEN_LINK();
        link.send("GET OUT HDCP", defaultReplyRule("OUT HDCP"));
        QVERIFY(peer.waitForCommands(1, WaitMs));
        peer.reply(QByteArray(1020, 'X'));
        QVERIFY(!link.log().waitFor(LinkEvent::Received, 1, 100));
        peer.reply("OUT HDCP FORCE-2.2\r");
        QVERIFY(link.log().waitFor(LinkEvent::Received, 1, 500));
        QCOMPARE(link.log().lines(), Lines{"OUT HDCP FORCE-2.2\r"});
    }

    // A command is released only by a line written after it that holds its keyword as whole words: not by
    // a longer word that contains it, nor by the second of two replies that came together before it.
    void releasedOnlyByItsOwnReply_data()
    {
        QTest::addColumn<Lines>("keywords"); // of the three queued commands
        QTest::addColumn<QByteArray>("stray");
        QTest::addColumn<int>("writtenAfterStray");
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("MULTIVIEW in MULTIVIEW-SYNC")
            << Lines{"MULTIVIEW", "NEXT", "LAST"}
            << QByteArray("MULTIVIEW-SYNC PIP HDMI1 HDMI2 NULL NULL RightBottom SMALL\r") << 1
            << QByteArray("MULTIVIEW PIP\r");
        QTest::newRow("VERSION in SUB-VERSION")
            << Lines{"VERSION", "NEXT", "LAST"} << QByteArray("SUB-VERSION V1.0.1\r") << 1
            << QByteArray("\nVERSION V1.0.3\r");
        QTest::newRow("keyword of several words")
            << Lines{"EDID-USER OK", "NEXT", "LAST"} << QByteArray("EDID-USER FAIL\r") << 1
            << QByteArray("EDID-USER OK\r");
        QTest::newRow("two replies in one chunk")
            << Lines{"OUT HDCP", "OUT HDCP", "LAST"} << QByteArray("OUT HDCP FORCE-2.2\rOUT HDCP FORCE-2.2\r")
            << 2 << QByteArray("OUT HDCP ON\r");
    }

    void releasedOnlyByItsOwnReply()
    {
        QFETCH(Lines, keywords);
        QFETCH(QByteArray, stray);
        QFETCH(int, writtenAfterStray);
        QFETCH(QByteArray, reply);
        LinkFixture link{LinkFixture::Tcp};
        QVERIFY(link.open());
        DevicePeer &peer = link.peer();
        for (const QByteArray &keyword : keywords)
            link.send("GET " + keyword, defaultReplyRule(keyword));
        QVERIFY(peer.waitForCommands(1, WaitMs));
        peer.reply(stray);
        QVERIFY(peer.waitForCommands(writtenAfterStray, WaitMs));
        QVERIFY(!peer.waitForCommands(writtenAfterStray + 1, 300));
        peer.reply(reply);
        QVERIFY(peer.waitForCommands(writtenAfterStray + 1, WaitMs));
    }

    // A link runs no thread of its own: ten links at once (eight TCP, two serial) add at most the link
    // pool's two threads to the process.
    void noThreadPerLink()
    {
        const int before = processThreads();
        std::vector<std::unique_ptr<LinkFixture>> links;
        for (int i = 0; i < 10; ++i) {
            links.push_back(std::make_unique<LinkFixture>(i < 2 ? LinkFixture::Serial : LinkFixture::Tcp));
            links.back()->requestOpen();
        }
        for (const std::unique_ptr<LinkFixture> &link : links)
            QVERIFY(link->log().waitFor(LinkEvent::ConnectStatus, 1, WaitMs));
        for (const std::unique_ptr<LinkFixture> &link : links) {
            QCOMPARE(link->log().trace(), Lines{"connect 1 0"});
            link->send("GET OUT HDCP", defaultReplyRule("OUT HDCP"));
        }
        for (const std::unique_ptr<LinkFixture> &link : links)
            QVERIFY(link->peer().waitForCommands(1, WaitMs));
        QVERIFY2(processThreads() <= before + 2, qPrintable(QString::number(processThreads() - before)));
    }

    // What was queued for a link that failed to open is not written on the next one.
    void failedLinkDropsItsQueue()
    {
        LinkFixture link{LinkFixture::Tcp};
        link.session().openTcpClient("127.0.0.1", "127.0.0.1", QString::number(closedLoopbackPort()));
        link.send("GET OUT VKA", defaultReplyRule("OUT VKA"));
        QVERIFY(link.log().waitFor(LinkEvent::ConnectStatus, 1, WaitMs));
        link.session().closeLink();
        QVERIFY(link.open());
        link.send("GET MODEL TYPE", defaultReplyRule("MODEL TYPE"));
        QVERIFY(link.peer().waitForCommands(1, WaitMs));
        QVERIFY(!link.peer().waitForCommands(2, 200));
        QCOMPARE(link.peer().receivedBytes(), QByteArray("GET MODEL TYPE\r"));
    }

    // A device that floods the link faster than the session hands the lines on: the transport keeps the
    // newest lines, dropping the oldest unsolicited ones but never the reply to the command in flight; they
    // are reported in order.
    void floodKeepsTheReply()
    {
        LinkFixture link{LinkFixture::Tcp};
        QVERIFY(link.open());
        link.send("GET OUT HDCP", defaultReplyRule("OUT HDCP"));
        QVERIFY(link.peer().waitForCommands(1, WaitMs));
        const auto status = [](int i) { return "IN STATUS " + QByteArray::number(i) + '\r'; };
        QByteArray flood;
        for (int i = 0; i < 2 * MaxQueuedLines; ++i)
            flood += i == MaxQueuedLines ? QByteArray("OUT HDCP FORCE-2.2\r") : status(i);
        // The whole flood is on its way before this thread reads any of it.
        link.peer().reply(flood);
        QVERIFY(link.log().waitFor(LinkEvent::Received, MaxQueuedLines, WaitMs));
        const Lines lines = link.log().lines();
        QCOMPARE(lines.size(), MaxQueuedLines);
        QCOMPARE(lines.mid(0, 2), Lines({"OUT HDCP FORCE-2.2\r", status(MaxQueuedLines + 1)}));
        QCOMPARE(lines.last(), status(2 * MaxQueuedLines - 1));
    }

    // A queue that nothing empties keeps its newest 10,000 commands and says once that it dropped some; the
    // replies of the dropped ones tell so.
    void queueIsBounded()
    {
        LinkSession session;
        QSignalSpy dropped(&session, &LinkSession::SGL_CommandsDropped);
        session.openWithoutTransport(LinkTcpClient);
        QList<LinkReply::Outcome> ends;
        for (int i = 0; i <= MaxQueuedEntries + 5; ++i) {
            LinkReply *reply = session.send(requestWithRule("GET " + QByteArray::number(i), ReplyRule()));
            if (i < 8)
                connect(reply, &LinkReply::finished, &session, [&ends, reply] { ends << reply->outcome(); });
        }
        const std::deque<QByteArray> queued = session.queuedCommands();
        QCOMPARE(int(queued.size()), MaxQueuedEntries);
        QCOMPARE(queued.front(), QByteArray("GET 6\r"));
        QCOMPARE(dropped.count(), 1);
        const LinkReply::Outcome drop = LinkReply::Outcome::Dropped;
        QCOMPARE(ends, (QList<LinkReply::Outcome>{drop, drop, drop, drop, drop, drop}));
        session.closeLink();
        QCOMPARE(ends.size(), 8);
        QCOMPARE(ends.last(), LinkReply::Outcome::LinkEnded);
    }

    // Closing the link discards the queued commands, nothing is written after it, and what the closed link
    // still had to report is never relayed.
    void closeLink_data() { addTransportRows(); }
    void closeLink()
    {
        OPEN_LINK();
        link.send("GET OUT HDCP", replyWithin("OUT HDCP", 300));
        link.send("GET OUT VKA", defaultReplyRule("OUT VKA"));
        // Closed by a receiver of the first write's report, from inside the transport's step.
        QMetaObject::Connection closer =
            connect(&link.session(), &LinkSession::SGL_LineSent, &link.session(), [&link, &closer] {
                QObject::disconnect(closer);
                link.session().closeLink();
            });
        QVERIFY(peer.waitForCommands(1, WaitMs));
        if (link.loopback())
            QVERIFY(link.loopback()->waitForHangUp(WaitMs));
        // (The serial port drops what it had not put on the line yet when it is closed.)
        QVERIFY(!peer.waitForCommands(2, 600));

        QVERIFY(link.open());
        link.send("GET OUT ITC", defaultReplyRule("OUT ITC"));
        QTRY_VERIFY(peer.receivedBytes().endsWith("GET OUT ITC\r"));
        QVERIFY(!peer.receivedBytes().contains("GET OUT VKA"));
        // Neither the reply time-out of the closed link's command nor anything else of it is reported.
        QCOMPARE(link.log().trace(),
                 Lines({"connect 1 0", "sent GET OUT HDCP\r", "connect 1 0", "sent GET OUT ITC\r"}));
    }

    // A link closed before its transport got to the connect request: the request goes with it and does not
    // run when the next link starts the transport again.
    void connectRequestOfAClosedLink_data() { addTransportRows(); }
    void connectRequestOfAClosedLink()
    {
        QFETCH(int, transport);
        LinkFixture link{LinkFixture::Transport(transport)};
        link.requestOpen();
        link.session().closeLink();
        QVERIFY(link.open());
        QVERIFY(!link.log().waitFor(LinkEvent::ConnectStatus, 2, 300));
        link.sendRaw("PING\r");
        QVERIFY(link.peer().waitForCommands(1, WaitMs));
        QCOMPARE(link.log().trace(), Lines({"connect 1 0", "sent PING\r"}));
    }

    // A TCP connection that ends, while idle or in the gap before a write, ends the link at once with the
    // system's reason; nothing is written after it, nor is the device connected again.
    void tcpLinkLoss_data()
    {
        QTest::addColumn<QString>("drop");
        QTest::newRow("dropped while idle") << "idle";
        QTest::newRow("dropped in the gap") << "gap";
        QTest::newRow("device gone") << "gone";
    }

    void tcpLinkLoss()
    {
        QFETCH(QString, drop);
        LinkFixture link{LinkFixture::Tcp};
        QVERIFY(link.open());
        LoopbackPeer &device = *link.loopback();
        QTRY_VERIFY(device.hasConnection());
        if (drop == "idle") {
            device.dropConnection();
        } else if (drop == "gone") {
            device.stopListening();
        } else {
            link.send("GET OUT HDCP", defaultReplyRule("OUT HDCP"));
            QTimer::singleShot(5, Qt::PreciseTimer, &device, [&device] { device.dropConnection(); });
        }
        // At once: well before the keep-alive (5 s) could tell.
        QVERIFY(link.log().waitFor(LinkEvent::LinkLost, 1, 2500));
        QCOMPARE(link.log().eventsOf(LinkEvent::LinkLost).first().bytes,
                 QByteArray("The remote host closed the connection"));
        link.send("GET OUT VKA", defaultReplyRule("OUT VKA"));
        QVERIFY(!device.waitForCommands(1, 300));
        QCOMPARE(link.log().trace(), Lines({"connect 1 0", "lost 1"}));
        QCOMPARE(device.connectionCount(), 1);
    }

    // The reply a device sent just before it closed the connection (the next command waiting in its gap) is
    // still applied and reported, before the loss.
    void lastReplyBeforeLoss()
    {
        LinkFixture link{LinkFixture::Tcp};
        QVERIFY(link.open());
        LoopbackPeer &device = *link.loopback();
        link.send("GET OUT HDCP", defaultReplyRule("OUT HDCP"));
        link.send("GET OUT VKA", defaultReplyRule("OUT VKA"));
        QVERIFY(device.waitForCommands(1, WaitMs));
        device.reply("OUT HDCP FORCE-2.2\r");
        device.dropConnection();
        QVERIFY(link.log().waitFor(LinkEvent::LinkLost, 1, 2500));
        QCOMPARE(link.log().trace(),
                 Lines({"connect 1 0", "sent GET OUT HDCP\r", "received OUT HDCP FORCE-2.2\r", "lost 1"}));
    }

    // A followed restart of a device that does not come back counts down and gives up after its limit;
    // its failed attempts are not reported.
    void restartNotBack()
    {
        LinkFixture link{LinkFixture::Tcp};
        QVERIFY(link.open());
        QSignalSpy waiting(&link.session(), &LinkSession::SGL_RestartWait);
        QSignalSpy over(&link.session(), &LinkSession::SGL_RestartOver);
        link.session().setRestartLimit(2500);
        LinkTarget gone = link.session().target();
        gone.remotePort = QString::number(closedLoopbackPort());
        link.session().followRestart({gone});
        QVERIFY(over.wait(5000));
        QCOMPARE(over.first().at(1).toBool(), false);
        QList<int> seconds;
        for (const QList<QVariant> &report : waiting)
            seconds << report.at(1).toInt();
        // Counted down from the limit's whole seconds while the wait lasted, never up.
        QVERIFY(seconds.size() >= 2 && seconds.first() == 3 && seconds.last() >= 1 && seconds.last() < 3);
        QVERIFY(std::is_sorted(seconds.rbegin(), seconds.rend()));
        QCOMPARE(link.log().trace(), Lines{"connect 1 0"});
    }

    // A serial port that goes away is reported once, without spinning on the dead port, and the link stops:
    // no time-out for the command in flight, nothing more is written.
    void serialPortLost()
    {
        LinkFixture link{LinkFixture::Serial};
        QVERIFY(link.open());
        link.send("GET OUT HDCP", replyWithin("OUT HDCP", 300));
        QVERIFY(link.peer().waitForCommands(1, WaitMs));
        link.pty()->closeFarSide();
        QVERIFY(link.log().waitFor(LinkEvent::LinkLost, 1, WaitMs));
        const int code = link.log().eventsOf(LinkEvent::LinkLost).first().code;
        QVERIFY2(code == QSerialPort::ReadError || code == QSerialPort::ResourceError,
                 qPrintable(QString::number(code)));

        const qint64 cpuBefore = processCpuNs();
        link.send("GET OUT VKA", defaultReplyRule("OUT VKA"));
        QVERIFY(!link.log().waitFor(LinkEvent::LinkLost, 2, 600));
        QVERIFY(processCpuNs() - cpuBefore < 300 * 1000000LL);
        QCOMPARE(link.log().trace(),
                 Lines({"connect 1 0", "sent GET OUT HDCP\r", "lost " + QByteArray::number(code)}));
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
