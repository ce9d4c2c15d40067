// lumaplex-cli with several devices at once: one result row (or JSON object) each with the fleet's worst exit
// code, and a fleet watched for changes made elsewhere, each device failing on its own.

#include "core/CliRun.h"
#include "core/SimDevice.h"
#include "core/TestProcess.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTcpSocket>
#include <QTest>

#include <algorithm>
#include <csignal>

class TestCliFleet : public QObject
{
    Q_OBJECT

private slots:
    void fleet_data();
    void fleet();
    void watchFleet_data();
    void watchFleet();
    void watchEnds_data();
    void watchEnds();
};

void TestCliFleet::fleet_data()
{
    QTest::addColumn<bool>("json");
    QTest::newRow("rows") << false;
    QTest::newRow("JSON array") << true;
}

void TestCliFleet::fleet()
{
    QFETCH(bool, json);
    // A closed port, a device that stays silent and one that answers: the highest exit code is the fleet's.
    SimDevice live;
    SimDevice silent;
    QVERIFY(live.start({"--model", "TN204E"}) && silent.start({"--silent"}));
    const QStringList devices{"127.0.0.1:1", cliAddress(silent), cliAddress(live)};
    const QStringList statuses{"link failure", "refused", "done"};
    const QStringList messages{"cannot open 127.0.0.1:1: Connection refused", "no reply to GET MODEL TYPE",
                               "TN204E"};
    QStringList args;
    for (const QString &device : devices)
        args << "--tcp" << device;
    const CliRun run = runCli(args + (json ? QStringList{"--json", "identify"} : QStringList{"identify"}));
    QCOMPARE(run.exitCode, 4);
    if (json) {
        const QJsonArray results = QJsonDocument::fromJson(run.out.toUtf8()).array();
        QCOMPARE(results.size(), 3);
        for (int i = 0; i < 3; ++i) {
            const QJsonObject result = results[i].toObject();
            QCOMPARE(result.value("device").toString() + ' ' + result.value("command").toString(),
                     devices[i] + " identify");
            QCOMPARE(result.value("exitCode").toInt(), QList<int>({3, 4, 0})[i]);
            QCOMPARE(result.value("status").toString(), statuses[i]);
            QVERIFY2(result.value("message").toString().startsWith(messages[i]), qPrintable(run.out));
        }
        QCOMPARE(results[2]["model"].toString(), QStringLiteral("TN204E"));
        return;
    }
    // Columns line up: device, status, message.
    const QStringList rows = run.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 3);
    const int statusAt = std::max(devices[1].size(), devices[2].size()) + 2;
    const int messageAt = statusAt + QStringLiteral("link failure").size() + 2;
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(rows[i].left(statusAt), devices[i].leftJustified(statusAt));
        QCOMPARE(rows[i].mid(statusAt, messageAt - statusAt),
                 statuses[i].leftJustified(messageAt - statusAt));
        QVERIFY2(rows[i].mid(messageAt).startsWith(messages[i]), qPrintable(run.out));
    }
}

void TestCliFleet::watchFleet_data()
{
    QTest::addColumn<bool>("json");
    QTest::newRow("JSON") << true;
    QTest::newRow("text") << false;
}

