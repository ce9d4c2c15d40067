// The simulator's ways in and its life: the serial line on a pseudo-terminal, line ends, one TCP client at a
// time, moving the control port, the restart after a reset, the state file, the traffic log and the command
// line.

#include "SimHarness.h"

#include <QTcpServer>
#include <QtTest>

#include <csignal>
#include <memory>

using namespace SimHarness;

namespace {

// A loopback port that was free a moment ago.
quint16 freePort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 0;
    return server.serverPort();
}

// Runs the simulator to its end with `args` (for options that make it leave at once).
struct Finished
{
    int exitCode = -1;
    QString out;
    QString err;
};
Finished runToEnd(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral(LUMAPLEX_SIM_PATH), args);
    Finished result;
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

} // namespace

class SimTransportTest : public QObject
{
    Q_OBJECT

private slots:
    void serialLine();
    void serialBaudRate();
    void serialAndTcpShareOneDevice();
    void requestLineEnds();
    void newClientReplacesOld();
    void networkWriteMovesPort();
    void networkWriteElsewhereKeepsPort();
    void resetIsUnreachableForAWhile();
    void stateSurvivesRestart();
    void brokenStateFileIsIgnored();
    void trafficLog();
    void help();
    void refusedCommandLines_data();
    void refusedCommandLines();
};

void SimTransportTest::serialLine()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath("ttyLumaplex");
    SimProcess sim;
    QVERIFY(sim.start({"--no-tcp", "--pty", link, "--model", "TN386", "--quiet"}));
    QVERIFY(!sim.terminal.isEmpty());
    QCOMPARE(QFileInfo(link).symLinkTarget(), sim.terminal);

    PtyClient serial;
    QVERIFY(serial.open(link));
    QCOMPARE(serial.request("GET MODEL TYPE"), QByteArray("MODEL TYPE TN386"));
    QCOMPARE(serial.request("SET MIC2 VOL 33"), QByteArray("MIC2 VOL 33"));
    QCOMPARE(serial.request("GET MIC2 VOL"), QByteArray("MIC2 VOL 33"));
    QCOMPARE(serial.request("GET BAUDRATE"), QByteArray("BAUDRATE 9600"));

    QCOMPARE(sim.stop(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

// A written baud rate is answered first, then the line runs at it.
void SimTransportTest::serialBaudRate()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath("tty");
    SimProcess sim;
    QVERIFY(sim.start({"--no-tcp", "--pty", link, "--quiet"}));
    PtyClient serial;
    QVERIFY(serial.open(link));
    QCOMPARE(serial.speed(), speed_t(B9600));
    QCOMPARE(serial.request("SET BAUDRATE 57600"), QByteArray("BAUDRATE 57600"));
    QVERIFY(waitUntil([&] { return serial.speed() == B57600; }, 3000));
    QCOMPARE(serial.request("GET BAUDRATE"), QByteArray("BAUDRATE 57600"));
    // A rate the device does not offer changes nothing.
    QCOMPARE(serial.request("SET BAUDRATE 4800"), QByteArray("BAUDRATE 57600"));
    QCOMPARE(serial.speed(), speed_t(B57600));
}

void SimTransportTest::serialAndTcpShareOneDevice()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    SimProcess sim;
    QVERIFY(sim.start({"--pty", dir.filePath("tty"), "--quiet"}));
    QVERIFY(sim.port != 0);
    PtyClient serial;
    QVERIFY(serial.open(dir.filePath("tty")));
    LineClient tcp;
    QVERIFY(tcp.connectTo(sim.port));
    QCOMPARE(serial.request("SET OUT HDCP FORCE-OFF"), QByteArray("OUT HDCP FORCE-OFF"));
    QCOMPARE(tcp.request("GET OUT HDCP"), QByteArray("OUT HDCP FORCE-OFF"));
    QCOMPARE(tcp.request("SET AUDIO VOL 77"), QByteArray("AUDIO VOL 77"));
    QCOMPARE(serial.request("GET AUDIO VOL"), QByteArray("AUDIO VOL 77"));
}

