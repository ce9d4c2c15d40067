// The device simulator as the program reaches it, through LinkSession: the replies of each model, the state
// kept across a restart, several clients on one device, the fault options, the serial line on a
// pseudo-terminal and the command line.

#include "core/LinkEventLog.h"
#include "core/SimDevice.h"
#include "core/TestProcess.h"
#include "protocol/Catalogue.h"
#include "protocol/ReplyRule.h"
#include "session/LinkSession.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTest>

#include <cstdio>

namespace {

// The tool's end of a link to the simulator.
class ToolLink
{
public:
    bool openTcp(quint16 port)
    {
        session.openTcpClient("127.0.0.1", "127.0.0.1", QString::number(port));
        return log.waitFor(LinkEvent::ConnectStatus, 1, 5000) && log.trace().value(0) == "connect 1 0";
    }
    bool openSerial(const QString &path)
    {
        session.openSerial({path});
        return log.waitFor(LinkEvent::ConnectStatus, 1, 5000) && log.trace().value(0) == "connect 1 0";
    }

    // Sends `request` as a request builder does, awaiting the two words after its verb (with a short
    // time-out), and returns the lines received until that reply came or the time-out was reported, without
    // line ends; a line without upper-case letters (junk) as "*".
    QByteArrayList ask(const QByteArray &request)
    {
        const QByteArray keyword = request.split(' ').mid(1, 2).join(' ');
        ReplyRule rule = defaultReplyRule(keyword);
        rule.timeoutMs = 500;
        const int seen = log.count(LinkEvent::Received);
        const int timeouts = log.count(LinkEvent::ReplyTimeout);
        QElapsedTimer clock;
        clock.start();
        session.send(requestWithRule(request, rule));
        QByteArrayList lines;
        const bool done = QTest::qWaitFor(
            [&] {
                lines = linesSince(seen);
                return lines.join('\n').contains(keyword) || log.count(LinkEvent::ReplyTimeout) > timeouts;
            },
            5000);
        lastAskMs = done ? clock.elapsed() : -1;
        return lines;
    }

    QByteArrayList linesSince(int seen) const
    {
        QByteArrayList lines;
        for (const QByteArray &line : log.lines().mid(seen)) {
            const QByteArray text = line.trimmed();
            lines << (QRegularExpression("[A-Z]").match(QString::fromLatin1(text)).hasMatch() ? text : "*");
        }
        return lines;
    }

    LinkSession session;
    LinkEventLog log{session};
    qint64 lastAskMs = -1;
};

QByteArrayList reply(const QByteArray &line)
{
    return line.isEmpty() ? QByteArrayList() : QByteArrayList{line};
}

} // namespace

