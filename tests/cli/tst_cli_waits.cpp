// lumaplex-cli searching for devices: a network range swept on one port, and a serial line whose speed is
// searched, with the saved devices that name them. The searches wait a bounded time for each answer, so
// this test runs alone.

#include "core/CliRun.h"
#include "core/SimDevice.h"
#include "core/TestAppDir.h"

#include "session/SavedDevices.h"

#include <QFile>
#include <QObject>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTest>

class TestCliWaits : public QObject
{
    Q_OBJECT

private slots:
    void discover();
    void savedDevicesAndSpeedSearch();
};

void TestCliWaits::discover()
{
    SimDevice first, second;
    QVERIFY(first.start({"--tcp", "127.0.0.130:0", "--model", "RKA07QE"}));
    QVERIFY(second.start({"--tcp", QStringLiteral("127.0.0.21:%1").arg(first.port()), "--model", "TN386"}));
    const QString port = QString::number(first.port());
    struct Row
    {
        QStringList args;
        int exitCode;
        QString said; // the sorted lines of standard output, or standard error
    };
    const Row rows[] = {
        {{"127.0.0.0/24"}, 0, QStringLiteral("127.0.0.130:%1\tRKA07QE\n127.0.0.21:%1\tTN386\n").arg(port)},
        {{"127.0.0.16/28", "--json"},
         0,
         QStringLiteral(R"({"address":"127.0.0.21","model":"TN386","port":%1})").arg(port)},
        {{"127.0.1.0/28"},
         4,
         QStringLiteral("no device answered on port %1 in 127.0.1.0/28 (14 addresses asked)").arg(port)},
        {{"127.0.0.0/16"},
         2,
         "127.0.0.0/16 holds 65536 addresses; at most 1024 are searched: give a narrower range, "
         "such as 127.0.0.0/24"},
        {{"lobby"}, 2, "'lobby' is not an address range"},
        {{"127.0.0.0/24", "--port", "0"}, 2, "'0' is no port"}};
    for (const Row &row : rows) {
        const CliRun run = runCli(QStringList{"discover", "--port", port} + row.args);
        QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
        lines.sort();
        const QString said =
            row.exitCode == 0 ? lines.join('\n') + (row.args.contains("--json") ? "" : "\n") : run.err;
        QCOMPARE(run.exitCode, row.exitCode);
        QVERIFY2(said.contains(row.said), qPrintable(said));
    }
    QCOMPARE(first.requests() + second.requests(),
             (QStringList{"GET MODEL TYPE", "GET MODEL TYPE", "GET MODEL TYPE"}));
}

void TestCliWaits::savedDevicesAndSpeedSearch()
{
    SimDevice lobby, hall, rack;
    QVERIFY(lobby.start({"--model", "TN386"}) && hall.start({"--model", "RKA07QE"}));
    QVERIFY(rack.start({"--no-tcp", "--model", "RKA386QE", "--baud", "38400"}, true));
    TestAppDir app;
    SavedDeviceList list;
    for (SimDevice *sim : {&lobby, &hall, &rack}) {
        list.devices.append(SavedDevice());
        list.devices.last().address = sim == &rack ? rack.ptyLink() : QStringLiteral("127.0.0.1");
        list.devices.last().port = sim->port();
        list.devices.last().serial = sim == &rack;
    }
    list.devices[0].name = "Lobby";
    list.devices[0].model = "TN386";
    list.devices[1].name = "Hall";
    list.devices[2].name = "Rack";
    QVERIFY(SavedDeviceFile::save(SavedDeviceFile::path(), list, nullptr));
    const QStringList dir{"--app-dir", app.path()};

    CliRun run = runCli(dir + QStringList{"devices"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringLiteral("Lobby\ttcp 127.0.0.1:%1\tTN386\t-\nHall\ttcp 127.0.0.1:%2\t-\t-\n"
                                     "Rack\tserial %3 auto\t-\t-\n")
                          .arg(lobby.port())
                          .arg(hall.port())
                          .arg(rack.ptyLink()));
    run = runCli(dir + QStringList{"devices", "--json"});
    QCOMPARE(run.out.split('\n').value(2),
             QStringLiteral(R"({"address":"%1","baud":"auto","lastConnected":null,)"
                            R"("link":"serial","model":"","name":"Rack"})")
                 .arg(rack.ptyLink()));

    // Saved devices wherever a device is named, also several at once.
    run = runCli(dir + QStringList{"--device", "Lobby", "--device", "Hall", "identify"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(QRegularExpression("^Lobby +done +TN386\n+Hall +done +RKA07QE\n$").match(run.out).hasMatch(),
             qPrintable(run.out));
    // A saved serial device without a speed has it searched; the speed found is named.
    run = runCli(dir + QStringList{"--device", "Rack", "--json", "identify"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.contains(R"("baud":38400)") && run.out.contains(R"("model":"RKA386QE")"),
             qPrintable(run.out));
    QCOMPARE(run.err, "lumaplex-cli: " + rack.ptyLink() + " answers at 38400 baud\n");
    run = runCli(dir + QStringList{"--device", "Nowhere", "identify"});
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains("no device is saved as 'Nowhere' in " + SavedDeviceFile::path()),
             qPrintable(run.err));

    rack.stop();
    QVERIFY(rack.start({"--no-tcp", "--silent", "--baud", "38400"}, true));
    run = runCli({"--serial", rack.ptyLink() + ":auto", "identify"});
    QCOMPARE(run.exitCode, 4);
    QCOMPARE(run.err, "lumaplex-cli: no device answered on " + rack.ptyLink() +
                          " at 9600, 115200, 57600, 38400 and 19200 baud\n");

    // A damaged list is named and kept aside.
    app.writeFile("/APP/ConfigFile/devices.json", "[]");
    run = runCli(dir + QStringList{"devices"});
    QCOMPARE(run.exitCode, 2);
    const QString keptAs = run.err.section(" it was kept as ", 1).trimmed();
    QVERIFY2(
        run.err.startsWith("lumaplex-cli: the device list " + SavedDeviceFile::path() + " cannot be read"),
        qPrintable(run.err));
    QCOMPARE(app.readFile(keptAs.mid(app.path().size())), QByteArray("[]"));
    QVERIFY(!QFile::exists(SavedDeviceFile::path()));
}

QTEST_GUILESS_MAIN(TestCliWaits)
#include "tst_cli_waits.moc"