// Requests may end with CR, LF or CR LF; empty lines are skipped.
void SimTransportTest::requestLineEnds()
{
    SimProcess sim;
    QVERIFY(sim.start({"--quiet"}));
    LineClient client;
    QVERIFY(client.connectTo(sim.port));
    client.send("GET MODEL TYPE", "\n");
    client.send("", "\r\n\r\n\n\r");
    client.send("GET OUT ITC", "\r\n");
    client.send("GET  OUT   VKA", "\r");
    QVERIFY(client.waitLines(3));
    QCOMPARE(client.lines, QList<QByteArray>({"MODEL TYPE RKA204QE", "OUT ITC OFF", "OUT VKA BLUESCREEN"}));
    QCOMPARE(client.request("GET AUDIO-MUTE"), QByteArray("AUDIO-MUTE OFF"));
    QCOMPARE(client.lines.size(), 4);
}

void SimTransportTest::newClientReplacesOld()
{
    SimProcess sim;
    QVERIFY(sim.start({"--quiet"}));
    LineClient first;
    QVERIFY(first.connectTo(sim.port));
    QCOMPARE(first.request("GET MODEL TYPE"), QByteArray("MODEL TYPE RKA204QE"));
    LineClient second;
    QVERIFY(second.connectTo(sim.port));
    QVERIFY(waitUntil([&] { return !first.isConnected(); }, 3000));
    QCOMPARE(second.request("GET MODEL TYPE"), QByteArray("MODEL TYPE RKA204QE"));
    LineClient third;
    QVERIFY(third.connectTo(sim.port));
    QVERIFY(waitUntil([&] { return !second.isConnected(); }, 3000));
    QCOMPARE(third.request("GET OUT ITC"), QByteArray("OUT ITC OFF"));
}

// Written settings naming a loopback address move the control port after the reply; the client is dropped.
void SimTransportTest::networkWriteMovesPort()
{
    SimProcess sim;
    QVERIFY(sim.start({}));
    const quint16 oldPort = sim.port;
    const quint16 newPort = freePort();
    QVERIFY(newPort != 0 && newPort != oldPort);
    LineClient client;
    QVERIFY(client.connectTo(oldPort));
    const QByteArray settings = "127.0.0.1 " + QByteArray::number(newPort) + " 255.255.255.0 127.0.0.1";
    const int logFrom = sim.output().size();
    QCOMPARE(client.request("SET NETWORK-INFO " + settings), "NETWORK-INFO " + settings);
    QVERIFY(waitUntil([&] { return !client.isConnected(); }, 3000));
    QVERIFY(
        sim.waitForOutput(QRegularExpression("listening on tcp 127\\.0\\.0\\.1:" + QString::number(newPort)),
                          logFrom)
            .hasMatch());

    LineClient stale;
    QVERIFY(!stale.connectTo(oldPort));
    LineClient moved;
    QVERIFY(moved.connectTo(newPort));
    QCOMPARE(moved.request("GET NETWORK-INFO"), "NETWORK-INFO " + settings);
}

// An address of another machine is stored and reported, but the control port stays where it is.
void SimTransportTest::networkWriteElsewhereKeepsPort()
{
    SimProcess sim;
    QVERIFY(sim.start({"--quiet"}));
    LineClient client;
    QVERIFY(client.connectTo(sim.port));
    QCOMPARE(client.request("SET NETWORK-INFO 192.0.2.10 4001 255.255.255.0 192.0.2.1"),
             QByteArray("NETWORK-INFO 192.0.2.10 4001 255.255.255.0 192.0.2.1"));
    QCOMPARE(client.request("GET MODEL TYPE"), QByteArray("MODEL TYPE RKA204QE"));
    QVERIFY(client.isConnected());
    QCOMPARE(client.request("GET NETWORK-INFO"),
             QByteArray("NETWORK-INFO 192.0.2.10 4001 255.255.255.0 192.0.2.1"));
}

