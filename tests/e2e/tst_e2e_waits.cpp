// The real main window against lumaplex-sim where the tool waits: the pause after a resolution change, the
// restart after a reset or a write of the device's own link parameters, devices that do not answer as they
// should, and a device that goes away. Their checks bound how soon things happen, so this test runs alone.

#include "gui/E2eFixture.h"

#include "link/TrafficRecord.h"
#include "session/LinkSession.h"
#include "session/TrafficRing.h"
#include "widgets/MessageBoxSeam.h"

#include <QAbstractButton>
#include <QApplication>
#include <QByteArray>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QJsonDocument>
#include <QLineEdit>
#include <QList>
#include <QObject>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QTest>

#include <algorithm>

namespace {
// The slowest restart here (probes that go unanswered while the device restarts and at the old line speed,
// then the factory speed) takes about 14 s; the tool gives the device 60 s.
constexpr int RestartTimeoutMs = 45000;
} // namespace

class TestE2eWaits : public QObject, public E2eFixture
{
    Q_OBJECT

private slots:
    void cleanupTestCase() { closeSession(); }

    void pauseCountsDown();
    void restartIsFollowed_data();
    void restartIsFollowed();
    void misbehavingDevice_data();
    void misbehavingDevice();
    void deviceGoesAway_data();
    void deviceGoesAway();
    void busyWindowKeepsTheLinkOnTime();

private:
    Ui_Main *w() const { return ui->window(); }
};

void TestE2eWaits::pauseCountsDown()
{
    QVERIFY(connectTo("RKA204QE"));
    Ui_Output *out = w()->outputPage;
    const QPlainTextEdit *status = w()->connectionPage->statusText;
    QSignalSpy paused(w()->session, &LinkSession::SGL_PauseStarted);
    QSignalSpy resumed(w()->session, &LinkSession::SGL_PauseEnded);
    QStringList sentDuringPause;
    QList<int> countdown;
    QObject listener;
    connect(w()->session, &LinkSession::SGL_PauseEnded, &listener,
            [&] { sentDuringPause = sim->requests(); });
    const QRegularExpression left("The device is busy, commands wait (\\d+) s$");
    connect(w()->session, &LinkSession::SGL_PauseLeft, &listener, [&] {
        const QRegularExpressionMatch match = left.match(status->toPlainText());
        countdown << (match.hasMatch() ? match.captured(1).toInt() : -1);
    });
    const int from = mark();

    // A new resolution holds the next command back while the device changes its output; the status box
    // counts the seconds down.
    QVERIFY(ui->choose(out->resolutionCombo, 2) && ui->choose(out->hdcpCombo, 1));
    QVERIFY(resumed.wait(PausedTimeoutMs));
    // The status box counted the seconds down from 10 while the pause lasted, never up.
    QStringList shown;
    for (const int seconds : countdown)
        shown << QString::number(seconds);
    QVERIFY2(countdown.size() >= 2 && countdown.first() == 10 && countdown.last() >= 1 &&
                 countdown.last() < 10 && std::is_sorted(countdown.rbegin(), countdown.rend()),
             qPrintable(shown.join(' ')));
    QCOMPARE(paused.takeFirst().at(1).toInt(), 10000);
    QCOMPARE(sentDuringPause.mid(from), QStringList{"SET OUT RESOLUTION 3840x2160p60"});
    QVERIFY(received(from, {"SET OUT RESOLUTION 3840x2160p60", "SET OUT HDCP FORCE-2.2"}));
    QTRY_COMPARE_WITH_TIMEOUT(device("output/hdcp").toString(), QStringLiteral("FORCE-2.2"), ReplyTimeoutMs);
    QVERIFY(!status->toPlainText().contains("commands wait"));
}

void TestE2eWaits::restartIsFollowed_data()
{
    QTest::addColumn<bool>("serial");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("line"); // over RS-232: the device answers only at its own line speed
    const QString reset = "Confirm to reset the device to factory settings?";
    QTest::newRow("reset over TCP") << false << "reset" << reset << QStringList{};
    // Back at its factory speed (9600), the device is found there.
    QTest::newRow("reset over RS-232 at 38400") << true << "reset" << reset << QStringList{"--baud", "38400"};
    const QString written =
        "1-Sync Config Info....\r\n2-The tool reconnects with the new settings by itself.";
    QTest::newRow("network settings over TCP") << false << "write" << written << QStringList{};
    QTest::newRow("baud rate over RS-232") << true << "write" << written << QStringList{"--baud", "9600"};
}

