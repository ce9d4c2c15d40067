// Finding devices against lumaplex-sim on loopback addresses and pseudo-terminals only: the network sweep
// finds exactly the devices of its range and never asks outside it, Cancel stops it at once; the serial
// speed search finds the device's speed or names what it tried; and the line settings the tool gives a
// serial port are the ones the simulator reads back from its pseudo-terminal.

#include "core/LinkEventLog.h"
#include "core/PtyPair.h"
#include "core/SimDevice.h"
#include "protocol/Catalogue.h"
#include "session/BaudProbe.h"
#include "session/LinkSession.h"
#include "session/NetworkSweep.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

namespace {

using Sims = std::vector<std::unique_ptr<SimDevice>>;

// Starts one simulator per "address=MODEL" (a model "-" stays silent) on the same port, the first one
// choosing a free port.
bool startSims(Sims &sims, const QStringList &devices, quint16 *port)
{
    for (const QString &device : devices) {
        const QString model = device.section('=', 1);
        QStringList args{"--tcp", QStringLiteral("%1:%2").arg(device.section('=', 0, 0)).arg(*port)};
        args << "--model" << (model == "-" ? QStringLiteral("TN204E") : model);
        if (model == "-")
            args << "--silent";
        sims.push_back(std::make_unique<SimDevice>());
        if (!sims.back()->start(args))
            return false;
        *port = sims.back()->port();
    }
    return true;
}

QStringList foundOf(const NetworkSweep &sweep)
{
    QStringList found;
    for (const NetworkSweep::Found &device : sweep.found())
        found << QStringLiteral("%1:%2=%3").arg(device.address).arg(device.port).arg(device.model);
    found.sort();
    return found;
}

} // namespace

class TestFinding : public QObject
{
    Q_OBJECT

private slots:
    void sweepFindsTheRangeOnly_data();
    void sweepFindsTheRangeOnly();
    void cancelStopsTheSweepAtOnce();
    void searchesReadPastAnEmptyLine_data();
    void searchesReadPastAnEmptyLine();
    void speedSearch_data();
    void speedSearch();
    void lineSettingsReachThePort_data();
    void lineSettingsReachThePort();
};

void TestFinding::sweepFindsTheRangeOnly_data()
{
    QTest::addColumn<QString>("range");
    QTest::addColumn<QStringList>("inside");
    QTest::addColumn<QStringList>("outside"); // devices just beyond the range's ends
    QTest::addColumn<int>("total");
    QTest::newRow("/24") << "127.0.0.0/24"
                         << QStringList{"127.0.0.5=RKA386QE", "127.0.0.77=TN386", "127.0.0.254=RKA07QE"}
                         << QStringList{"127.0.1.1=TN204E"} << 254;
    QTest::newRow("/22") << "127.0.4.9/22" << QStringList{"127.0.4.1=RKA204QE", "127.0.7.254=TN386"}
                         << QStringList{"127.0.3.254=TN204E", "127.0.7.255=RKA07QE", "127.0.8.1=RKA386QE"}
                         << 1022;
    QTest::newRow("/32") << "127.0.9.9/32" << QStringList{"127.0.9.9=TN386"}
                         << QStringList{"127.0.9.8=TN204E", "127.0.9.10=RKA07QE"} << 1;
}

void TestFinding::sweepFindsTheRangeOnly()
{
    QFETCH(QString, range);
    QFETCH(QStringList, inside);
    QFETCH(QStringList, outside);
    QFETCH(int, total);
    Sims sims;
    quint16 port = 0;
    QVERIFY(startSims(sims, inside + outside, &port));
    NetworkSweep sweep;
    QSignalSpy finished(&sweep, &NetworkSweep::SGL_Finished);
    sweep.start(parseSweepRange(range), port);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 30000);
    QCOMPARE(finished.first().first().toBool(), false);
    QStringList expected;
    for (const QString &device : inside)
        expected << QStringLiteral("%1:%2=%3")
                        .arg(device.section('=', 0, 0))
                        .arg(port)
                        .arg(device.section('=', 1));
    expected.sort();
    QCOMPARE(foundOf(sweep), expected);
    QCOMPARE(int(sweep.total()), total);
    QCOMPARE(int(sweep.done()), total);
    // Each device inside was asked the model query and nothing else; none outside was even connected to.
    for (std::size_t i = 0; i < sims.size(); ++i)
        QCOMPARE(sims[i]->requests(), int(i) < inside.size() ? QStringList{"GET MODEL TYPE"} : QStringList{});
    for (std::size_t i = inside.size(); i < sims.size(); ++i)
        QCOMPARE(sims[i]->connections(), 0);
}

