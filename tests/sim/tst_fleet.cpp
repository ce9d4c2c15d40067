// The simulator serving a fleet, on the wire: N devices in one process, each on its own port with its own
// model and state file, and the control port that makes one device fail while the others go on answering.

#include "core/SimHarness.h"
#include "core/TestProcess.h"

#include <QByteArray>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QObject>
#include <QStringList>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// A controller's connection to one port, spoken to line by line.
class Wire
{
public:
    explicit Wire(quint16 port) { socket.connectToHost(QStringLiteral("127.0.0.1"), port); }

    // Sends `line` (CR added) and returns the next line that comes back without its end, or "" when none
    // came within `waitMs`.
    QByteArray ask(const QByteArray &line, int waitMs = 5000)
    {
        socket.write(line + '\r');
        return next(waitMs);
    }
    QByteArray next(int waitMs)
    {
        static_cast<void>(QTest::qWaitFor([this] { return socket.canReadLine(); }, waitMs));
        return socket.readLine().trimmed();
    }
    bool isConnected() const { return socket.state() == QAbstractSocket::ConnectedState; }

    QTcpSocket socket;
};

// How long a device that does not answer is given before the test takes it as silent.
constexpr int SilenceMs = 600;

} // namespace

class TestFleet : public QObject
{
    Q_OBJECT

private slots:
    void fleet()
    {
        QTemporaryDir dir;
        SimHarness::SimProcess sim;
        QVERIFY(sim.start({"--devices", "3", "--model", "RKA07QE,TN386", "--control", "127.0.0.1:0",
                           "--state", dir.filePath("site.json"), "--quiet"}));
        const QList<quint16> ports = sim.fleetPorts();
        QCOMPARE(ports.size(), 3);
        QVERIFY(ports[0] != ports[1] && ports[1] != ports[2] && ports[0] != ports[2]);
        QVERIFY(sim.controlPort() > 0);
        Wire controller(sim.controlPort());

        // The models in turn, each device with a state file of its own.
        const QByteArrayList models{"RKA07QE", "TN386", "RKA07QE"};
        std::vector<std::unique_ptr<Wire>> devices;
        for (int i = 0; i < 3; ++i) {
            devices.push_back(std::make_unique<Wire>(ports[i]));
            QCOMPARE(devices[i]->ask("GET MODEL TYPE"), "MODEL TYPE " + models[i]);
            QFile state(dir.filePath(QStringLiteral("site-%1.json").arg(i)));
            QVERIFY(state.open(QIODevice::ReadOnly));
            QCOMPARE(QJsonDocument::fromJson(state.readAll()).object().value("model").toString().toLatin1(),
                     models[i]);
        }
        const QByteArray volume = devices[0]->ask("GET AUDIO VOL");
        QVERIFY(volume.startsWith("AUDIO VOL ") && volume != "AUDIO VOL 7");
        QCOMPARE(devices[1]->ask("SET AUDIO VOL 7"), "AUDIO VOL 7");
        QCOMPARE(devices[0]->ask("GET AUDIO VOL"), volume);

        // Silent: the request is read and not answered; the others answer meanwhile.
        QCOMPARE(controller.ask("FAULT 1 silent"), "OK");
        QCOMPARE(devices[1]->ask("GET MODEL TYPE", SilenceMs), "");
        QCOMPARE(devices[0]->ask("GET MODEL TYPE"), "MODEL TYPE RKA07QE");
        QCOMPARE(controller.ask("FAULT 1 clear"), "OK");
        QCOMPARE(devices[1]->ask("GET AUDIO VOL"), "AUDIO VOL 7");

        // Frozen: the connection stays and nothing is read, until the device works again and reads what
        // waited.
        QCOMPARE(controller.ask("FAULT 2 freeze"), "OK");
        QCOMPARE(devices[2]->ask("GET MODEL TYPE", SilenceMs), "");
        QVERIFY(devices[2]->isConnected());
        QCOMPARE(devices[1]->ask("GET MODEL TYPE"), "MODEL TYPE TN386");
        QCOMPARE(controller.ask("fault 2 CLEAR"), "OK");
        QCOMPARE(devices[2]->next(5000), "MODEL TYPE RKA07QE");

        // Disconnect: the connection drops, a new one is accepted and answered.
        QCOMPARE(controller.ask("FAULT 0 disconnect"), "OK");
        QTRY_VERIFY_WITH_TIMEOUT(!devices[0]->isConnected(), 5000);
        QVERIFY(devices[1]->isConnected() && devices[2]->isConnected());
        Wire again(ports[0]);
        QCOMPARE(again.ask("GET MODEL TYPE"), "MODEL TYPE RKA07QE");

        // Lines that are not a fault change nothing.
        for (const auto &[line, answer] : std::initializer_list<std::pair<QByteArray, QByteArray>>{
                 {"FAULT 3 freeze", "ERROR no device 3 (the fleet has 0 to 2)"},
                 {"FAULT -1 freeze", "ERROR no device -1 (the fleet has 0 to 2)"},
                 {"FAULT 1 melt", "ERROR no fault melt (freeze, silent, disconnect or clear)"},
                 {"FAULT 1", "ERROR expected FAULT INDEX freeze|silent|disconnect|clear"},
                 {"FREEZE 1", "ERROR expected FAULT INDEX freeze|silent|disconnect|clear"}})
            QCOMPARE(controller.ask(line), answer);
        for (int i = 1; i < 3; ++i)
            QCOMPARE(devices[i]->ask("GET MODEL TYPE"), "MODEL TYPE " + models[i]);
        QCOMPARE(sim.stop(), 0);
    }

    // A fleet the simulator cannot serve is refused at once, with the reason.
    void refused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("no devices") << QStringList{"--devices", "0"}
                                    << "--devices needs a number from 1 to 1000";
        QTest::newRow("too many") << QStringList{"--devices", "1001"}
                                  << "--devices needs a number from 1 to 1000";
        QTest::newRow("beyond the last port") << QStringList{"--devices", "3", "--tcp", "127.0.0.1:65534"}
                                              << "3 devices from port 65534 go beyond port 65535";
        QTest::newRow("serial line") << QStringList{"--devices", "2", "--pty", "/tmp/lumaplex-fleet-pty"}
                                     << "a fleet listens on TCP only";
        QTest::newRow("control not on loopback") << QStringList{"--control", "10.1.2.3:4000"}
                                                 << "--control needs [ADDR:]PORT on a loopback address";
        QTest::newRow("empty model") << QStringList{"--devices", "2", "--model", "TN386,"}
                                     << "--model needs one word, or words parted by commas";
    }
    void refused()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        TestProcess sim;
        sim.start(LUMAPLEX_SIM_PATH, args);
        QVERIFY(sim.waitForFinished(5000));
        QCOMPARE(sim.exitCode(), 2);
        QVERIFY2(QString::fromLocal8Bit(sim.readAllStandardError()).contains(message), qPrintable(message));
        QVERIFY(sim.readAllStandardOutput().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestFleet)
#include "tst_fleet.moc"