// A confirmed reset, or a write of the link's own parameter, makes the device restart: the tool waits for
// it (counting down), connects again where it now listens, and identifies and reads it again. Over RS-232
// it follows once the pause after the command has ended (pauseCountsDown has the pause at its length).
void TestE2eWaits::restartIsFollowed()
{
    QFETCH(bool, serial);
    QFETCH(QString, action);
    QFETCH(QString, message);
    QFETCH(QStringList, line);
    const QByteArray seed = R"({"output": {"hdcp": "FORCE-2.2", "vka": "BLACKSCREEN", "itc": true}, "edid":
        {"mode": "720p"}, "multiview": {"mode": "PIP", "windows": ["HDMI3", "USB-C"], "pipSize": "MIDDLE"},
        "audio": {"source": "HDMI2", "volume": 42, "mute": true}})";
    shortenNextWaits();
    QVERIFY(connectTo("RKA204QE", QJsonDocument::fromJson(seed).object(),
                      QStringList{"--reset-ms", "1500"} + line, serial));
    Ui_System *page = w()->systemPage;
    Ui_Uart_Network *connection = w()->connectionPage;
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const QString newPort = QString::number(probe.serverPort());
    probe.close();
    const int from = mark();
    QSignalSpy waiting(w()->session, &LinkSession::SGL_RestartWait);
    QString countdown;
    QObject listener;
    connect(w()->session, &LinkSession::SGL_RestartWait, &listener,
            [&] { countdown = connection->statusText->toPlainText().section("\n", -1); });

    QString command = "SET RESET";
    if (action == "reset") {
        MessageBoxSeam::pushAnswer(true);
        QVERIFY(ui->click(page->resetButton));
    } else if (serial) {
        command = "SET BAUDRATE 19200";
        QVERIFY(ui->choose(page->baudCombo, 1) && ui->click(page->rs232WriteButton));
    } else {
        command = "SET NETWORK-INFO 127.0.0.1 " + newPort + " 255.0.0.0 127.0.0.1";
        QVERIFY(ui->type(page->portField, newPort) && ui->click(page->networkWriteButton));
    }
    // (The reply to a write ends with the marker too.)
    QVERIFY(ui->waitForSyncOver(action == "write" ? 3 : 2, RestartTimeoutMs));
    QCOMPARE(waiting.first().at(1).toInt(), 60);
    QVERIFY2(countdown.startsWith("Waiting for the device to come back: "), qPrintable(countdown));
    const QStringList sent = sim->requests().mid(from);
    QCOMPARE(sent.first(), command);
    QCOMPARE(sent.mid(sent.lastIndexOf("GET MODEL TYPE")), syncRequests(ModelRKA204QE, serial));
    QCOMPARE(pageValueNotOnDevice(ModelRKA204QE, serial), QString());
    QCOMPARE(ui->messages(), QStringList{message});
    QVERIFY(connection->statusOk && !connection->statusText->toPlainText().contains("s left"));
    if (action == "write" && serial)
        QCOMPARE(connection->baudBox->currentText(), QStringLiteral("19200"));
    if (action == "write" && !serial)
        QVERIFY(connection->portEdit->text() == newPort && QString::number(sim->port()) == newPort);
    if (action == "reset")
        QCOMPARE(device("output/hdcp").toString(), QStringLiteral("FORCE-1.4"));
}

void TestE2eWaits::misbehavingDevice_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("syncEnd"); // empty: the link is closed
    QTest::addColumn<bool>("shortWaits"); // replies given up sooner than the tool's 1000 ms

    QTest::newRow("model query unanswered")
        << "RKA204QE" << QStringList{"--silent"} << "Failed to identify device!Error Code:GET MODEL TYPE"
        << QString() << false;
    QTest::newRow("unknown model") << "XYZ" << QStringList{} << "The device does not match with the PC tool!"
                                   << QString() << false;
    // The synchronisation goes on past unanswered reads, also its last one, and names them; their time-outs
    // gather in one box.
    QTest::newRow("reads unanswered")
        << "RKA204QE" << QStringList{"--no-reply", "OUT HDCP", "--no-reply", "NETWORK-INFO"}
        << "Unable to communicate with device!Error Code:GET OUT HDCP\nGET NETWORK-INFO"
        << "->Sync over, no reply to: GET OUT HDCP, GET NETWORK-INFO<-" << true;
}

