// The receive side of both transports against a real far end: reply bytes, however they are cut into
// chunks, become complete lines on the receive queue (CR included), one notification per line, and a line
// holding the current command's keyword frees the link for the next command.

#include "core/LinkFixture.h"
#include "link/LinkChannel.h"
#include "link/LinkService.h"
#include "protocol/ReplyRule.h"

#include <QtTest>

namespace {

constexpr int WaitMs = 3000;
// Time given to a chunk that must not complete a line.
constexpr int NoLineMs = 100;

using Chunks = QList<QByteArray>;
using Counts = QList<int>;
using Lines = QList<QByteArray>;

const char *transportName(LinkFixture::Transport transport)
{
    return transport == LinkFixture::Serial ? "serial" : "tcp";
}

QByteArray filler(int size)
{
    return QByteArray(size, 'X');
}

} // namespace

class TestLinkReceive : public QObject
{
    Q_OBJECT

private slots:
    void chunksBecomeLines_data()
    {
        QTest::addColumn<int>("transport");
        QTest::addColumn<QByteArray>("keyword");
        QTest::addColumn<Chunks>("chunks");
        QTest::addColumn<Counts>("linesAfterChunk");
        QTest::addColumn<Lines>("expected");

        const QByteArray garbage = QByteArray::fromHex("0102fffe007f2061620d"); // 01 02 ff fe 00 7f " ab" CR
        for (LinkFixture::Transport transport : {LinkFixture::Serial, LinkFixture::Tcp}) {
            const auto row = [transport](const char *name) -> QTestData & {
                return QTest::addRow("%s: %s", transportName(transport), name) << int(transport);
            };
            row("two lines in one chunk")
                << QByteArray("OUT VKA") << Chunks{"OUT HDCP FORCE-2.2\rOUT VKA ON\r"} << Counts{2}
                << Lines{"OUT HDCP FORCE-2.2\r", "OUT VKA ON\r"};
            row("keyword split across chunks") << QByteArray("OUT HDCP") << Chunks{"OUT HD", "CP FORCE-2.2\r"}
                                               << Counts{0, 1} << Lines{"OUT HDCP FORCE-2.2\r"};
            row("CR LF stream") << QByteArray("OUT ITC")
                                << Chunks{"OUT HDCP FORCE-2.2\r\n", "OUT VKA ON\r\n", "OUT ITC OFF\r\n"}
                                << Counts{1, 2, 3}
                                << Lines{"OUT HDCP FORCE-2.2\r", "\nOUT VKA ON\r", "\nOUT ITC OFF\r"};
            row("reply right behind the LF of a CR LF")
                << QByteArray("OUT VKA") << Chunks{"OUT HDCP FORCE-2.2\r", "\nOUT VKA ON\r"} << Counts{1, 2}
                << Lines{"OUT HDCP FORCE-2.2\r", "OUT VKA ON\r"};
            row("lone LF chunk") << QByteArray("OUT VKA")
                                 << Chunks{"OUT HDCP FORCE-2.2\r", "\n", "OUT VKA ON\r"} << Counts{1, 1, 2}
                                 << Lines{"OUT HDCP FORCE-2.2\r", "OUT VKA ON\r"};
            row("empty line") << QByteArray("OUT VKA") << Chunks{"\r", "OUT VKA ON\r"} << Counts{1, 2}
                              << Lines{"\r", "OUT VKA ON\r"};
            row("5000-byte line, then a good one")
                << QByteArray("OUT VKA") << Chunks{filler(5000) + "\r", "OUT VKA ON\r"} << Counts{0, 1}
                << Lines{"OUT VKA ON\r"};
            row("5000-byte line and a good one in one write")
                << QByteArray("OUT VKA") << Chunks{filler(5000) + "\rOUT VKA ON\r"} << Counts{1}
                << Lines{"OUT VKA ON\r"};
            row("keyword beyond the line buffer of an overlong line")
                << QByteArray("OUT VKA")
                << Chunks{filler(1500) + "OUT VKA OVERLONG" + filler(3500), "\r", "OUT VKA ON\r"}
                << Counts{0, 0, 1} << Lines{"OUT VKA ON\r"};
            row("1024-byte line fits") << QByteArray("OUT VKA") << Chunks{filler(1023) + "\r", "OUT VKA ON\r"}
                                       << Counts{1, 2} << Lines{filler(1023) + "\r", "OUT VKA ON\r"};
            row("1025-byte line is dropped")
                << QByteArray("OUT VKA") << Chunks{filler(1024) + "\r", "OUT VKA ON\r"} << Counts{0, 1}
                << Lines{"OUT VKA ON\r"};
            row("binary garbage") << QByteArray("OUT VKA") << Chunks{garbage, "OUT VKA ON\r"} << Counts{1, 2}
                                  << Lines{garbage.mid(2), "OUT VKA ON\r"};
            row("garbage in front of a reply")
                << QByteArray("OUT VKA") << Chunks{QByteArray::fromHex("fffe80"), "OUT VKA ON\r"}
                << Counts{0, 1} << Lines{QByteArray::fromHex("fffe80") + "OUT VKA ON\r"};
        }
    }