void TestFinding::cancelStopsTheSweepAtOnce()
{
    // Two devices that accept and never answer keep the sweep going until their time-out.
    Sims sims;
    quint16 port = 0;
    QVERIFY(startSims(sims, {"127.0.0.3=-", "127.0.0.4=-"}, &port));
    NetworkSweep sweep;
    QSignalSpy finished(&sweep, &NetworkSweep::SGL_Finished);
    QSignalSpy progress(&sweep, &NetworkSweep::SGL_Progress);
    sweep.start(parseSweepRange("127.0.0.0/24"), port);
    QTRY_VERIFY_WITH_TIMEOUT(sims[0]->requests().size() == 1 && sims[1]->requests().size() == 1, 10000);
    QVERIFY(sweep.isRunning() && sweep.openConnections() > 0);
    sweep.cancel();
    QVERIFY(!sweep.isRunning());
    QCOMPARE(sweep.openConnections(), 0);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toBool(), true);
    QVERIFY(sweep.done() < sweep.total());
    // Their connections are closed, and nothing more is reported.
    const int reports = progress.size();
    for (const auto &sim : sims)
        QTRY_COMPARE_WITH_TIMEOUT(sim->logLines("client disconnected"), 1, 5000);
    QVERIFY(!progress.wait(NetworkSweep::ReplyTimeoutMs + 200));
    QCOMPARE(progress.size(), reports);
    QCOMPARE(finished.size(), 1);
}

// A device that sends an empty line before its reply is found all the same, by either search.
void TestFinding::searchesReadPastAnEmptyLine_data()
{
    QTest::addColumn<bool>("serial");
    QTest::newRow("network sweep") << false;
    QTest::newRow("speed search") << true;
}

void TestFinding::searchesReadPastAnEmptyLine()
{
    QFETCH(bool, serial);
    const QByteArray reply = "\r\nMODEL TYPE TN386\r\n";
    if (serial) {
        PtyPair device;
        BaudProbe probe;
        QSignalSpy finished(&probe, &BaudProbe::SGL_Finished);
        probe.start(device.slavePath());
        QVERIFY(device.waitForCommands(1, 5000));
        device.reply(reply);
        QVERIFY(finished.wait(5000));
        QCOMPARE(probe.model(), QStringLiteral("TN386"));
        QCOMPARE(probe.baud(), 9600);
        return;
    }
    QTcpServer device;
    QVERIFY(device.listen(QHostAddress::LocalHost, 0));
    connect(&device, &QTcpServer::newConnection, this, [&device, reply] {
        QTcpSocket *client = device.nextPendingConnection();
        connect(client, &QTcpSocket::readyRead, client, [client, reply] {
            if (client->readAll().endsWith('\r'))
                client->write(reply);
        });
    });
    NetworkSweep sweep;
    QSignalSpy finished(&sweep, &NetworkSweep::SGL_Finished);
    sweep.start(parseSweepRange("127.0.0.1/32"), device.serverPort());
    QVERIFY(finished.wait(NetworkSweep::ReplyTimeoutMs + 5000));
    QCOMPARE(foundOf(sweep), QStringList{QStringLiteral("127.0.0.1:%1=TN386").arg(device.serverPort())});
}

void TestFinding::speedSearch_data()
{
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<int>("found"); // 0: none answers
    QTest::addColumn<QList<int>>("tried");
    QTest::newRow("found at 57600") << QStringList{} << 57600 << QList<int>{9600, 115200, 57600};
    QTest::newRow("most common first") << QStringList{} << 9600 << QList<int>{9600};
    QTest::newRow("none answers") << QStringList{"--silent"} << 0
                                  << QList<int>{9600, 115200, 57600, 38400, 19200};
}

