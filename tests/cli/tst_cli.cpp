// lumaplex-cli against lumaplex-sim: exit codes and output of every command, setup snapshots saved from one
// device and restored onto another with only the differing change requests, refused snapshots, a fleet.

#include "core/SimDevice.h"
#include "core/TestAppDir.h"

#include "session/SavedDevices.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QtTest>

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

Run cli(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral(LUMAPLEX_BIN_DIR "/lumaplex-cli"), args);
    Run run;
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QString address(SimDevice &sim)
{
    return QStringLiteral("127.0.0.1:%1").arg(sim.port());
}

QStringList sets(SimDevice &sim)
{
    return sim.requests().filter(QRegularExpression(QStringLiteral("^SET ")));
}

QJsonValue at(const QJsonObject &state, const QString &path)
{
    QJsonValue value = state;
    for (const QString &key : path.split('/'))
        value = value.toObject().value(key);
    return value;
}

// A device that differs from the factory state in every part a setup holds.
const QByteArray Seed = R"({"output": {"hdcp": "FORCE-2.2", "vka": "BLACKSCREEN"}, "edid": {"mode": "720p"},
    "audio": {"source": "HDMI2", "volume": 42, "mute": true},
    "multiview": {"mode": "PBP", "windows": ["DP", "HDMI3"], "layouts": {"PBP": {"aspect": "16:9", "mode": 3}},
                  "pbpPresenter": [100, 200, 640, 360]}})";

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void commands_data();
    void commands();
    void snapshotOntoAnotherDeviceAndFleet();
    void snapshotRefused_data();
    void snapshotRefused();
    void discover();
    void savedDevicesAndSpeedSearch();
};

void TestCli::commands_data()
{
    QTest::addColumn<QString>("model"); // empty: no device
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QStringList>("args"); // DEV: the device's address
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said"); // in standard output or error
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<QString>("stored"); // path=value in the device's state file

    const QString tcp = "--tcp";
    QTest::newRow("no device") << "" << QStringList{} << QStringList{"identify"} << 2 << "name a device"
                               << QStringList{} << "";
    QTest::newRow("no command") << "" << QStringList{} << QStringList{tcp, "127.0.0.1:1", "reboot"} << 2
                                << "is no command" << QStringList{} << "";
    QTest::newRow("unknown key") << "RKA204QE" << QStringList{}
                                 << QStringList{tcp, "DEV", "get", "output.colour"} << 2 << "unknown key"
                                 << QStringList{} << "";
    QTest::newRow("connection refused")
        << "" << QStringList{} << QStringList{tcp, "127.0.0.1:1", "identify"} << 3
        << "cannot open 127.0.0.1:1: Connection refused" << QStringList{} << "";
    QTest::newRow("silent device") << "RKA204QE" << QStringList{"--silent"}
                                   << QStringList{tcp, "DEV", "identify"} << 4 << "no reply to GET MODEL TYPE"
                                   << QStringList{} << "";
    QTest::newRow("identify") << "TN386" << QStringList{} << QStringList{tcp, "DEV", "identify"} << 0
                              << "TN386\n"
                              << QStringList{} << "";
    QTest::newRow("get") << "RKA07QE" << QStringList{} << QStringList{tcp, "DEV", "get", "multiview.mode"}
                         << 0 << "SINGLE\n"
                         << QStringList{} << "";
    QTest::newRow("set") << "RKA204QE" << QStringList{}
                         << QStringList{tcp, "DEV", "set", "output.hdcp", "force-off"} << 0
                         << "output.hdcp = FORCE-OFF: 1 change(s) sent"
                         << QStringList{"SET OUT HDCP FORCE-OFF"} << "output/hdcp=FORCE-OFF";
    QTest::newRow("set to what it is")
        << "RKA204QE" << QStringList{} << QStringList{tcp, "DEV", "set", "output.hdcp", "FORCE-1.4"} << 0
        << "nothing to change" << QStringList{} << "output/hdcp=FORCE-1.4";
    QTest::newRow("value out of range")
        << "RKA204QE" << QStringList{} << QStringList{tcp, "DEV", "set", "audio.volume", "101"} << 2
        << "'101' is not a number from 0 to 100" << QStringList{} << "";
    QTest::newRow("not in the layout")
        << "RKA204QE" << QStringList{} << QStringList{tcp, "DEV", "set", "multiview.pipPosition", "USER"} << 4
        << "in its present layout has no multiview.pipPosition" << QStringList{} << "";
    QTest::newRow("unanswered set") << "RKA204QE" << QStringList{"--no-reply", "AUDIO VOL"}
                                    << QStringList{tcp, "DEV", "set", "audio.volume", "50"} << 4
                                    << "no reply to GET AUDIO VOL, SET AUDIO VOL 50, GET AUDIO VOL"
                                    << QStringList{"SET AUDIO VOL 50"} << "";
    QTest::newRow("raw line") << "RKA204QE" << QStringList{} << QStringList{tcp, "DEV", "send", "GET OUT VKA"}
                              << 0 << "OUT VKA BLUESCREEN\n"
                              << QStringList{} << "";
    QTest::newRow("raw line as JSON")
        << "RKA204QE" << QStringList{} << QStringList{tcp, "DEV", "--json", "send", "SET OUT ITC ON"} << 0
        << R"("reply":"OUT ITC ON")" << QStringList{"SET OUT ITC ON"} << "output/itc=true";
}

