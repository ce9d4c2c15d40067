// The real main window watching lumaplex-sim: a change made by another controller reaches its page (on the
// next round of reads, or at once when the device announces it), a field the operator edits keeps what they
// type, a device that freezes is told and then given up, and a change clicked while the device restarts is
// sent once it is back.

#include "gui/E2eFixture.h"

#include "pages/Ui_Audio.h"
#include "pages/Ui_Output.h"
#include "pages/Ui_System.h"
#include "pages/Ui_Uart_Network.h"
#include "session/LinkSession.h"
#include "shell/LinkHealthBar.h"
#include "widgets/MessageBoxSeam.h"

#include <QAbstractButton>
#include <QApplication>
#include <QByteArray>
#include <QComboBox>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QObject>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSpinBox>
#include <QString>
#include <QStringList>
#include <QTcpSocket>
#include <QTest>

namespace {
// The watch interval of these tests; a change must show within it plus a second.
constexpr int IntervalS = 2;
constexpr int ShownWithinMs = (IntervalS + 1) * 1000;

// Notes the tool wrote in its traffic log.
QStringList trafficNotes(const LinkSession &session)
{
    QStringList notes;
    const TrafficRing &ring = session.traffic();
    for (quint64 sequence = ring.firstSequence(); sequence < ring.endSequence(); ++sequence) {
        if (ring.at(sequence).kind == TrafficRecord::Note)
            notes << QString::fromUtf8(ring.at(sequence).bytes);
    }
    return notes;
}
} // namespace

class TestWatch : public QObject, public E2eFixture
{
    Q_OBJECT

private slots:
    void cleanupTestCase() { closeSession(); }

    void changeElsewhereIsShown_data();
    void changeElsewhereIsShown();
    void focusedFieldKeepsOperatorText();
    void frozenDeviceIsGivenUp();
    void changeDuringRestartIsSent();

private:
    Ui_Main *w() const { return ui->window(); }
    bool watchAndConnect(const QStringList &extra, int intervalS = IntervalS);
    // Sends `line` to the device as a second controller does; true once the device has answered it.
    bool setElsewhere(const QByteArray &line);
    QTcpSocket other;
};

bool TestWatch::watchAndConnect(const QStringList &extra, int intervalS)
{
    if (!connectTo("RKA204QE", {}, extra))
        return false;
    w()->connectionPage->watchBox->setValue(intervalS);
    return true;
}

bool TestWatch::setElsewhere(const QByteArray &line)
{
    other.abort();
    other.connectToHost(QHostAddress::LocalHost, sim->port());
    if (!other.waitForConnected(ReplyTimeoutMs))
        return false;
    other.write(line + '\r');
    return QTest::qWaitFor([this] { return other.canReadLine(); }, ReplyTimeoutMs);
}

void TestWatch::changeElsewhereIsShown_data()
{
    QTest::addColumn<bool>("announce");
    QTest::newRow("read on the next round") << false;
    QTest::newRow("announced by the device") << true;
}

// The page shows the new value, marked, and the status box and the traffic log name it once.
void TestWatch::changeElsewhereIsShown()
{
    QFETCH(bool, announce);
    // Announced changes need no read: watching all but rests then.
    QVERIFY(
        watchAndConnect(announce ? QStringList{"--announce"} : QStringList{}, announce ? 3600 : IntervalS));
    QComboBox *hdcp = w()->outputPage->hdcpCombo;
    QCOMPARE(hdcp->currentText(), QStringLiteral("Force-1.4"));
    const int from = mark();

    QVERIFY(setElsewhere("SET OUT HDCP FORCE-2.2"));
    QTRY_COMPARE_WITH_TIMEOUT(hdcp->currentText(), QStringLiteral("Force-2.2"), ShownWithinMs);
    QVERIFY(hdcp->property("changedOnDevice").toBool());
    const QString note = "HDCP changed on the device: FORCE-1.4 → FORCE-2.2";
    const QStringList status = w()->connectionPage->statusText->toPlainText().split('\n');
    QCOMPARE(status.filter(note).size(), 1);
    QVERIFY2(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d " + QRegularExpression::escape(note) + "$")
                 .match(status.filter(note).first())
                 .hasMatch(),
             qPrintable(status.filter(note).first()));
    QCOMPARE(trafficNotes(*w()->session), QStringList{note});
    // The tool's own session sent nothing for it when the device told it unasked.
    if (announce)
        QCOMPARE(sim->requests().mid(from), QStringList{"SET OUT HDCP FORCE-2.2"});
    QTRY_VERIFY_WITH_TIMEOUT(!hdcp->property("changedOnDevice").toBool(), 5000);
    QVERIFY(ui->messages().isEmpty());
}