void TestFinding::speedSearch()
{
    QFETCH(QStringList, faults);
    QFETCH(int, found);
    QFETCH(QList<int>, tried);
    SimDevice sim;
    const QString speed = QString::number(found ? found : 57600);
    QVERIFY(sim.start(QStringList{"--no-tcp", "--model", "TN386", "--baud", speed} + faults, true));
    BaudProbe probe;
    QList<int> trying;
    connect(&probe, &BaudProbe::SGL_Trying, this, [&trying](qint32 baud) { trying << baud; });
    QSignalSpy finished(&probe, &BaudProbe::SGL_Finished);
    probe.start(sim.ptyLink());
    QVERIFY(finished.wait(15000));
    QCOMPARE(trying, tried);
    QCOMPARE(probe.outcome(), found ? BaudProbe::Outcome::Found : BaudProbe::Outcome::NoAnswer);
    QCOMPARE(probe.baud(), found);
    QCOMPARE(probe.model(), found ? QStringLiteral("TN386") : QString());
    // The device heard every try; it stayed silent at each speed that was not its own.
    QCOMPARE(sim.requests().size(), tried.size());
    QCOMPARE(sim.logLines("ignored: the line is set to"), tried.size() - 1);
    QCOMPARE(BaudProbe::speedsText(), QStringLiteral("9600, 115200, 57600, 38400 and 19200"));
}

void TestFinding::lineSettingsReachThePort_data()
{
    // The tool's settings as the connection page gives them (Qt's enumeration values: parity 0 none,
    // 3 odd, 4 space, 5 mark; stop bits 1 one, 2 two; flow control 0 none, 1 RTS/CTS) and what the device
    // at 115200 8N1 reads on its side.
    // A pseudo-terminal keeps no character size and no even parity, so those cannot be read back.
    QTest::addColumn<QStringList>("settings"); // baud, data bits, parity, stop bits, flow control
    QTest::addColumn<QString>("read");         // empty: the device answered
    QTest::newRow("9600") << QStringList{"9600", "8", "0", "1", "0"} << "9600 8N1";
    QTest::newRow("19200 odd, 2 stop") << QStringList{"19200", "8", "3", "2", "0"} << "19200 8O2";
    QTest::newRow("38400 mark") << QStringList{"38400", "8", "5", "1", "0"} << "38400 8M1";
    QTest::newRow("57600 space, 2 stop") << QStringList{"57600", "8", "4", "2", "0"} << "57600 8S2";
    QTest::newRow("115200, 2 stop") << QStringList{"115200", "8", "0", "2", "0"} << "115200 8N2";
    QTest::newRow("115200 odd") << QStringList{"115200", "8", "3", "1", "0"} << "115200 8O1";
    QTest::newRow("115200, RTS/CTS") << QStringList{"115200", "8", "0", "1", "1"} << "115200 8N1 RTS/CTS";
    QTest::newRow("115200 8N1") << QStringList{"115200", "8", "0", "1", "0"} << "";
}

void TestFinding::lineSettingsReachThePort()
{
    QFETCH(QStringList, settings);
    QFETCH(QString, read);
    SimDevice sim;
    QVERIFY(sim.start({"--no-tcp", "--baud", "115200"}, true));
    LinkSession session;
    LinkEventLog log(session);
    session.openSerial({sim.ptyLink(), settings[0], settings[1], settings[2], settings[3], settings[4]});
    QVERIFY(log.waitFor(LinkEvent::ConnectStatus, 1, 5000));
    session.send(GetModelType());
    if (read.isEmpty()) {
        QVERIFY(log.waitFor(LinkEvent::Received, 1, 5000));
        QCOMPARE(log.lines().first().trimmed(), QByteArray("MODEL TYPE RKA204QE"));
    } else {
        const QRegularExpressionMatch ignored =
            sim.process.waitForOutput(QRegularExpression("ignored: the line is set to ([^,]+),"));
        QCOMPARE(ignored.captured(1), read);
        QCOMPARE(log.count(LinkEvent::Received), 0);
    }
}

QTEST_GUILESS_MAIN(TestFinding)
#include "tst_finding.moc"