// "SET RESET": no reply, the connection drops, nobody can connect for --reset-ms, then factory settings.
void SimTransportTest::resetIsUnreachableForAWhile()
{
    const int resetMs = 700;
    SimProcess sim;
    QVERIFY(sim.start({"--reset-ms", QString::number(resetMs), "--quiet"}));
    LineClient client;
    QVERIFY(client.connectTo(sim.port));
    QCOMPARE(client.request("SET OUT HDCP FORCE-OFF"), QByteArray("OUT HDCP FORCE-OFF"));
    QCOMPARE(client.request("SET MULTIVIEW 4xWIN"), QByteArray("MULTIVIEW 4xWIN"));

    QElapsedTimer sinceReset;
    sinceReset.start();
    client.send("SET RESET");
    QVERIFY(waitUntil([&] { return !client.isConnected(); }, 3000));
    QCOMPARE(client.lines.size(), 2);
    LineClient early;
    QVERIFY(!early.connectTo(sim.port));

    std::unique_ptr<LineClient> later;
    QVERIFY(waitUntil(
        [&] {
            later.reset(new LineClient);
            return later->connectTo(sim.port);
        },
        10000));
    QVERIFY2(sinceReset.elapsed() >= resetMs, qPrintable(QString::number(sinceReset.elapsed())));
    QCOMPARE(later->request("GET OUT HDCP"), QByteArray("OUT HDCP FORCE-1.4"));
    QCOMPARE(later->request("GET MULTIVIEW"), QByteArray("MULTIVIEW SINGLE"));
    QCOMPARE(later->request("GET NETWORK-INFO"),
             "NETWORK-INFO 127.0.0.1 " + QByteArray::number(sim.port) + " 255.0.0.0 127.0.0.1");
}

void SimTransportTest::stateSurvivesRestart()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString stateFile = dir.filePath("device.json");
    QByteArray edid(256, '\0');
    for (int i = 0; i < edid.size(); ++i)
        edid[i] = char(255 - i);
    const QList<QByteArray> changes = {
        "SET OUT HDCP FORCE-2.2", "SET OUT RESOLUTION 1280x720p50",
        "SET RESO-USER 1366 768", "SET IN EDIDMODE 720p",
        "SET MULTIVIEW 3xWIN",    "SET WINDOW3 IN DP",
        "SET 3xWIN MODE 3",       "SET SAVE SCENE 4",
        "SET MULTIVIEW PIP",      "SET PIP USER 5 6 7 8",
        "SET AUDIO SOURCE LR2",   "SET AUDIO VOL 44",
        "SET MIC1 ONOFF OFF",     "SET MIC1 VOL 12",
        "SET BAUDRATE 38400",     "SET EDID-USER " + edid.toHex(' ').toUpper()};
    QList<QByteArray> reads = {"GET OUT HDCP",     "GET OUT RESOLUTION", "GET RESO-USER",
                               "GET IN EDIDMODE",  "GET MULTIVIEW-SYNC", "GET PIP USER",
                               "GET AUDIO SOURCE", "GET AUDIO VOL",      "GET MIC1 ONOFF",
                               "GET MIC1 VOL",     "GET BAUDRATE",       "GET EDID-USER"};
    QList<QByteArray> before;
    {
        SimProcess sim;
        QVERIFY(sim.start({"--model", "TN386", "--state", stateFile, "--quiet"}));
        LineClient client;
        QVERIFY(client.connectTo(sim.port));
        for (const QByteArray &change : changes)
            QVERIFY(!client.request(change).isEmpty());
        for (const QByteArray &read : reads)
            before << client.request(read);
        // SIGINT ends it as cleanly as SIGTERM.
        ::kill(pid_t(sim.process.processId()), SIGINT);
        QVERIFY(sim.process.waitForFinished(5000));
        QCOMPARE(sim.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.process.exitCode(), 0);
    }
    QFile file(stateFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
    QCOMPARE(json.value("model").toString(), QStringLiteral("TN386"));
    QCOMPARE(json.value("scenes").toArray().size(), 20);

    // The model comes from the file when none is given.
    SimProcess sim;
    QVERIFY(sim.start({"--state", stateFile, "--quiet"}));
    LineClient client;
    QVERIFY(client.connectTo(sim.port));
    QCOMPARE(client.request("GET MODEL TYPE"), QByteArray("MODEL TYPE TN386"));
    QList<QByteArray> after;
    for (const QByteArray &read : reads)
        after << client.request(read);
    QCOMPARE(after, before);
    QCOMPARE(after.at(0), QByteArray("OUT HDCP FORCE-2.2"));
    QCOMPARE(after.at(4), QByteArray("MULTIVIEW-SYNC PIP HDMI1 HDMI2 NULL NULL RightBottom SMALL"));
    QCOMPARE(client.request("SET LOAD SCENE 4"), QByteArray("LOAD SCENE 4"));
    QCOMPARE(client.request("GET MULTIVIEW-SYNC"),
             QByteArray("MULTIVIEW-SYNC 3xWIN HDMI1 HDMI2 DP NULL FULL 3 4"));
    QCOMPARE(sim.stop(), 0);
}

