// lumaplex-cli against lumaplex-sim: exit codes and output of every command, setup snapshots saved from one
// device and restored onto others with only the differing change requests, link settings only on request,
// refused snapshots, and a serial log ended by SIGINT.

#include "config/Version.h"
#include "core/CliRun.h"
#include "core/PtyPair.h"
#include "core/SimDevice.h"
#include "core/TestProcess.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QIODevice>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

// A loopback address of this test process alone, where the simulator can take the default port 2000.
QString ownLoopbackHost()
{
    const qint64 pid = QCoreApplication::applicationPid();
    return QStringLiteral("127.%1.%2.%3").arg(1 + (pid >> 16) % 254).arg((pid >> 8) & 255).arg(1 + pid % 254);
}

QString writeFile(const QTemporaryDir &dir, const QByteArray &bytes)
{
    QFile file(dir.filePath("setup.json"));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? file.fileName() : QString();
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
    void helpAndVersion();
    void logUntilInterrupted_data();
    void logUntilInterrupted();
    void snapshotOntoAnotherDevice_data();
    void snapshotOntoAnotherDevice();
    void linkSettingsOnRequest_data();
    void linkSettingsOnRequest();
    void snapshotRefused_data();
    void snapshotRefused();

private:
    // The lines one device's log printed: the text header and records, or the JSON records and result.
    static void checkLog(QList<QByteArray> lines, bool json);
};

