// The traffic log of a link session and what is made of it, against a device played by the test on a
// pseudo-terminal: the ring of the newest 100,000 records, the capture to files on disk with their rotation,
// and the values the link health shows.

#include "core/LinkFixture.h"
#include "core/PtyPair.h"
#include "core/TestAppDir.h"
#include "session/LinkHealth.h"
#include "session/LinkSession.h"
#include "session/TrafficCapture.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QFile>
#include <QList>
#include <QObject>
#include <QTest>
#include <QTimer>

namespace {

constexpr int WaitMs = 10000;
constexpr qint64 MiB8 = 8 * 1024 * 1024;

ReplyRule replyWithin(const QByteArray &keyword, quint32 timeoutMs)
{
    ReplyRule rule = defaultReplyRule(keyword);
    rule.timeoutMs = timeoutMs;
    return rule;
}

} // namespace

class TestTraffic : public QObject
{
    Q_OBJECT

private slots:
    void ringKeepsTheNewest();
    void captureRotates();
    void healthValues();
};

void TestTraffic::ringKeepsTheNewest()
{
    LinkSession session;
    QCOMPARE(session.traffic().capacity(), TrafficRing::BackgroundCapacity);
    TrafficRing ring;
    QCOMPARE(ring.capacity(), std::size_t(100000));
    const auto append = [&ring](const QByteArray &bytes) {
        ring.append(stampedRecord(TrafficRecord::Received, bytes));
    };
    for (int i = 0; i < 100000 + 7; ++i)
        append(QByteArray::number(i));
    QCOMPARE(ring.size(), std::size_t(100000));
    QCOMPARE(ring.firstSequence(), quint64(7));
    QCOMPARE(ring.keptFrom(0), quint64(7));
    QCOMPARE(ring.at(7).bytes + ' ' + ring.at(ring.endSequence() - 1).bytes, QByteArray("7 100006"));

    // A smaller ring keeps the newest records under their numbers; a larger one fills up before it drops.
    const auto kept = [&ring] {
        QByteArrayList texts;
        for (quint64 sequence = ring.firstSequence(); sequence < ring.endSequence(); ++sequence)
            texts << QByteArray::number(sequence) + '=' + ring.at(sequence).bytes;
        return texts.join(' ');
    };
    ring.setCapacity(3);
    QCOMPARE(kept(), QByteArray("100004=100004 100005=100005 100006=100006"));
    append("a");
    QCOMPARE(kept(), QByteArray("100005=100005 100006=100006 100007=a"));
    ring.setCapacity(5);
    append("b");
    append("c");
    QCOMPARE(kept(), QByteArray("100005=100005 100006=100006 100007=a 100008=b 100009=c"));
    append("d");
    QCOMPARE(kept(), QByteArray("100006=100006 100007=a 100008=b 100009=c 100010=d"));
}

// At 8 MiB the capture file becomes traffic.1.log, the older ones move up to traffic.4.log and the oldest is
// removed; no record is lost on the way.
void TestTraffic::captureRotates()
{
    TestAppDir app;
    for (int i = 1; i <= 4; ++i)
        app.writeFile(QStringLiteral("/APP/Log/traffic.%1.log").arg(i), "older " + QByteArray::number(i));
    // A few record lines short of the limit.
    app.writeFile("/APP/Log/traffic.log", QByteArray(MiB8 - 200, '#') + '\n');
    LinkFixture link(LinkFixture::Serial);
    QVERIFY(link.open());
    TrafficCapture capture(link.session());
    QVERIFY(capture.start());
    for (int i = 0; i < 10; ++i)
        link.peer().reply("OUT VKA ON " + QByteArray::number(i) + '\r');
    QTRY_COMPARE_WITH_TIMEOUT(link.session().traffic().size(), std::size_t(10), WaitMs);
    capture.stop();

    const QByteArray rotated = app.readFile("/APP/Log/traffic.1.log");
    QVERIFY2(rotated.size() >= MiB8, QByteArray::number(rotated.size()).constData());
    // Its last line took it to the limit.
    QVERIFY(rotated.lastIndexOf('\n', rotated.size() - 2) + 1 < MiB8);
    const QByteArray current = app.readFile("/APP/Log/traffic.log");
    QVERIFY(current.startsWith("# time\tmonotonic_ms\tdirection\t"));
    const QList<QByteArray> lines = (rotated + current).split('\n');
    QByteArrayList records;
    for (const QByteArray &line : lines)
        if (line.contains("\tRX\t"))
            records << line.split('\t').at(3);
    QCOMPARE(records.size(), 10);
    for (int i = 0; i < 10; ++i)
        QCOMPARE(records[i], "OUT VKA ON " + QByteArray::number(i) + "\\r");
    QCOMPARE(app.readFile("/APP/Log/traffic.2.log") + app.readFile("/APP/Log/traffic.3.log") +
                 app.readFile("/APP/Log/traffic.4.log"),
             QByteArray("older 1older 2older 3"));
    QVERIFY(!QFile::exists(app.file("/APP/Log/traffic.5.log")));
}