class TestSim : public QObject
{
    Q_OBJECT

private slots:
    // The model reply, and the replies that differ by model; any other model name is reported as it is and
    // behaves like an RKA204QE. An empty reply: none came (the link reported the time-out).
    void models_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<QByteArrayList>("replies");
        for (const QString model : {"RKA204QE", "RKA07QE", "RKA386QE", "TN386", "TN204E", "XR-900"}) {
            const bool nineInputs = model == "RKA386QE" || model == "TN386";
            const bool tn386 = model == "TN386";
            QTest::newRow(qPrintable(model))
                << model
                << QByteArrayList{"MODEL TYPE " + model.toLatin1(),
                                  nineInputs ? "WINDOW1 IN HDMI5" : "WINDOW1 IN HDMI1",
                                  nineInputs || model == "TN204E" ? "WINDOW2 IN DP" : "WINDOW2 IN HDMI2",
                                  model == "RKA07QE" ? "WINDOW3 IN HDMI3" : "WINDOW3 IN USB-C",
                                  tn386 ? "AUDIO SOURCE LR3" : "AUDIO SOURCE WIN1",
                                  model == "RKA386QE" ? "AUDIO SOURCE WIN-KVM"
                                  : tn386             ? "AUDIO SOURCE LR3"
                                                      : "AUDIO SOURCE WIN1",
                                  tn386 ? "AUDIO VOL 15" : "AUDIO VOL 60",
                                  tn386 ? "MIC1 VOL 20" : "ERR UNKNOWN COMMAND",
                                  model == "RKA07QE" ? "" : "OUT 4K-AUTO ON"};
        }
    }

    void models()
    {
        QFETCH(QString, model);
        QFETCH(QByteArrayList, replies);
        const QByteArrayList requests{
            "GET MODEL TYPE",       "SET WINDOW1 IN HDMI5", "SET WINDOW2 IN DP",
            "SET WINDOW3 IN USB-C", "SET AUDIO SOURCE LR3", "SET AUDIO SOURCE WIN-KVM",
            "SET AUDIO VOL 60",     "GET MIC1 VOL",         "SET OUT 4K-AUTO ON"};
        SimDevice sim;
        QVERIFY(sim.start({"--model", model, "--quiet"}));
        ToolLink link;
        QVERIFY(link.openTcp(sim.port()));
        for (int i = 0; i < requests.size(); ++i)
            QCOMPARE(link.ask(requests[i]), reply(replies[i]));
    }

    // Changes are saved in the --state file and read back after a restart, the model too.
    void stateKeptAcrossRestart()
    {
        const QByteArrayList changes{"SET OUT VKA BLACKSCREEN", "SET OUT HDCP FORCE-2.2",
                                     "SET WINDOW2 IN DP",       "SET MULTIVIEW 4xWIN",
                                     "SET MIC1 VOL 12",         "SET BAUDRATE 38400"};
        SimDevice sim;
        QVERIFY(sim.start({"--model", "TN386", "--quiet"}));
        {
            ToolLink link;
            QVERIFY(link.openTcp(sim.port()));
            for (const QByteArray &change : changes)
                QCOMPARE(link.ask(change), reply(change.mid(4)));
        }
        QCOMPARE(sim.stop(), 0);
        QCOMPARE(sim.state().value("output").toObject().value("vka").toString(), QString("BLACKSCREEN"));

        QVERIFY(sim.start({"--quiet"}));
        ToolLink link;
        QVERIFY(link.openTcp(sim.port()));
        QCOMPARE(link.ask("GET MODEL TYPE"), reply("MODEL TYPE TN386"));
        for (const QByteArray &change : changes) {
            const QByteArray object = change.mid(4, change.lastIndexOf(' ') - 4);
            QCOMPARE(link.ask("GET " + object), reply(change.mid(4)));
        }
    }

    // Two clients at once share the one device: a change by the first is what the second reads. With
    // --announce the second is also sent the change's reply line at once, unasked; the first gets its reply
    // once, and reads or writes that change nothing are told to nobody else.
    void sharedDevice_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("serial"); // the second client is on the serial line
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<bool>("announced");
        QTest::newRow("two clients") << QStringList{} << false << QByteArray("SET OUT HDCP FORCE-2.2")
                                     << false;
        QTest::newRow("--announce") << QStringList{"--announce"} << false
                                    << QByteArray("SET OUT HDCP FORCE-2.2") << true;
        QTest::newRow("--announce, serial line")
            << QStringList{"--announce"} << true << QByteArray("SET OUT HDCP FORCE-2.2") << true;
        QTest::newRow("--announce, same value")
            << QStringList{"--announce"} << false << QByteArray("SET OUT HDCP FORCE-1.4") << false;
        QTest::newRow("--announce, a read")
            << QStringList{"--announce"} << false << QByteArray("GET OUT HDCP") << false;
    }

    void sharedDevice()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, serial);
        QFETCH(QByteArray, request);
        QFETCH(bool, announced);
        SimDevice sim;
        QVERIFY(sim.start(args, serial));
        ToolLink changer, other;
        QVERIFY(changer.openTcp(sim.port()));
        QVERIFY(serial ? other.openSerial(sim.ptyLink()) : other.openTcp(sim.port()));
        QTRY_COMPARE(sim.connections(), serial ? 1 : 2);
        const QByteArray value =
            request.startsWith("SET ") ? request.mid(4) : QByteArray("OUT HDCP FORCE-1.4");
        QCOMPARE(changer.ask(request), reply(value));
        QCOMPARE(other.log.waitFor(LinkEvent::Received, 1, announced ? 5000 : 300), announced);
        QCOMPARE(other.linesSince(0), announced ? reply(value) : QByteArrayList());
        QCOMPARE(other.ask("GET OUT HDCP"), reply(value));
        QVERIFY(!changer.log.waitFor(LinkEvent::Received, 2, 300));
        QCOMPARE(changer.linesSince(0), reply(value));
        QCOMPARE(sim.requests(), QStringList({request, "GET OUT HDCP"}));
        QCOMPARE(changer.log.count(LinkEvent::LinkLost) + other.log.count(LinkEvent::LinkLost), 0);
    }

    // --freeze-after: answers until then, nothing after; the connection stays open and a new one is still
    // accepted. The first answer is due well within the two seconds, even on a slow machine.
    void freezeAfter()
    {
        SimDevice sim;
        QVERIFY(sim.start({"--freeze-after", "2"}));
        ToolLink link;
        QVERIFY(link.openTcp(sim.port()));
        QCOMPARE(link.ask("GET OUT HDCP"), reply("OUT HDCP FORCE-1.4"));
        QVERIFY(sim.process.waitForOutput(QRegularExpression("frozen: no more answers\n")).hasMatch());
        QCOMPARE(link.ask("GET OUT VKA"), QByteArrayList());
        ToolLink late;
        QVERIFY(late.openTcp(sim.port()));
        QCOMPARE(late.ask("GET OUT ITC"), QByteArrayList());
        QVERIFY(!link.log.waitFor(LinkEvent::LinkLost, 1, 1500));
        QCOMPARE(late.log.count(LinkEvent::LinkLost), 0);
        QCOMPARE(sim.requests(), QStringList({"GET OUT HDCP", "GET OUT VKA", "GET OUT ITC"}));
        QCOMPARE(sim.connections(), 2);
        QCOMPARE(sim.logLines("frozen: no more answers"), 1);
    }

    // Each fault option does what it says. `replies` holds what each request brought, " | " between lines.
    void faults_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArrayList>("requests");
        QTest::addColumn<QByteArrayList>("replies");
        QTest::addColumn<int>("minMs");       // least time from a request to its reply
        QTest::addColumn<int>("connections"); // TCP connections the device accepted
        const QByteArrayList four{"GET OUT HDCP", "GET OUT VKA", "GET OUT ITC", "GET AUDIO VOL"};
        QTest::newRow("--silent") << QStringList{"--silent"} << four << QByteArrayList{"", "", "", ""} << 0
                                  << 1;
        QTest::newRow("--no-reply") << QStringList{"--no-reply", "OUT VKA"} << four
                                    << QByteArrayList{"OUT HDCP FORCE-1.4", "", "OUT ITC OFF", "AUDIO VOL 30"}
                                    << 0 << 1;
        QTest::newRow("--delay-ms") << QStringList{"--delay-ms", "300"} << four.mid(0, 1)
                                    << QByteArrayList{"OUT HDCP FORCE-1.4"} << 300 << 1;
        QTest::newRow("--drop-every")
            << QStringList{"--drop-every", "2"} << four
            << QByteArrayList{"OUT HDCP FORCE-1.4", "", "OUT ITC OFF", ""} << 0 << 1;
        QTest::newRow("--garbage-every") << QStringList{"--garbage-every", "2"} << four
                                         << QByteArrayList{"OUT HDCP FORCE-1.4", "* | OUT VKA BLUESCREEN",
                                                           "OUT ITC OFF", "* | AUDIO VOL 30"}
                                         << 0 << 1;
        // Eight bytes at a time, 10 ms apart: a 61-byte reply comes in eight pieces, yet as one line.
        QTest::newRow("--split")
            << QStringList{"--split"} << QByteArrayList{"GET MULTIVIEW-SYNC"}
            << QByteArrayList{"MULTIVIEW-SYNC SINGLE HDMI1 NULL NULL NULL 1920x1080p60 OFF"} << 70 << 1;
        // The device closes the connection after its second reply: the link is lost.
        QTest::newRow("--disconnect-after")
            << QStringList{"--disconnect-after", "2"} << four.mid(0, 2)
            << QByteArrayList{"OUT HDCP FORCE-1.4", "OUT VKA BLUESCREEN"} << 0 << 1;
    }

    void faults()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArrayList, requests);
        QFETCH(QByteArrayList, replies);
        QFETCH(int, minMs);
        QFETCH(int, connections);
        SimDevice sim;
        QVERIFY(sim.start(args));
        ToolLink link;
        QVERIFY(link.openTcp(sim.port()));
        for (int i = 0; i < requests.size(); ++i) {
            QCOMPARE(link.ask(requests[i]).join(" | "), replies[i]);
            // Besides the device's time, the link's 50 ms gap before the write.
            QVERIFY2(link.lastAskMs >= minMs + 50, qPrintable(QString::number(link.lastAskMs)));
        }
        QCOMPARE(sim.requests().size(), requests.size());
        QCOMPARE(sim.connections(), connections);
        // A device that hangs up is noticed well within the keep-alive's 5 s; one that stays is not lost.
        const bool dropped = args.contains("--disconnect-after");
        QCOMPARE(link.log.waitFor(LinkEvent::LinkLost, 1, dropped ? 5000 : 300), dropped);
    }

    // Unsolicited status lines keep coming; the reply still arrives among them.
    void flood()
    {
        SimDevice sim;
        QVERIFY(sim.start({"--flood", "50", "--quiet"}));
        ToolLink link;
        QVERIFY(link.openTcp(sim.port()));
        QVERIFY(link.log.waitFor(LinkEvent::Received, 5, 3000));
        QVERIFY(link.ask("GET MODEL TYPE").contains("MODEL TYPE RKA204QE"));
        for (const QByteArray &line : link.linesSince(0)) {
            QVERIFY2(line == "MODEL TYPE RKA204QE" || line.startsWith("IN STATUS ") ||
                         line.startsWith("OUT STATUS "),
                     line.constData());
        }
    }

    // The serial line on a pseudo-terminal, at 9600 baud. A request may also end with CR LF (typed into the
    // debug console): the LF makes no request of its own.
    void serialLine()
    {
        SimDevice sim;
        QVERIFY(sim.start({"--model", "TN204E"}, true));
        ToolLink link;
        QVERIFY(link.openSerial(sim.ptyLink()));
        QCOMPARE(link.ask("GET MODEL TYPE"), reply("MODEL TYPE TN204E"));
        link.session.send(Request{"GET OUT ITC\r\n", ReplyRule()});
        QCOMPARE(link.ask("GET BAUDRATE"), QByteArrayList({"OUT ITC OFF", "BAUDRATE 9600"}));
        QCOMPARE(sim.requests(), QStringList({"GET MODEL TYPE", "GET OUT ITC", "GET BAUDRATE"}));
        QCOMPARE(sim.connections(), 0);
    }

    // --help names every option and ends at once.
    void help()
    {
        TestProcess sim;
        sim.start(LUMAPLEX_SIM_PATH, {"--help"});
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitCode(), 0);
        const QString text = QString::fromLocal8Bit(sim.readAllStandardOutput());
        for (const char *option :
             {"--model",       "--tcp",        "--listen-any",    "--no-tcp", "--pty",
              "--line-ending", "--state",      "--reset-ms",      "--silent", "--no-reply",
              "--delay-ms",    "--drop-every", "--garbage-every", "--split",  "--disconnect-after",
              "--flood",       "--announce",   "--freeze-after",  "--quiet",  "--devices",
              "--control"})
            QVERIFY2(text.contains(QLatin1String(option)), option);
    }

    // A simulator that a test started ends with that test, however the test ends: here it is killed, as
    // CTest kills a test at its time-out.
    void simulatorEndsWithItsTest()
    {
        TestProcess test;
        test.start(QCoreApplication::applicationFilePath(), {HoldSimulator});
        QTRY_VERIFY_WITH_TIMEOUT(test.canReadLine() || test.state() == QProcess::NotRunning, 10000);
        const qint64 sim = test.readLine().trimmed().toLongLong();
        QVERIFY(sim > 0 && isRunning(sim));
        test.kill();
        QVERIFY(test.waitForFinished(5000));
        QTRY_VERIFY_WITH_TIMEOUT(!isRunning(sim), 5000);
    }

public:
    // The helper of simulatorEndsWithItsTest: starts a simulator, prints its process id and runs until it is
    // killed.
    static constexpr const char *HoldSimulator = "--hold-simulator";
    static int holdSimulator(QCoreApplication &app)
    {
        SimHarness::SimProcess sim;
        if (!sim.start({}))
            return 1;
        std::printf("%lld\n", sim.process.processId());
        std::fflush(stdout);
        return app.exec();
    }

private:
    // Whether the process runs (a zombie has ended: it only waits to be reaped).
    static bool isRunning(qint64 pid)
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            return false;
        const QByteArray text = stat.readAll();
        return !text.mid(text.lastIndexOf(')') + 2, 1).startsWith('Z');
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 2 && qstrcmp(argv[1], TestSim::HoldSimulator) == 0)
        return TestSim::holdSimulator(app);
    TestSim test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_sim.moc"