void TestCli::commands_data()
{
    QTest::addColumn<QString>("model"); // empty: no device
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QStringList>("args"); // DEV: the device's address, PTY: its serial line
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("said"); // in standard output or error
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<QString>("stored"); // path=value in the device's state file

    const QString tcp = "--tcp";
    QTest::newRow("no device") << "" << QStringList{} << QStringList{"identify"} << 2 << "name a device"
                               << QStringList{} << "";
    QTest::newRow("no command") << "" << QStringList{} << QStringList{tcp, "127.0.0.1:1", "reboot"} << 2
                                << "is no command" << QStringList{} << "";
    QTest::newRow("watch every 0 s") << "" << QStringList{}
                                     << QStringList{tcp, "127.0.0.1:1", "watch", "--interval", "0"} << 2
                                     << "--interval needs a whole number of seconds from 1" << QStringList{}
                                     << "";
    QTest::newRow("unknown key") << "RKA204QE" << QStringList{}
                                 << QStringList{tcp, "DEV", "get", "output.colour"} << 2 << "unknown key"
                                 << QStringList{} << "";
    QTest::newRow("no such serial port")
        << "" << QStringList{} << QStringList{"--serial", "/dev/lumaplex-no-such-port", "identify"} << 3
        << "cannot open /dev/lumaplex-no-such-port" << QStringList{} << "";
    QTest::newRow("watch a device that refuses")
        << "" << QStringList{} << QStringList{tcp, "127.0.0.1:1", "watch"} << 3
        << "lumaplex-cli: cannot open 127.0.0.1:1: Connection refused (error 5)\n"
        << QStringList{} << "";
    QTest::newRow("connection refused")
        << "" << QStringList{} << QStringList{tcp, "127.0.0.1:1", "identify"} << 3
        << "cannot open 127.0.0.1:1: Connection refused" << QStringList{} << "";
    QTest::newRow("silent device") << "RKA204QE" << QStringList{"--silent"}
                                   << QStringList{tcp, "DEV", "identify"} << 4 << "no reply to GET MODEL TYPE"
                                   << QStringList{} << "";
    QTest::newRow("unanswered get") << "RKA204QE" << QStringList{"--no-reply", "OUT HDCP"}
                                    << QStringList{tcp, "DEV", "get", "output.hdcp"} << 4
                                    << "no reply to GET OUT HDCP" << QStringList{} << "";
    QTest::newRow("identify") << "TN386" << QStringList{} << QStringList{tcp, "DEV", "identify"} << 0
                              << "TN386\n"
                              << QStringList{} << "";
    QTest::newRow("TCP port 2000 by default") << "TN204E" << QStringList{"--tcp", "HOST:2000"}
                                              << QStringList{tcp, "HOST", "identify"} << 0 << "TN204E\n"
                                              << QStringList{} << "";
    QTest::newRow("serial") << "RKA07QE" << QStringList{} << QStringList{"--serial", "PTY", "identify"} << 0
                            << "RKA07QE\n"
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
    QTest::newRow("action") << "RKA204QE" << QStringList{}
                            << QStringList{tcp, "DEV", "action", "scene.save", "3"} << 0 << "SAVE SCENE 3\n"
                            << QStringList{"SET SAVE SCENE 3"} << "";
    QTest::newRow("action, volume up")
        << "TN386" << QStringList{} << QStringList{tcp, "DEV", "--json", "action", "audio.volumeUp"} << 0
        << R"("action":"audio.volumeUp")" << QStringList{"SET AUDIO VOL+"} << "audio/volume=16";
    QTest::newRow("action awaiting no reply")
        << "TN204E" << QStringList{} << QStringList{tcp, "DEV", "--json", "action", "device.factoryReset"} << 0
        << R"x("message":"device.factoryReset: sent (the device restarts)")x" << QStringList{"SET RESET"} << "";
    QTest::newRow("action out of range")
        << "RKA204QE" << QStringList{} << QStringList{tcp, "DEV", "action", "scene.load", "21"} << 2
        << "scene.load needs a scene from 1 to 20, not '21'" << QStringList{} << "";
    QTest::newRow("action the model lacks")
        << "RKA204QE" << QStringList{} << QStringList{tcp, "DEV", "action", "audio.mic1VolumeUp"} << 4
        << "a RKA204QE has no audio.mic1VolumeUp" << QStringList{} << "";
    QTest::newRow("unknown action") << "RKA204QE" << QStringList{}
                                    << QStringList{tcp, "DEV", "action", "reboot"} << 2
                                    << "unknown action 'reboot' (scene.save, scene.load" << QStringList{}
                                    << "";
    QTest::newRow("EDID upload of no EDID file")
        << "RKA204QE" << QStringList{} << QStringList{tcp, "DEV", "action", "edid.upload", "/dev/null"} << 2
        << "/dev/null holds no EDID image" << QStringList{} << "";
    QTest::newRow("actions of the device") << "TN386" << QStringList{} << QStringList{tcp, "DEV", "actions"}
                                           << 0 << "audio.mic2VolumeDown\taction\t-\tMicrophone2 Volume\n"
                                           << QStringList{} << "";
    QTest::newRow("settings of a model")
        << "" << QStringList{} << QStringList{"settings", "--model", "rka07qe", "--language", "other"} << 0
        << "audio.volume\tnumber\t0..100\t\u97f3\u91cf\n"
        << QStringList{} << "";
    QTest::newRow("settings of a model as JSON")
        << "" << QStringList{} << QStringList{"--json", "settings", "--model", "TN386"} << 0
        << R"("display": "Force-2.2",)" << QStringList{} << "";
    QTest::newRow("settings in no such language")
        << "" << QStringList{} << QStringList{"settings", "--model", "TN386", "--language", "klingon"} << 2
        << "--language takes english or other, not 'klingon'" << QStringList{} << "";
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
        faults.replaceInStrings(QRegularExpression("^HOST"), ownLoopbackHost());
        QVERIFY(sim.start(QStringList{"--model", model} + faults, args.contains("PTY")));
        args.replaceInStrings(QRegularExpression("^DEV$"), cliAddress(sim));
        args.replaceInStrings(QRegularExpression("^HOST$"), ownLoopbackHost());
        args.replaceInStrings(QRegularExpression("^PTY$"), sim.ptyLink());
    }
    const CliRun run = runCli(args);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2((run.out + run.err).contains(said), qPrintable(run.out + run.err));
    if (model.isEmpty())
        return;
    QCOMPARE(sets(sim), written);
    if (!stored.isEmpty())
        QCOMPARE(at(sim.state(), stored.section('=', 0, 0)).toVariant().toString(), stored.section('=', 1));
}