void TestCli::commands()
{
    QFETCH(QString, model);
    QFETCH(QStringList, faults);
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QFETCH(QStringList, written);
    QFETCH(QString, stored);
    SimDevice sim;
    if (!model.isEmpty()) {
        QVERIFY(sim.start(QStringList{"--model", model} + faults));
        args.replaceInStrings(QRegularExpression("^DEV$"), address(sim));
    }
    const Run run = cli(args);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2((run.out + run.err).contains(said), qPrintable(run.out + run.err));
    if (model.isEmpty())
        return;
    QCOMPARE(sets(sim), written);
    if (!stored.isEmpty())
        QCOMPARE(at(sim.state(), stored.section('=', 0, 0)).toVariant().toString(), stored.section('=', 1));
}

void TestCli::snapshotOntoAnotherDeviceAndFleet()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("setup.json");
    SimDevice source;
    source.seedState(QJsonDocument::fromJson(Seed).object());
    SimDevice target;
    QVERIFY(source.start({"--model", "RKA386QE"}) && target.start({"--model", "RKA386QE"}));

    QCOMPARE(cli({"--tcp", address(source), "snapshot", "save", file}).exitCode, 0);
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QJsonObject json = QJsonDocument::fromJson(saved.readAll()).object();
    QCOMPARE(json.value("format").toString() + json.value("model").toString(),
             QStringLiteral("lumaplex-setupRKA386QE"));
    QCOMPARE(json.value("version").toInt(), 1);
    QVERIFY(QDateTime::fromString(json.value("saved").toString(), Qt::ISODateWithMs).isValid());
    QCOMPARE(cli({"--tcp", address(target), "snapshot", "diff", file}).exitCode, 5);

    // Only what differs is written, the layout before its options and window sources.
    QCOMPARE(cli({"--tcp", address(target), "snapshot", "restore", file}).exitCode, 0);
    QCOMPARE(sets(target),
             (QStringList{"SET OUT HDCP FORCE-2.2", "SET OUT VKA BLACKSCREEN", "SET IN EDIDMODE 720p",
                          "SET AUDIO SOURCE HDMI2", "SET AUDIO VOL 42", "SET AUDIO-MUTE ON",
                          "SET MULTIVIEW PBP", "SET PBP ASPECT 16:9", "SET PBP MODE 3",
                          "SET PBP-PRESENTER 100 200 640 360", "SET WINDOW1 IN DP", "SET WINDOW2 IN HDMI3"}));
    for (const QString part : {"output", "edid", "audio", "multiview"})
        QCOMPARE(target.state().value(part), source.state().value(part));
    QCOMPARE(cli({"--tcp", address(target), "snapshot", "diff", file}).exitCode, 0);

    // Three devices at once, one row each in the order given.
    SimDevice fleet[3];
    QStringList args;
    for (SimDevice &device : fleet) {
        QVERIFY(device.start({"--model", "RKA386QE"}));
        args << "--tcp" << address(device);
    }
    const Run run = cli(args + QStringList{"snapshot", "restore", file});
    QCOMPARE(run.exitCode, 0);
    const QStringList rows = run.out.trimmed().split('\n');
    QCOMPARE(rows.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QVERIFY2(rows[i].startsWith(address(fleet[i]) + "  done  "), qPrintable(run.out));
        QCOMPARE(fleet[i].state().value("multiview"), source.state().value("multiview"));
    }
}

