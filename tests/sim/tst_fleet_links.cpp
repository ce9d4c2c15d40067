// 32 link sessions in one process against one fleet simulator, all read and watched: one device freezes and
// another drops its connection. The other 30 go on answering, every reply reaching the request and the
// session it belongs to; the frozen device is given up as a single frozen device is (by its watch, its
// connection still held), and the dropped one is reported lost within a second.

#include "core/SimHarness.h"

#include "protocol/Catalogue.h"
#include "protocol/ReplyRule.h"
#include "protocol/ValueTables.h"
#include "session/LinkSession.h"
#include "setup/SetupReader.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr int Devices = 32;
constexpr int Frozen = 7;
constexpr int Dropped = 19;
constexpr int WaitMs = 30000;
// How soon a dropped connection must be reported.
constexpr int LostWithinMs = 1000;

// One session of the fleet and what it reported.
struct Member
{
    LinkSession session;
    bool connected = false;
    bool lost = false;
    bool givenUp = false;
    qint64 lostAtMs = -1;
};

Request request(const QByteArray &line, const QByteArray &keyword)
{
    return requestWithRule(line, defaultReplyRule(keyword));
}

} // namespace

class TestFleetLinks : public QObject
{
    Q_OBJECT

private slots:
    void frozenAndDroppedAmongThirtyTwo()
    {
        SimHarness::SimProcess sim;
        QVERIFY(sim.start({"--devices", QString::number(Devices), "--model", "RKA204QE,TN386", "--control",
                           "127.0.0.1:0", "--quiet"}));
        const QList<quint16> ports = sim.fleetPorts();
        QCOMPARE(ports.size(), Devices);
        QTcpSocket control;
        control.connectToHost(QStringLiteral("127.0.0.1"), sim.controlPort());
        QElapsedTimer clock;
        clock.start();

        // All opened at once and read; each device gets a volume of its own through its own session.
        std::vector<std::unique_ptr<Member>> fleet;
        std::vector<std::unique_ptr<SetupReader>> readers;
        for (int i = 0; i < Devices; ++i) {
            fleet.push_back(std::make_unique<Member>());
            Member &m = *fleet.back();
            // Watch reads left unanswered end sooner than the real second.
            m.session.setReplyTimeoutLimit(300);
            readers.push_back(std::make_unique<SetupReader>(m.session));
            SetupReader &reader = *readers.back();
            connect(&m.session, &LinkSession::SGL_ConnectStatus, &reader, [&m, &reader](quint32, bool ok) {
                m.connected = ok;
                if (ok)
                    reader.start(SetupReader::allGroups());
            });
            connect(&m.session, &LinkSession::SGL_LinkLost, &reader, [&m, &clock] {
                m.lost = true;
                m.lostAtMs = clock.elapsed();
            });
            connect(&m.session.watch(), &DeviceWatch::SGL_GivenUp, &reader, [&m] { m.givenUp = true; });
            m.session.openTcpClient("127.0.0.1", "127.0.0.1", QString::number(ports[i]));
        }
        QTRY_VERIFY_WITH_TIMEOUT(std::all_of(readers.begin(), readers.end(),
                                             [](const auto &reader) {
                                                 return reader->outcome() != SetupReader::Outcome::Running;
                                             }),
                                 WaitMs);
        std::vector<QPointer<LinkReply>> replies;
        for (int i = 0; i < Devices; ++i) {
            QCOMPARE(readers[i]->outcome(), SetupReader::Outcome::Done);
            QCOMPARE(fleet[i]->session.device().context().CurrentModel,
                     quint8(i % 2 ? ModelTN386 : ModelRKA204QE));
            replies.push_back(
                fleet[i]->session.send(request("SET AUDIO VOL " + QByteArray::number(i), "AUDIO VOL")));
            fleet[i]->session.watch().setInterval(1);
        }
        QTRY_VERIFY_WITH_TIMEOUT(
            std::all_of(replies.begin(), replies.end(), [](const auto &reply) { return !reply; }), WaitMs);

        // One freezes, one drops its connection.
        control.write("FAULT " + QByteArray::number(Frozen) + " freeze\r\nFAULT " +
                      QByteArray::number(Dropped) + " disconnect\r\n");
        QTRY_VERIFY_WITH_TIMEOUT(control.bytesAvailable() >= 8, WaitMs);
        const qint64 droppedAtMs = clock.elapsed();
        QCOMPARE(control.readAll(), QByteArray("OK\r\nOK\r\n"));

        // The others answer three rounds of reads, each reply that of its own device.
        QStringList answers, expected;
        for (int round = 0; round < 3; ++round) {
            for (int i = 0; i < Devices; ++i) {
                if (i == Frozen || i == Dropped)
                    continue;
                expected << QStringLiteral("%1 AUDIO VOL %1").arg(i);
                LinkReply *reply = fleet[i]->session.send(request("GET AUDIO VOL", "AUDIO VOL"));
                connect(reply, &LinkReply::finished, this, [reply, i, &answers] {
                    answers << QStringLiteral("%1 %2").arg(i).arg(
                        reply->outcome() == LinkReply::Outcome::Answered
                            ? QString::fromLatin1(reply->replyLine().trimmed())
                            : QStringLiteral("unanswered"));
                });
            }
        }
        QTRY_COMPARE_WITH_TIMEOUT(answers.size(), expected.size(), WaitMs);
        answers.sort();
        expected.sort();
        QCOMPARE(answers, expected);

        QTRY_VERIFY_WITH_TIMEOUT(fleet[Dropped]->lost, WaitMs);
        QVERIFY2(fleet[Dropped]->lostAtMs - droppedAtMs <= LostWithinMs,
                 qPrintable(QStringLiteral("lost after %1 ms").arg(fleet[Dropped]->lostAtMs - droppedAtMs)));
        QTRY_VERIFY_WITH_TIMEOUT(fleet[Frozen]->givenUp, WaitMs);
        QVERIFY(!fleet[Frozen]->lost);
        for (int i = 0; i < Devices; ++i) {
            if (i == Frozen || i == Dropped)
                continue;
            QVERIFY2(fleet[i]->connected && !fleet[i]->lost && !fleet[i]->givenUp,
                     qPrintable(QString::number(ports[i])));
            QVERIFY(fleet[i]->session.watch().isAnswering());
        }
    }
};

QTEST_GUILESS_MAIN(TestFleetLinks)
#include "tst_fleet_links.moc"