void TestCli::helpAndVersion()
{
    const CliRun help = runCli({"--help"});
    QCOMPARE(help.exitCode, 0);
    for (const char *listed :
         {"--tcp <host[:port]>", "port 2000 when not given", "--serial <device[:baud]>", "9600 baud when not",
          "--json", "--with-link", "--version", "identify ", "sync ", "get KEY ", "set KEY VALUE ",
          "send \"RAW LINE\" ", "snapshot save FILE ", "snapshot diff FILE ", "snapshot restore FILE ",
          "log ", "watch ", "--interval <seconds>"})
        QVERIFY2(help.out.contains(listed), listed);
    // Every program of the project tells the same version.
    QCOMPARE(runCli({"--version"}).out, QStringLiteral("lumaplex-cli " LUMAPLEX_VERSION "\n"));
    TestProcess sim;
    sim.start(QStringLiteral(LUMAPLEX_SIM_PATH), {"--version"});
    QVERIFY(sim.waitForFinished(60000));
    QCOMPARE(sim.readAllStandardOutput(), QByteArray("lumaplex-sim " LUMAPLEX_VERSION "\n"));
}

void TestCli::logUntilInterrupted_data()
{
    QTest::addColumn<QString>("speed"); // after the port
    QTest::addColumn<bool>("json");
    QTest::addColumn<QString>("settings"); // of the port while the log runs
    QTest::addColumn<int>("devices");      // logged at once, each line after its device and a tab
    QTest::newRow("text, 9600 baud by default") << "" << false << "9600 8N1" << 1;
    QTest::newRow("JSON, 19200 baud") << ":19200" << true << "19200 8N1" << 1;
    QTest::newRow("two devices, text") << "" << false << "9600 8N1" << 2;
    QTest::newRow("two devices, JSON") << "" << true << "9600 8N1" << 2;
}

void TestCli::logUntilInterrupted()
{
    QFETCH(QString, speed);
    QFETCH(bool, json);
    QFETCH(QString, settings);
    QFETCH(int, devices);
    PtyPair ports[2];
    QStringList args;
    for (int i = 0; i < devices; ++i)
        args << "--serial" << ports[i].slavePath() + speed;
    args << "log";
    TestProcess process;
    process.start(QStringLiteral(LUMAPLEX_BIN_DIR "/lumaplex-cli"),
                  json ? QStringList{"--json"} + args : args);
    for (int i = 0; i < devices; ++i)
        QTRY_COMPARE_WITH_TIMEOUT(ports[i].lineSettings(), settings, 20000);
    // Each device speaks on its own until two of its lines are printed.
    const QByteArray line = "OUT HDCP FORCE-2.2\r";
    QByteArray out;
    const auto printed = [&] {
        for (int i = 0; i < devices; ++i)
            ports[i].reply(line);
        out += process.readAllStandardOutput();
        return out.count("OUT HDCP") >= 2 * devices;
    };
    QTRY_VERIFY_WITH_TIMEOUT(printed(), 20000);
    QVERIFY(process.sendSignal(SIGINT));
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);
    QList<QByteArray> all = (out + process.readAllStandardOutput()).split('\n');
    QCOMPARE(all.takeLast(), QByteArray());
    for (int i = 0; i < devices; ++i) {
        // With several devices each line begins with its device; those of one device are checked together.
        QList<QByteArray> lines = all;
        if (devices > 1) {
            const QByteArray prefix = args[2 * i + 1].toUtf8() + '\t';
            lines.clear();
            for (const QByteArray &printedLine : all) {
                if (printedLine.startsWith(prefix))
                    lines << printedLine.mid(prefix.size());
            }
            QVERIFY(lines.size() >= 2);
        }
        checkLog(lines, json);
        if (QTest::currentTestFailed())
            return;
    }
    if (devices > 1) {
        for (const QByteArray &printedLine : all)
            QVERIFY2(printedLine.startsWith(args[1].toUtf8() + '\t') ||
                         printedLine.startsWith(args[3].toUtf8() + '\t'),
                     printedLine.constData());
    }
}