void TestE2eWaits::misbehavingDevice()
{
    QFETCH(QString, model);
    QFETCH(QStringList, faults);
    QFETCH(QString, message);
    QFETCH(QString, syncEnd);
    QFETCH(bool, shortWaits);
    if (shortWaits)
        shortenNextWaits();
    QVERIFY(connectTo(model, {}, faults, false, false));
    Ui_Uart_Network *connection = w()->connectionPage;

    QTRY_COMPARE_WITH_TIMEOUT(ui->messages(), QStringList{message}, SyncTimeoutMs);
    if (!syncEnd.isEmpty()) {
        QTRY_VERIFY(connection->statusText->toPlainText().trimmed().endsWith(syncEnd));
        QVERIFY(connection->statusOk && State().LinkType == LinkTcpClient);
        QCOMPARE(sim->requests(), syncRequests(ModelRKA204QE, false));
        QCOMPARE(ui->syncOverCount(), 0);
        return;
    }
    // Identification failed and closed the link; the next attempt identifies anew.
    QCOMPARE(sim->requests(), QStringList{"GET MODEL TYPE"});
    QTRY_COMPARE_WITH_TIMEOUT(sim->logLines("client disconnected"), 1, ReplyTimeoutMs);
    QVERIFY(ui->click(connection->networkConnectButton));
    QTRY_COMPARE_WITH_TIMEOUT(ui->messages(), (QStringList{message, message}), ReplyTimeoutMs);
    QCOMPARE(sim->requests(), (QStringList{"GET MODEL TYPE", "GET MODEL TYPE"}));
    QCOMPARE(w()->session->device().context().CurrentModel, NoModel);
    QCOMPARE(State().LinkType, quint32(LinkNone));
    QVERIFY(!connection->statusOk && connection->serialConnectButton->isEnabled());
    QCOMPARE(connection->networkConnectButton->text(), QStringLiteral("Connect"));
}

void TestE2eWaits::deviceGoesAway_data()
{
    QTest::addColumn<bool>("serial");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("reason");
    QTest::newRow("process killed, TCP") << false << "Network connect error,please reconnect network!!!"
                                         << "The remote host closed the connection";
    QTest::newRow("serial port unplugged") << true << "The serial port is gone (unplugged or removed)!"
                                           << "Input/output error";
}

// A device that goes away while the link is idle is noticed at once: the link is closed with one message
// that says why, the status box tells the same.
void TestE2eWaits::deviceGoesAway()
{
    QFETCH(bool, serial);
    QFETCH(QString, message);
    QFETCH(QString, reason);
    QVERIFY(connectTo("RKA204QE", {}, {}, serial));
    Ui_Uart_Network *connection = w()->connectionPage;
    sim->process.process.kill();
    // At once: well before the keep-alive (5 s) could tell.
    QTRY_COMPARE_WITH_TIMEOUT(State().LinkType, quint32(LinkNone), 2500);
    QCOMPARE(ui->messages(), QStringList{message + " (" + reason + ")"});
    QVERIFY(connection->statusText->toPlainText().contains("Link to the device lost: " + reason));
    QVERIFY(!connection->statusOk && connection->networkConnectButton->isEnabled());
    QCOMPARE((serial ? connection->serialConnectButton : connection->networkConnectButton)->text(),
             QStringLiteral("Connect"));
}

// The window's links run on a thread of their own: a window held busy for longer than a reply may take
// does not delay the operator's command past its gap.
void TestE2eWaits::busyWindowKeepsTheLinkOnTime()
{
    QVERIFY(connectTo("RKA204QE"));
    const int from = mark();
    const quint64 firstNew = w()->session->traffic().endSequence();
    const qint64 clickedUs = monotonicNowUs();
    QVERIFY(ui->choose(w()->outputPage->hdcpCombo, 1));
    QElapsedTimer busy;
    busy.start();
    while (busy.elapsed() < 1500) {
    }
    QVERIFY(received(from, {"SET OUT HDCP FORCE-2.2"}));
    QVERIFY(settled());
    const TrafficRing &ring = w()->session->traffic();
    qint64 writtenUs = -1;
    for (quint64 sequence = std::max(firstNew, ring.firstSequence()); sequence < ring.endSequence();
         ++sequence) {
        const TrafficRecord &record = ring.at(sequence);
        if (record.kind == TrafficRecord::Written && record.bytes == "SET OUT HDCP FORCE-2.2\r")
            writtenUs = record.monotonicUs;
    }
    QVERIFY(writtenUs >= clickedUs);
    // The 50 ms gap and a wide margin for a loaded machine, far below the 1.5 s the window was busy.
    QVERIFY2(writtenUs - clickedUs < 600 * 1000, qPrintable(QString::number(writtenUs - clickedUs)));
}

QTEST_MAIN(TestE2eWaits)
#include "tst_e2e_waits.moc"