void TestCliFleet::watchFleet()
{
    QFETCH(bool, json);
    SimDevice sims[3];
    QStringList args{"watch", "--interval", "1"};
    for (SimDevice &sim : sims) {
        QVERIFY(sim.start({}));
        args << "--tcp" << cliAddress(sim);
    }
    TestProcess watch;
    watch.start(QStringLiteral(LUMAPLEX_BIN_DIR "/lumaplex-cli"), json ? args + QStringList{"--json"} : args);
    QByteArray err;
    QTRY_VERIFY_WITH_TIMEOUT((err += watch.readAllStandardError()).contains("watching 3 device(s)"), 30000);
    // Another controller changes the second device.
    QTcpSocket other;
    other.connectToHost("127.0.0.1", sims[1].port());
    QVERIFY(other.waitForConnected(5000) && other.write("SET OUT HDCP FORCE-2.2\r") > 0);
    QByteArray out;
    QTRY_VERIFY_WITH_TIMEOUT((out += watch.readAllStandardOutput()).contains('\n'), 20000);
    // Each device is read twice more: no other line comes.
    QList<int> reads;
    for (SimDevice &sim : sims)
        reads << sim.requests().count("GET OUT HDCP") + 2;
    QTRY_VERIFY_WITH_TIMEOUT(
        std::equal(reads.begin(), reads.end(), sims,
                   [](int n, SimDevice &sim) { return sim.requests().count("GET OUT HDCP") >= n; }),
        20000);
    const QString line = QString::fromUtf8(out + watch.readAllStandardOutput());
    const QString time = json ? QJsonDocument::fromJson(line.toUtf8())["time"].toString() : line.left(23);
    QVERIFY2(
        QDateTime::fromString(time, json ? "yyyy-MM-dd'T'HH:mm:ss.zzz" : "yyyy-MM-dd HH:mm:ss.zzz").isValid(),
        qPrintable(line));
    const QJsonObject change{{"time", time},         {"device", cliAddress(sims[1])},
                             {"key", "output.hdcp"}, {"old", "FORCE-1.4"},
                             {"new", "FORCE-2.2"},   {"own", false}};
    QCOMPARE(line,
             json ? QString(QJsonDocument(change).toJson(QJsonDocument::Compact) + '\n')
                  : time + ' ' + cliAddress(sims[1]) + " output.hdcp: FORCE-1.4 -> FORCE-2.2 (elsewhere)\n");
    QVERIFY(watch.sendSignal(SIGTERM));
    QVERIFY(watch.waitForFinished(10000));
    QCOMPARE(watch.exitStatus() == QProcess::NormalExit ? watch.exitCode() : -1, 0);
}

void TestCliFleet::watchEnds_data()
{
    QTest::addColumn<QStringList>("fault"); // of the second device, after its first whole read
    QTest::addColumn<QString>("said");      // on standard error, %1 the device
    QTest::addColumn<bool>("closedPort");   // a device that cannot be opened is watched too
    QTest::newRow("hangs") << QStringList{"--freeze-after", "4"}
                           << "%1 stopped answering (3 reads in a row without reply)" << false;
    QTest::newRow("drops the link, beside a closed port")
        << QStringList{"--disconnect-after", "16"} << "the link to %1 was lost" << true;
}

// A device that cannot be opened and one that fails later each say so on a line of their own; the device
// left goes on being watched, and the watch ends with the worst exit code.
void TestCliFleet::watchEnds()
{
    QFETCH(QStringList, fault);
    QFETCH(QString, said);
    QFETCH(bool, closedPort);
    SimDevice live;
    SimDevice failing;
    QVERIFY(live.start({}) && failing.start(fault));
    QStringList args{"watch", "--interval", "1"};
    QStringList expected;
    if (closedPort) {
        args << "--tcp"
             << "127.0.0.1:1";
        expected << "lumaplex-cli: cannot open 127.0.0.1:1: Connection refused (error 5)"
                 << "lumaplex-cli: watching 2 device(s) every 1 s (1 could not be opened)";
    } else {
        expected << "lumaplex-cli: watching 2 device(s) every 1 s";
    }
    expected << "lumaplex-cli: " + said.arg(cliAddress(failing));
    TestProcess watch;
    watch.start(QStringLiteral(LUMAPLEX_BIN_DIR "/lumaplex-cli"),
                args + QStringList{"--tcp", cliAddress(failing), "--tcp", cliAddress(live)});
    QByteArray err;
    const auto saidSoFar = [&] { return QString::fromUtf8(err += watch.readAllStandardError()); };
    QTRY_VERIFY_WITH_TIMEOUT(saidSoFar().contains(said.arg(cliAddress(failing))), 30000);
    QCOMPARE(saidSoFar().split('\n', Qt::SkipEmptyParts), expected);
    QTcpSocket other;
    other.connectToHost("127.0.0.1", live.port());
    QVERIFY(other.waitForConnected(5000) && other.write("SET OUT HDCP FORCE-2.2\r") > 0);
    QByteArray out;
    QTRY_VERIFY2_WITH_TIMEOUT(
        (out += watch.readAllStandardOutput())
            .contains(cliAddress(live).toUtf8() + " output.hdcp: FORCE-1.4 -> FORCE-2.2"),
        qPrintable(out + saidSoFar().toUtf8()), 20000);
    QVERIFY(watch.sendSignal(SIGTERM));
    QVERIFY(watch.waitForFinished(10000));
    QCOMPARE(watch.exitStatus() == QProcess::NormalExit ? watch.exitCode() : -1, 3);
}

QTEST_GUILESS_MAIN(TestCliFleet)
#include "tst_cli_fleet.moc"