void TestCli::checkLog(QList<QByteArray> lines, bool json)
{
    if (!json) {
        // A saved traffic file: the header, then one line per record and nothing else.
        QCOMPARE(lines.takeFirst(),
                 QByteArray("# time\tmonotonic_ms\tdirection\ttext\thex\tcommand\tround_trip_ms"));
        const QRegularExpression record(
            "^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\t\\d+\\.\\d{3}\\tRX\\t"
            "OUT HDCP FORCE-2\\.2\\\\r\\t4F 55 54 20 48 44 43 50 20 46 4F 52 43 45 2D 32 2E 32 0D\\t\\t$");
        for (const QByteArray &printedLine : lines)
            QVERIFY2(record.match(QString::fromUtf8(printedLine)).hasMatch(), printedLine.constData());
        return;
    }
    // One whole object per record, then the result.
    QJsonParseError error{};
    const QJsonObject result = QJsonDocument::fromJson(lines.takeLast(), &error).object();
    QCOMPARE(result.value("command").toString() + ' ' + result.value("status").toString(),
             QStringLiteral("log done"));
    QCOMPARE(result.value("exitCode").toInt(-1), 0);
    for (const QByteArray &printedLine : lines) {
        const QJsonObject record = QJsonDocument::fromJson(printedLine, &error).object();
        QVERIFY2(error.error == QJsonParseError::NoError, printedLine.constData());
        QCOMPARE(record.value("direction").toString(), QStringLiteral("RX"));
        QCOMPARE(record.value("text").toString(), QStringLiteral("OUT HDCP FORCE-2.2\\r"));
        QCOMPARE(record.value("hex").toString(),
                 QStringLiteral("4F 55 54 20 48 44 43 50 20 46 4F 52 43 45 2D 32 2E 32 0D"));
        QVERIFY(record.value("monotonicMs").toDouble() > 0);
        QVERIFY(QDateTime::fromString(record.value("time").toString(), "yyyy-MM-dd HH:mm:ss.zzz").isValid());
    }
}

void TestCli::snapshotOntoAnotherDevice_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QByteArray>("seed");
    QTest::addColumn<QByteArray>("saved"); // some of the values the file holds
    QTest::addColumn<QStringList>("written");

    // Only what differs is written, the layout before its options and window sources.
    QTest::newRow("RKA386QE")
        << "RKA386QE" << Seed
        << QByteArray(R"({"output.hdcp": "FORCE-2.2", "audio.mute": "ON", "multiview.mode": "PBP",
                                    "multiview.presenterWindow": [100, 200, 640, 360], "multiview.window2": "HDMI3"})")
        << QStringList{"SET OUT HDCP FORCE-2.2", "SET OUT VKA BLACKSCREEN",
                       "SET IN EDIDMODE 720p",   "SET AUDIO SOURCE HDMI2",
                       "SET AUDIO VOL 42",       "SET AUDIO-MUTE ON",
                       "SET MULTIVIEW PBP",      "SET PBP ASPECT 16:9",
                       "SET PBP MODE 3",         "SET PBP-PRESENTER 100 200 640 360",
                       "SET WINDOW1 IN DP",      "SET WINDOW2 IN HDMI3"};
    QTest::newRow("TN386, two microphones")
        << "TN386" << QByteArray(R"({"audio": {"mainAudio": false, "mic1": {"on": false, "volume": 12},
                                    "mic2": {"on": true, "volume": 37}}})")
        << QByteArray(
               R"({"audio.mainAudio": "OFF", "audio.mic1": "OFF", "audio.mic1Volume": 12, "audio.mic2": "ON",
                          "audio.mic2Volume": 37})")
        << QStringList{"SET MAIN-AUDIO ONOFF OFF", "SET MIC1 ONOFF OFF", "SET MIC1 VOL 12",
                       "SET MIC2 ONOFF ON", "SET MIC2 VOL 37"};
}