void TestCli::snapshotRefused_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said");
    QTest::addColumn<QStringList>("received");

    const QByteArray header = R"({"format": "lumaplex-setup", "version": 1, "model": )";
    QTest::newRow("another model") << header + R"("RKA386QE", "values": {"output.hdcp": "FORCE-2.2"}})" << 5
                                   << "meant for a RKA386QE, the device is a TN386"
                                   << QStringList{"GET MODEL TYPE"};
    QTest::newRow("damaged") << header + R"("TN386", "values": {)" << 2 << "not a usable setup file"
                             << QStringList{};
    QTest::newRow("foreign") << QByteArray(R"({"format": "other", "values": {}})") << 2 << R"(no "format")"
                             << QStringList{};
    QTest::newRow("newer format") << QByteArray(
                                         R"({"format": "lumaplex-setup", "version": 2, "model": "TN386"})")
                                  << 2 << "format version 2" << QStringList{};
    QTest::newRow("value of another model")
        << header + R"("TN386", "values": {"audio.volume": 51}})" << 2 << "from 0 to 50" << QStringList{};
}

void TestCli::snapshotRefused()
{
    QFETCH(QByteArray, file);
    QFETCH(int, exitCode);
    QFETCH(QString, said);
    QFETCH(QStringList, received);
    QTemporaryDir dir;
    QFile setup(dir.filePath("setup.json"));
    QVERIFY(setup.open(QIODevice::WriteOnly) && setup.write(file) == file.size());
    setup.close();
    SimDevice sim;
    QVERIFY(sim.start({"--model", "TN386"}));
    const Run run = cli({"--tcp", address(sim), "snapshot", "restore", setup.fileName()});
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(said), qPrintable(run.err));
    QCOMPARE(sim.requests(), received);
}

void TestCli::discover()
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
        const Run run = cli(QStringList{"discover", "--port", port} + row.args);
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

void TestCli::savedDevicesAndSpeedSearch()
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

    Run run = cli(dir + QStringList{"devices"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringLiteral("Lobby\ttcp 127.0.0.1:%1\tTN386\t-\nHall\ttcp 127.0.0.1:%2\t-\t-\n"
                                     "Rack\tserial %3 auto\t-\t-\n")
                          .arg(lobby.port())
                          .arg(hall.port())
                          .arg(rack.ptyLink()));
    run = cli(dir + QStringList{"devices", "--json"});
    QCOMPARE(run.out.split('\n').value(2),
             QStringLiteral(R"({"address":"%1","baud":"auto","lastConnected":null,)"
                            R"("link":"serial","model":"","name":"Rack"})")
                 .arg(rack.ptyLink()));

    // Saved devices wherever a device is named, also several at once.
    run = cli(dir + QStringList{"--device", "Lobby", "--device", "Hall", "identify"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(QRegularExpression("^Lobby +done +TN386\n+Hall +done +RKA07QE\n$").match(run.out).hasMatch(),
             qPrintable(run.out));
    // A saved serial device without a speed has it searched; the speed found is named.
    run = cli(dir + QStringList{"--device", "Rack", "--json", "identify"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.contains(R"("baud":38400)") && run.out.contains(R"("model":"RKA386QE")"),
             qPrintable(run.out));
    QCOMPARE(run.err, "lumaplex-cli: " + rack.ptyLink() + " answers at 38400 baud\n");
    run = cli(dir + QStringList{"--device", "Nowhere", "identify"});
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains("no device is saved as 'Nowhere' in " + SavedDeviceFile::path()),
             qPrintable(run.err));

    rack.stop();
    QVERIFY(rack.start({"--no-tcp", "--silent", "--baud", "38400"}, true));
    run = cli({"--serial", rack.ptyLink() + ":auto", "identify"});
    QCOMPARE(run.exitCode, 4);
    QCOMPARE(run.err, "lumaplex-cli: no device answered on " + rack.ptyLink() +
                          " at 9600, 115200, 57600, 38400 and 19200 baud\n");

    // A damaged list is named and kept aside.
    app.writeFile("/APP/ConfigFile/devices.json", "[]");
    run = cli(dir + QStringList{"devices"});
    QCOMPARE(run.exitCode, 2);
    const QString keptAs = run.err.section(" it was kept as ", 1).trimmed();
    QVERIFY2(
        run.err.startsWith("lumaplex-cli: the device list " + SavedDeviceFile::path() + " cannot be read"),
        qPrintable(run.err));
    QCOMPARE(app.readFile(keptAs.mid(app.path().size())), QByteArray("[]"));
    QVERIFY(!QFile::exists(SavedDeviceFile::path()));
}

QTEST_MAIN(TestCli)
#include "tst_cli.moc"