    void chunksBecomeLines()
    {
        QFETCH(int, transport);
        QFETCH(QByteArray, keyword);
        QFETCH(Chunks, chunks);
        QFETCH(Counts, linesAfterChunk);
        QFETCH(Lines, expected);

        LinkFixture link{LinkFixture::Transport(transport)};
        QVERIFY(link.open());
        link.queue("GET REPLY", defaultReplyRule(keyword));
        link.queue("GET NEXT", defaultReplyRule("NEXT"));
        link.requestSend();
        QVERIFY(link.peer().waitForCommands(1, WaitMs));

        int lines = 0;
        for (int i = 0; i < chunks.size(); ++i) {
            link.peer().reply(chunks[i]);
            if (linesAfterChunk[i] > lines) {
                lines = linesAfterChunk[i];
                QVERIFY(link.log().waitFor(LinkEvent::Received, lines, WaitMs));
            } else {
                QVERIFY(!link.log().waitFor(LinkEvent::Received, lines + 1, NoLineMs));
            }
        }
        QCOMPARE(link.log().lines(), expected);
        QCOMPARE(link.log().count(LinkEvent::Received), expected.size());
        // The line with the keyword freed the link: the next command went out without a reply time-out.
        QVERIFY(link.peer().waitForCommands(2, WaitMs));
        QCOMPARE(link.peer().commandTexts().last(), QByteArray("GET NEXT\r"));
        QCOMPARE(link.log().count(LinkEvent::ReplyTimeout), 0);
    }

    void lateReplyIsDeliveredButReleasesNothing_data()
    {
        QTest::addColumn<int>("transport");
        QTest::newRow("serial") << int(LinkFixture::Serial);
        QTest::newRow("tcp") << int(LinkFixture::Tcp);
    }

    void lateReplyIsDeliveredButReleasesNothing()
    {
        QFETCH(int, transport);
        LinkFixture link{LinkFixture::Transport(transport)};
        QVERIFY(link.open());
        link.queue("GET OUT HDCP", defaultReplyRule("OUT HDCP"));
        link.queue("GET OUT VKA", defaultReplyRule("OUT VKA"));
        link.queue("GET OUT ITC", defaultReplyRule("OUT ITC"));
        link.requestSend();
        QVERIFY(link.log().waitFor(LinkEvent::ReplyTimeout, 1, WaitMs));
        QVERIFY(link.peer().waitForCommands(2, WaitMs));

        link.peer().reply("OUT HDCP FORCE-2.2\r");
        QVERIFY(link.log().waitFor(LinkEvent::Received, 1, WaitMs));
        QCOMPARE(link.log().lines(), Lines{"OUT HDCP FORCE-2.2\r"});
        QVERIFY(!link.peer().waitForCommands(3, 300));

        link.peer().reply("OUT VKA ON\r");
        QVERIFY(link.peer().waitForCommands(3, WaitMs));
        QCOMPARE(link.peer().receivedBytes(), QByteArray("GET OUT HDCP\rGET OUT VKA\rGET OUT ITC\r"));
        QCOMPARE(link.log().count(LinkEvent::ReplyTimeout), 1);
        QCOMPARE(link.log().eventsOf(LinkEvent::ReplyTimeout).first().text, QString("GET OUT HDCP\r"));
    }

    // The rest of a chunk waits in the line buffer while the reply it follows frees the link and the next
    // command's 50 ms gap runs. In that gap the device sends the rest of the pending line and one more, and a
    // receive request comes in: nothing may be mixed into the pending line or reordered.
    void bytesArrivingDuringTheGapKeepTheirOrder_data() { lateReplyIsDeliveredButReleasesNothing_data(); }
    void bytesArrivingDuringTheGapKeepTheirOrder()
    {
        QFETCH(int, transport);
        LinkFixture link{LinkFixture::Transport(transport)};
        QVERIFY(link.open());

        link.queue("GET OUT HDCP", defaultReplyRule("OUT HDCP"));
        link.queue("GET OUT VKA", defaultReplyRule("OUT VKA"));
        link.requestSend();
        QVERIFY(link.peer().waitForCommands(1, WaitMs));

        DevicePeer *peer = &link.peer();
        LinkFixture *fixture = &link;
        peer->writeFromAnyThread("OUT HDCP FORCE-2.2\rPARTIAL");
        link.runInWorker(15, [peer] { peer->writeFromAnyThread("-REST\rLAST\r"); });
        link.runInWorker(30, [fixture] { fixture->callSlot("SLT_RealRecvData", Qt::DirectConnection); });
        QVERIFY(link.log().waitFor(LinkEvent::Received, 3, WaitMs));
        QCOMPARE(link.log().lines(), Lines({"OUT HDCP FORCE-2.2\r", "PARTIAL-REST\r", "LAST\r"}));
        QVERIFY(link.peer().waitForCommands(2, WaitMs));
        QCOMPARE(link.peer().receivedBytes(), QByteArray("GET OUT HDCP\rGET OUT VKA\r"));
        QCOMPARE(link.log().count(LinkEvent::Received), 3);
    }
};

QTEST_GUILESS_MAIN(TestLinkReceive)
#include "tst_linkreceive.moc"