void TestCli::snapshotOntoAnotherDevice()
{
    QFETCH(QString, model);
    QFETCH(QByteArray, seed);
    QFETCH(QByteArray, saved);
    QFETCH(QStringList, written);
    QTemporaryDir dir;
    const QString file = dir.filePath("setup.json");
    SimDevice source;
    source.seedState(QJsonDocument::fromJson(seed).object());
    SimDevice target;
    QVERIFY(source.start({"--model", model}) && target.start({"--model", model}));

    QCOMPARE(runCli({"--tcp", cliAddress(source), "snapshot", "save", file}).exitCode, 0);
    QFile savedFile(file);
    QVERIFY(savedFile.open(QIODevice::ReadOnly));
    const QJsonObject json = QJsonDocument::fromJson(savedFile.readAll()).object();
    QCOMPARE(json.value("format").toString() + json.value("model").toString(), "lumaplex-setup" + model);
    QCOMPARE(json.value("version").toInt(), 1);
    QVERIFY(QDateTime::fromString(json.value("saved").toString(), Qt::ISODateWithMs).isValid());
    const QJsonObject values = json.value("values").toObject();
    const QJsonObject expected = QJsonDocument::fromJson(saved).object();
    for (auto it = expected.begin(); it != expected.end(); ++it)
        QCOMPARE(values.value(it.key()), it.value());
    // sync prints the same setup.
    const CliRun sync = runCli({"--tcp", cliAddress(source), "sync"});
    QCOMPARE(sync.exitCode, 0);
    QCOMPARE(QJsonDocument::fromJson(sync.out.toUtf8())["values"].toObject(), values);
    QCOMPARE(runCli({"--tcp", cliAddress(target), "snapshot", "diff", file}).exitCode, 5);

    QCOMPARE(runCli({"--tcp", cliAddress(target), "snapshot", "restore", file}).exitCode, 0);
    QCOMPARE(sets(target), written);
    for (const QString part : {"output", "edid", "audio", "multiview"})
        QCOMPARE(target.state().value(part), source.state().value(part));
    QCOMPARE(runCli({"--tcp", cliAddress(target), "snapshot", "diff", file}).exitCode, 0);

    // Two devices at once, one row each in the order given.
    SimDevice fleet[2];
    QStringList args;
    for (SimDevice &device : fleet) {
        QVERIFY(device.start({"--model", model}));
        args << "--tcp" << cliAddress(device);
    }
    const CliRun run = runCli(args + QStringList{"snapshot", "restore", file});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out.trimmed().split('\n').size(), 2);
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(run.out.split('\n')[i].simplified(),
                 QStringLiteral("%1 done %2: %3 change(s) sent, the device matches")
                     .arg(cliAddress(fleet[i]), file)
                     .arg(written.size()));
        QCOMPARE(fleet[i].state().value("audio"), source.state().value("audio"));
    }
}