// The device answers after known delays (1.5 s, at once, 0.5 s), then not at all. Margins: a reply is read
// and stamped well within 1 s of its write even under the sanitizers on a busy machine.
void TestTraffic::healthValues()
{
    LinkFixture link(LinkFixture::Serial);
    QVERIFY(link.open());
    DevicePeer &peer = link.peer();
    const LinkHealth health(link.session());
    LinkHealth::Reading reading = health.reading();
    QCOMPARE(reading.address + ' ' + reading.baudRate, link.pty()->slavePath() + " 115200");
    QCOMPARE(reading.medianRoundTripUs, qint64(-1));
    QCOMPARE(reading.lastLineAgeMs, qint64(-1));

    for (const char *command : {"OUT HDCP", "OUT VKA", "OUT ITC"})
        link.send(QByteArray("GET ") + command, replyWithin(command, 5000));
    QVERIFY(peer.waitForCommands(1, WaitMs));
    QCOMPARE(health.reading().waiting, 2);
    const char *const replies[] = {"OUT HDCP FORCE-2.2\r", "OUT VKA ON\r", "OUT ITC ON\r"};
    const int delaysMs[] = {1500, 0, 500};
    for (int i = 0; i < 3; ++i) {
        QVERIFY(peer.waitForCommands(i + 1, WaitMs));
        QTimer::singleShot(delaysMs[i], &peer, [&peer, reply = replies[i]] { peer.reply(reply); });
    }
    QVERIFY(link.log().waitFor(LinkEvent::Received, 3, WaitMs));
    QTRY_VERIFY(health.reading().medianRoundTripUs >= 0);
    const qint64 median = health.reading().medianRoundTripUs;
    QVERIFY2(median >= 500000 && median < 1500000, QByteArray::number(median).constData());
    QCOMPARE(health.reading().waiting, 0);

    // An unanswered command counts as a time-out but not as a line.
    const qint64 lastReplyNs = peer.lastReplyNs();
    link.send("GET OUT HDCP", replyWithin("OUT HDCP", 1000));
    QTRY_COMPARE_WITH_TIMEOUT(health.reading().timeouts, 1, WaitMs);
    reading = health.reading();
    const qint64 sinceReplyMs = (DevicePeer::clockNs() - lastReplyNs) / 1000000;
    QVERIFY2(
        reading.lastLineAgeMs <= sinceReplyMs && reading.lastLineAgeMs > sinceReplyMs - 1000,
        qPrintable(
            QStringLiteral("%1 ms, %2 ms since the reply").arg(reading.lastLineAgeMs).arg(sinceReplyMs)));

    // The next link starts from nothing: the round trips, last line and time-outs of this one are gone.
    link.session().closeLink();
    QVERIFY(link.open());
    reading = health.reading();
    QCOMPARE(reading.timeouts, 0);
    QCOMPARE(reading.medianRoundTripUs, qint64(-1));
    QCOMPARE(reading.lastLineAgeMs, qint64(-1));
}

QTEST_MAIN(TestTraffic)
#include "tst_traffic.moc"