void SimTransportTest::brokenStateFileIsIgnored()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString stateFile = dir.filePath("device.json");
    QFile file(stateFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("{ \"model\": \"TN386\", ");
    file.close();
    SimProcess sim;
    QVERIFY(sim.start({"--state", stateFile, "--quiet"}));
    LineClient client;
    QVERIFY(client.connectTo(sim.port));
    QCOMPARE(client.request("GET MODEL TYPE"), QByteArray("MODEL TYPE RKA204QE"));
    QVERIFY(QString::fromLocal8Bit(sim.process.readAllStandardError()).contains(stateFile));
    // It is replaced by a readable one.
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(QJsonDocument::fromJson(file.readAll()).isObject());
}

void SimTransportTest::trafficLog()
{
    SimProcess sim;
    QVERIFY(sim.start({}));
    LineClient client;
    QVERIFY(client.connectTo(sim.port));
    QCOMPARE(client.request("GET MODEL TYPE"), QByteArray("MODEL TYPE RKA204QE"));
    client.send("\x01\xfe\\");
    QVERIFY(client.waitLines(2));
    const QString time = QStringLiteral("\\d\\d:\\d\\d:\\d\\d\\.\\d{3}");
    QVERIFY(sim.waitForOutput(QRegularExpression(time + " tcp <- GET MODEL TYPE\\\\r\\n")).hasMatch());
    QVERIFY(
        sim.waitForOutput(QRegularExpression(time + " tcp -> MODEL TYPE RKA204QE\\\\r\\\\n\\n")).hasMatch());
    QVERIFY(
        sim.waitForOutput(QRegularExpression(time + " tcp <- \\\\x01\\\\xfe\\\\\\\\\\\\r\\n")).hasMatch());

    SimProcess quiet;
    QVERIFY(quiet.start({"--quiet"}));
    LineClient other;
    QVERIFY(other.connectTo(quiet.port));
    QCOMPARE(other.request("GET MODEL TYPE"), QByteArray("MODEL TYPE RKA204QE"));
    QCOMPARE(quiet.stop(), 0);
    QVERIFY(!quiet.output().contains(QLatin1String("<-")));
    QCOMPARE(quiet.output().count(QLatin1Char('\n')), 1);
}

void SimTransportTest::help()
{
    const Finished run = runToEnd({"--help"});
    QCOMPARE(run.exitCode, 0);
    for (const char *option :
         {"--model", "--tcp", "--listen-any", "--no-tcp", "--pty", "--line-ending", "--state", "--reset-ms",
          "--silent", "--no-reply", "--delay-ms", "--drop-every", "--garbage-every", "--split",
          "--disconnect-after", "--flood", "--quiet", "--help", "--version"})
        QVERIFY2(run.out.contains(QLatin1String(option)), option);
}

void SimTransportTest::refusedCommandLines_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("any address") << QStringList{"--tcp", "0.0.0.0:0"} << "loopback";
    QTest::newRow("other address") << QStringList{"--tcp", "192.0.2.1:2000"} << "loopback";
    QTest::newRow("bad port") << QStringList{"--tcp", "127.0.0.1:99999"} << "--tcp";
    QTest::newRow("negative delay") << QStringList{"--delay-ms", "-5"} << "--delay-ms";
    QTest::newRow("line ending") << QStringList{"--line-ending", "lf"} << "--line-ending";
    QTest::newRow("nothing to listen on") << QStringList{"--no-tcp"} << "--pty";
    QTest::newRow("unknown option") << QStringList{"--fast"} << "fast";
}

// These leave at once with exit code 2 and a message; none of them listens anywhere.
void SimTransportTest::refusedCommandLines()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const Finished run = runToEnd(args);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(!run.out.contains(QLatin1String("listening")));
}

QTEST_MAIN(SimTransportTest)
#include "tst_sim_transport.moc"