// A volume the operator is typing stays; the device's value comes when the edit ends unsent.
void TestWatch::focusedFieldKeepsOperatorText()
{
    QVERIFY(watchAndConnect({"--announce"}));
    QLineEdit *volume = w()->audioPage->commonVolumeField;
    QVERIFY(ui->reach(volume));
    QApplication::setActiveWindow(w());
    volume->setFocus();
    QTRY_VERIFY(volume->hasFocus());
    volume->selectAll();
    QTest::keyClicks(volume, "55");

    int volumeReads = 0;
    QObject listener;
    connect(&w()->session->device(), &DeviceModel::SGL_ReplyApplied, &listener,
            [&volumeReads](const ParsedReply &, const QByteArray &answered) {
                volumeReads += answered.startsWith("GET AUDIO VOL");
            });
    const int from = mark();
    QVERIFY(setElsewhere("SET AUDIO VOL 30"));
    QTRY_COMPARE_WITH_TIMEOUT(w()->session->device().value("audio.volume"), QStringLiteral("30"),
                              ReplyTimeoutMs);
    // A round of reads brings the value again: still the operator's text.
    QTRY_VERIFY_WITH_TIMEOUT(volumeReads > 0, ShownWithinMs);
    QCOMPARE(volume->text(), QStringLiteral("55"));

    w()->audioPage->commonSourceCombo->setFocus();
    QTRY_VERIFY(!volume->hasFocus());
    QCOMPARE(volume->text(), QStringLiteral("30"));
    QVERIFY(!sim->requests().mid(from).contains("SET AUDIO VOL 55"));
}

// A device that stops answering but keeps its connection: "not answering" after the first unanswered
// watch read, the link ended after three with one message. (Its reads are given up sooner than the tool's
// 1000 ms.)
void TestWatch::frozenDeviceIsGivenUp()
{
    shortenNextWaits();
    QVERIFY(watchAndConnect({"--freeze-after", "4"}));
    QLabel *confirmed = w()->healthBar->confirmedLabel;
    QVERIFY(QTest::qWaitFor([this] { return sim->log().contains("frozen"); }, 15000));
    QTRY_VERIFY_WITH_TIMEOUT(confirmed->text().endsWith("not answering"), ShownWithinMs + 1000);
    QVERIFY2(confirmed->property("warning").toBool(), qPrintable(confirmed->text()));
    QCOMPARE(State().LinkType, quint32(LinkTcpClient));

    const QString message =
        "The device stopped answering: 3 reads in a row went unanswered. The link was closed.";
    QTRY_COMPARE_WITH_TIMEOUT(ui->messages(), QStringList{message}, 3 * ShownWithinMs);
    QCOMPARE(State().LinkType, quint32(LinkNone));
    QVERIFY(w()->connectionPage->statusText->toPlainText().contains(message));
    QVERIFY(!confirmed->property("warning").toBool());
    // The device still held the connection: the tool closed it, after three reads that went unanswered.
    QTRY_COMPARE(sim->logLines("client disconnected"), 1);
    const QString log = sim->log();
    const QString unanswered =
        log.mid(log.lastIndexOf(QRegularExpression("^\\S+ \\S+ -> ", QRegularExpression::MultilineOption)));
    QCOMPARE(unanswered.count(QRegularExpression("^\\S+ \\S+ <- ", QRegularExpression::MultilineOption)), 3);
}

// A change clicked while the tool waits for a reset device reaches it once it is back, identified and read.
void TestWatch::changeDuringRestartIsSent()
{
    QVERIFY(connectTo("RKA204QE", {}, {"--reset-ms", "1500"}));
    QSignalSpy waiting(w()->session, &LinkSession::SGL_RestartWait);
    const int from = mark();
    MessageBoxSeam::pushAnswer(true);
    QVERIFY(ui->click(w()->systemPage->resetButton));
    QVERIFY(waiting.wait(PausedTimeoutMs));
    QVERIFY(ui->choose(w()->outputPage->hdcpCombo, 1));

    QVERIFY(ui->waitForSyncOver(2, PausedTimeoutMs));
    QTRY_COMPARE_WITH_TIMEOUT(device("output/hdcp").toString(), QStringLiteral("FORCE-2.2"), ReplyTimeoutMs);
    const QStringList sent = sim->requests().mid(from);
    const int back = sent.lastIndexOf("GET MODEL TYPE");
    QVERIFY2(back > 0 && sent.indexOf("SET OUT HDCP FORCE-2.2") > back &&
                 sent.indexOf("SET OUT HDCP FORCE-2.2") > sent.lastIndexOf("GET NETWORK-INFO") &&
                 sent.count("SET OUT HDCP FORCE-2.2") == 1,
             qPrintable(sent.join(", ")));
    QTRY_COMPARE(w()->outputPage->hdcpCombo->currentText(), QStringLiteral("Force-2.2"));
}

QTEST_MAIN(TestWatch)
#include "tst_watch.moc"