void TestCli::linkSettingsOnRequest_data()
{
    QTest::addColumn<QStringList>("args"); // before the file
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out"); // FILE: the file; PORT, IP, MASK, GATEWAY: the device's network
    QTest::addColumn<QStringList>("written");
    QTest::addColumn<int>("baudRate"); // the device's afterwards
    QTest::addColumn<bool>("serial");

    const QString hdcp = "output.hdcp\tFORCE-2.2\tFORCE-1.4\n";
    QTest::newRow("diff") << QStringList{"snapshot", "diff"} << 5 << hdcp << QStringList{} << 9600 << false;
    QTest::newRow("diff with link") << QStringList{"--with-link", "snapshot", "diff"} << 5
                                    << hdcp + "link.baudRate\t19200\t9600\nlink.port\t2001\tPORT\n"
                                    << QStringList{} << 9600 << false;
    QTest::newRow("restore") << QStringList{"snapshot", "restore"} << 0
                             << "FILE: 1 change(s) sent, the device matches\n"
                             << QStringList{"SET OUT HDCP FORCE-2.2"} << 9600 << false;
    QTest::newRow("restore with link") << QStringList{"--with-link", "snapshot", "restore"} << 0
                                       << "FILE: 3 change(s) sent, the device matches\n"
                                       << QStringList{"SET OUT HDCP FORCE-2.2", "SET BAUDRATE 19200",
                                                      "SET NETWORK-INFO IP 2001 MASK GATEWAY"}
                                       << 19200 << false;
    // Over RS-232 the new speed breaks the link in use: it is written last.
    QTest::newRow("restore with link over RS-232")
        << QStringList{"--with-link", "snapshot", "restore"} << 0
        << "FILE: 3 change(s) sent, the device matches\n"
        << QStringList{"SET OUT HDCP FORCE-2.2", "SET NETWORK-INFO IP 2001 MASK GATEWAY",
                       "SET BAUDRATE 19200"}
        << 19200 << true;
}

void TestCli::linkSettingsOnRequest()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QStringList, written);
    QFETCH(int, baudRate);
    QFETCH(bool, serial);
    QTemporaryDir dir;
    const QString file = writeFile(dir, R"({"format": "lumaplex-setup", "version": 1, "model": "RKA386QE",
        "values": {"output.hdcp": "FORCE-2.2", "link.baudRate": 19200, "link.port": 2001}})");
    SimDevice sim;
    QVERIFY(sim.start({"--model", "RKA386QE"}, serial));
    const QJsonObject network = sim.state().value("network").toObject();
    const auto filled = [&](QString text) {
        for (const QString key : {"ip", "mask", "gateway"})
            text.replace(key.toUpper(), network.value(key).toString());
        return text.replace("PORT", QString::number(network.value("port").toInt())).replace("FILE", file);
    };
    const QStringList link =
        serial ? QStringList{"--serial", sim.ptyLink()} : QStringList{"--tcp", cliAddress(sim)};
    const CliRun run = runCli(link + args + QStringList{file});
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.out, filled(out));
    QStringList expected;
    for (const QString &line : qAsConst(written))
        expected << filled(line);
    QCOMPARE(sets(sim), expected);
    QCOMPARE(sim.state().value("baudRate").toInt(), baudRate);
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
    QTest::newRow("version 0") << QByteArray(R"({"format": "lumaplex-setup", "version": 0, "model": "TN386",
                                                 "values": {"audio.volume": 20}})")
                               << 2 << "format version 0 is not 1" << QStringList{};
    QTest::newRow("unknown model") << header + R"("TN999", "values": {}})" << 2 << "unknown model 'TN999'"
                                   << QStringList{};
    QTest::newRow("no values") << header + R"("TN386"})" << 2 << R"(no "values" object)" << QStringList{};
    QTest::newRow("unknown key") << header + R"("TN386", "values": {"output.colour": "RED"}})" << 2
                                 << "unknown setting 'output.colour'" << QStringList{};
    QTest::newRow("key of another model")
        << header + R"("RKA386QE", "values": {"audio.mic1": "ON"}})" << 2
        << "audio.mic1 does not belong to this setup of a RKA386QE" << QStringList{};
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
    const QString path = writeFile(dir, file);
    SimDevice sim;
    QVERIFY(sim.start({"--model", "TN386"}));
    const CliRun run = runCli({"--tcp", cliAddress(sim), "snapshot", "restore", path});
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(said), qPrintable(run.err));
    QCOMPARE(sim.requests(), received);
}

QTEST_MAIN(TestCli)
#include "tst_cli.moc"
