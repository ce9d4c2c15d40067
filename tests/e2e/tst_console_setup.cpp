// The operator's tools beyond the device's own panel, in the real main window against lumaplex-sim: the
// debug console on the traffic log (times, round trips, HEX, filter, pause, saved and captured traffic, a
// flooding device), the link health strip, and saving, comparing and restoring a device setup.

#include "gui/E2eFixture.h"

#include "session/LinkHealth.h"
#include "session/LinkSession.h"
#include "session/TrafficCapture.h"
#include "shell/LinkHealthBar.h"
#include "shell/SetupActions.h"
#include "shell/SetupCompareDialog.h"
#include "shell/Ui_Debug.h"
#include "widgets/FileChooserSeam.h"
#include "widgets/MessageBoxSeam.h"

#include <QApplication>
#include <QByteArray>
#include <QCheckBox>
#include <QFile>
#include <QIODevice>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QObject>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSignalSpy>
#include <QString>
#include <QStringList>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace {

constexpr int FloodWaitMs = 15000;

QStringList lines(const QTextEdit *pane)
{
    return pane->toPlainText().split('\n', Qt::SkipEmptyParts);
}

QStringList tableRows(const QTableWidget *table)
{
    QStringList rows;
    for (int row = 0; row < table->rowCount(); ++row)
        rows << table->item(row, 0)->text() + ' ' + table->item(row, 1)->text() + ' ' +
                    table->item(row, 2)->text();
    return rows;
}

} // namespace

class TestConsoleSetup : public QObject, public E2eFixture
{
    Q_OBJECT

private slots:
    void cleanup() { closeSession(); }
    void consoleAndHealthShowTheTraffic();
    void consoleUnderAFlood();
    void setupSavedComparedAndRestored();

private:
    Ui_Main *w() const { return ui->window(); }
    Ui_Debug *console() const { return w()->debugConsole; }
    const TrafficRing &traffic() const { return w()->session->traffic(); }
};

void TestConsoleSetup::consoleAndHealthShowTheTraffic()
{
    // The synchronisation ends naming the read that went unanswered.
    QVERIFY(connectTo("RKA204QE", {}, {"--no-reply", "OUT VKA"}, false, false));
    QTRY_VERIFY_WITH_TIMEOUT(
        w()->connectionPage->statusText->toPlainText().contains("Sync over, no reply to: GET OUT VKA"),
        SyncTimeoutMs);
    const LinkHealthBar *bar = w()->healthBar;
    QTRY_COMPARE(bar->timeoutsLabel->text(), QStringLiteral("Time-outs: 1"));
    QVERIFY(bar->isVisible());
    // In a window wide enough for all of it, the readings stand packed from the left end and the setup
    // buttons at the right end.
    const QList<const QLabel *> readings{bar->linkLabel,      bar->modelLabel,    bar->roundTripLabel,
                                         bar->lastReplyLabel, bar->timeoutsLabel, bar->waitingLabel,
                                         bar->confirmedLabel};
    w()->resize(1700, w()->height());
    for (const QLabel *reading : readings)
        QTRY_COMPARE(reading->width(), reading->sizeHint().width());
    QCOMPARE(bar->restoreSetupButton->geometry().right(), bar->width() - 7);
    QCOMPARE(bar->confirmedLabel->y(), bar->linkLabel->y());
    // One pixel short of the width one row of them takes, the last one wraps to a second row; each is still
    // whole, apart from the others and left of the buttons.
    const QWidget *area = bar->linkLabel->parentWidget();
    const int oneRow = area->sizeHint().width();
    const auto narrowTo = [this, area](int width) {
        w()->resize(w()->width() - area->width() + width, w()->height());
    };
    narrowTo(oneRow - 1);
    QTRY_VERIFY(bar->confirmedLabel->y() > bar->linkLabel->y());
    QCOMPARE(bar->waitingLabel->y(), bar->linkLabel->y());
    for (const QLabel *reading : readings) {
        QCOMPARE(reading->width(), reading->sizeHint().width());
        QVERIFY2(area->rect().contains(reading->geometry()), qPrintable(reading->text()));
        for (const QLabel *other : readings)
            QVERIFY(other == reading || !reading->geometry().intersects(other->geometry()));
    }
    QVERIFY(area->geometry().right() < bar->saveSetupButton->x());
    QCOMPARE(bar->restoreSetupButton->geometry().right(), bar->width() - 7);
    // With a third, they keep to two rows and leave the rest of the height to the pages.
    narrowTo(oneRow / 3);
    QTRY_VERIFY(area->width() <= oneRow / 3);
    QSet<int> rows;
    for (const QLabel *reading : readings)
        rows.insert(reading->y());
    QCOMPARE(rows.size(), 2);
    QCOMPARE(bar->linkLabel->text(), QStringLiteral("Link: TCP 127.0.0.1:%1").arg(sim->port()));
    QCOMPARE(bar->modelLabel->text(), QStringLiteral("Model: RKA204QE"));
    // The round trip shown is the median of those the traffic log holds for the replies, and the age of the
    // last reply counts from the last line the log received.
    std::vector<qint32> roundTrips;
    qint64 lastLineUs = -1;
    for (quint64 sequence = traffic().firstSequence(); sequence < traffic().endSequence(); ++sequence) {
        const TrafficRecord &record = traffic().at(sequence);
        if (record.kind == TrafficRecord::Received)
            lastLineUs = record.monotonicUs;
        if (record.answersCommand())
            roundTrips.push_back(record.roundTripUs);
    }
    QVERIFY(roundTrips.size() > 10 && roundTrips.size() <= LinkHealth::RoundTripWindow && lastLineUs > 0);
    std::sort(roundTrips.begin(), roundTrips.end());
    const double medianMs = roundTrips[roundTrips.size() / 2] / 1000.0;
    QTRY_COMPARE(bar->roundTripLabel->text(), QStringLiteral("Round trip: %1 ms").arg(medianMs, 0, 'f', 1));
    const auto shownAge = [bar] {
        const QRegularExpressionMatch age =
            QRegularExpression("^Last reply: (\\d+\\.\\d) s ago$").match(bar->lastReplyLabel->text());
        return age.hasMatch() ? age.captured(1).toDouble() : -1.0;
    };
    // Shown at the last refresh (once a second, later on a busy machine), rounded to a tenth.
    const double ageS = shownAge();
    const double sinceS = double(monotonicNowUs() - lastLineUs) / 1e6;
    QVERIFY2(ageS >= 0 && ageS <= sinceS + 0.1 && ageS >= sinceS - 2.0,
             qPrintable(QStringLiteral("%1 / %2").arg(ageS).arg(sinceS)));
    // It counts on while nothing comes.
    QTRY_VERIFY_WITH_TIMEOUT(shownAge() >= ageS + 1.0, 5000);
    QTRY_COMPARE(bar->waitingLabel->text(), QStringLiteral("Waiting: 0"));

    QTest::keyClick(w(), Qt::Key_Z, Qt::AltModifier);
    QVERIFY(lines(console()->recvText)
                .indexOf(QRegularExpression(".*  \\(no reply to GET OUT VKA, 1000\\.0 ms\\)$")) >= 0);
    // HEX shows the very bytes of both panes.
    QTest::mouseClick(console()->hexButton, Qt::LeftButton);
    QCOMPARE(lines(console()->sendText).first(),
             QStringLiteral("47 45 54 20 4D 4F 44 45 4C 20 54 59 50 45 0D"));
    QVERIFY(
        lines(console()->recvText)
            .first()
            .contains(
                "  4D 4F 44 45 4C 20 54 59 50 45 20 52 4B 41 32 30 34 51 45 0D   \u2190 GET MODEL TYPE  "));
    QTest::keyClicks(console()->filterEdit, "hdcp");
    QTRY_COMPARE(lines(console()->recvText).size(), 1);

    // The saved traffic holds every record: time, monotonic ms, direction, text, hex, command, round trip.
    const QString path = ui->appDir.file("/traffic.txt");
    FileChooserSeam::pushChosenPath(path);
    QTest::mouseClick(console()->saveButton, Qt::LeftButton);
    const QStringList saved =
        QString::fromUtf8(ui->appDir.readFile("/traffic.txt")).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(saved.size(), int(traffic().size()) + 1);
    const QString time = "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}\\t\\d+\\.\\d{3}\\t";
    for (const char *expected :
         {"TX\\tGET MODEL TYPE\\\\r\\t47 45 54 20 4D 4F 44 45 4C 20 54 59 50 45 0D\\t\\t$",
          "RX\\tMODEL TYPE RKA204QE\\\\r\\t4D 4F 44 45 4C 20 54 59 50 45 20 52 4B 41 32 30 34 51 45 0D\\t"
          "GET MODEL TYPE\\\\r\\t\\d+\\.\\d{3}$",
          "TIMEOUT\\t\\t\\tGET OUT VKA\\\\r\\t1000\\.000$"})
        QVERIFY2(saved.indexOf(QRegularExpression('^' + time + expected)) >= 0, expected);
}

void TestConsoleSetup::consoleUnderAFlood()
{
    QVERIFY(connectTo("RKA204QE", {}, {"--flood", "5000", "--quiet"}));
    // Hidden, the console does nothing for what comes in.
    const quint64 from = traffic().endSequence();
    QTRY_VERIFY_WITH_TIMEOUT(traffic().endSequence() > from + 5000, FloodWaitMs);
    QVERIFY(console()->recvText->document()->isEmpty());
    // The window keeps more than a session in the background does, for the console to read back.
    QVERIFY(traffic().size() > 5000);

    // Shown, each pane keeps only its newest lines, and it stays usable: filter, pause, capture.
    QTest::keyClick(w(), Qt::Key_Z, Qt::AltModifier);
    QTRY_VERIFY(lines(console()->recvText).size() >= Ui_Debug::MaxBlocks - 1);
    QVERIFY(console()->recvText->document()->blockCount() <= Ui_Debug::MaxBlocks);
    QVERIFY(lines(console()->recvText).last().contains(" STATUS "));
    QTest::keyClicks(console()->filterEdit, "out status");
    QVERIFY(!lines(console()->recvText).isEmpty());
    QCOMPARE(lines(console()->recvText).filter("OUT STATUS").size(), lines(console()->recvText).size());

    QTest::mouseClick(console()->pauseButton, Qt::LeftButton);
    QCOMPARE(console()->pauseButton->text(), QStringLiteral("Resume"));
    const QString paused = console()->recvText->toPlainText();
    const quint64 pausedAt = traffic().endSequence();
    QTRY_VERIFY_WITH_TIMEOUT(traffic().endSequence() > pausedAt + 1000, FloodWaitMs);
    QCOMPARE(console()->recvText->toPlainText(), paused);
    QTest::mouseClick(console()->pauseButton, Qt::LeftButton);
    QVERIFY(console()->recvText->toPlainText() != paused);

    QTest::mouseClick(console()->captureBox, Qt::LeftButton);
    const quint64 capturedFrom = traffic().endSequence();
    QTRY_VERIFY_WITH_TIMEOUT(traffic().endSequence() > capturedFrom + 500, FloodWaitMs);
    QTest::mouseClick(console()->captureBox, Qt::LeftButton);
    QFile captured(TrafficCapture::filePath());
    QVERIFY(captured.open(QIODevice::ReadOnly));
    QVERIFY(captured.readAll().count("IN STATUS HDMI") > 300);
}

void TestConsoleSetup::setupSavedComparedAndRestored()
{
    const QJsonObject seed =
        QJsonDocument::fromJson(R"({"output": {"hdcp": "FORCE-OFF"}, "audio": {"volume": 64},
        "multiview": {"mode": "PIP", "windows": ["HDMI3", "USB-C"], "pipPosition": "LeftTop"}})")
            .object();
    QVERIFY(connectTo("RKA204QE", seed));
    // Saving, comparing and restoring learn from each request's reply: the traffic log plays no part.
    w()->session->setTrafficRecording(false);
    QSignalSpy done(w()->setupActions, &SetupActions::SGL_SetupDone);
    QString file = ui->appDir.file("/desk.json");
    FileChooserSeam::pushChosenPath(file);
    QVERIFY(ui->click(w()->healthBar->saveSetupButton));
    // While the device is read, no setup action is offered; afterwards all are again.
    const LinkHealthBar *bar = w()->healthBar;
    const QList<const QPushButton *> actions{bar->saveSetupButton, bar->compareSetupButton,
                                             bar->restoreSetupButton};
    QVERIFY(std::none_of(actions.begin(), actions.end(), [](auto *button) { return button->isEnabled(); }));
    QVERIFY(done.wait(ReplyTimeoutMs));
    QCOMPARE(ui->messages(), QStringList{"The setup was saved:" + file});
    QVERIFY(std::all_of(actions.begin(), actions.end(), [](auto *button) { return button->isEnabled(); }));
    const QByteArray saved = ui->appDir.readFile("/desk.json");

    // Another device of the same model: differences side by side, then only those are written.
    QVERIFY(connectTo("RKA204QE"));
    w()->session->setTrafficRecording(false);
    const quint64 recorded = traffic().endSequence();
    ui->appDir.writeFile("/desk.json", saved);
    file = ui->appDir.file("/desk.json");
    QSignalSpy compared(w()->setupActions, &SetupActions::SGL_SetupDone);
    FileChooserSeam::pushChosenPath(file);
    QVERIFY(ui->click(w()->healthBar->compareSetupButton));
    QVERIFY2(compared.wait(ReplyTimeoutMs), qPrintable(ui->messages().join('|')));
    const SetupCompareDialog *dialog = w()->setupActions->dialog();
    QVERIFY(dialog->isVisible());
    // The device's own link settings are shown too: each device has its own port.
    const int savedPort = QJsonDocument::fromJson(saved)["values"]["link.port"].toInt();
    QCOMPARE(
        tableRows(dialog->table),
        (QStringList{"output.hdcp FORCE-OFF FORCE-1.4", "audio.volume 64 30", "multiview.mode PIP SINGLE",
                     "multiview.pipPosition LeftTop (none)", "multiview.pipSize SMALL (none)",
                     "multiview.window1 HDMI3 HDMI1", "multiview.window2 USB-C (none)",
                     QStringLiteral("link.port %1 %2").arg(savedPort).arg(sim->port())}));

    // Refused before anything is sent: a setup of another model, a damaged file.
    int from = mark();
    const QStringList refused[] = {
        {"/tn386.json", R"({"format": "lumaplex-setup", "version": 1, "model": "TN386", "values": {}})",
         "The setup belongs to another model, nothing was changed. Setup and device: TN386 / RKA204QE"},
        {"/damaged.json", R"({"format": "lumaplex-setup", "vers)",
         "The file is damaged or not a setup file:unterminated string at byte 35"}};
    for (const QStringList &row : refused) {
        MainWindowDriver::clearMessages();
        ui->appDir.writeFile(row[0], row[1].toUtf8());
        FileChooserSeam::pushChosenPath(ui->appDir.file(row[0]));
        QVERIFY(ui->click(w()->healthBar->restoreSetupButton));
        QCOMPARE(ui->messages(), QStringList{row[2]});
    }
    QVERIFY(!sim->process.process.waitForReadyRead(300));
    QCOMPARE(mark(), from);

    // Link settings only on request (declined here).
    MainWindowDriver::clearMessages();
    FileChooserSeam::pushChosenPath(file);
    QVERIFY(ui->click(w()->healthBar->restoreSetupButton));
    QVERIFY(compared.wait(PausedTimeoutMs));
    QCOMPARE(traffic().endSequence(), recorded);
    QCOMPARE(ui->messages(), (QStringList{State().text.SMSG_SetupRestoreLink,
                                          "The setup was restored. Change requests sent: 6"}));
    QCOMPARE(sim->requests().mid(from).filter(QRegularExpression("^SET ")),
             (QStringList{"SET OUT HDCP FORCE-OFF", "SET AUDIO VOL 64", "SET MULTIVIEW PIP",
                          "SET PIP POS LeftTop", "SET WINDOW1 IN HDMI3", "SET WINDOW2 IN USB-C"}));
    QCOMPARE(device("multiview/windows/1").toString(), QStringLiteral("USB-C"));
    QCOMPARE(device("audio/volume").toInt(), 64);
}

QTEST_MAIN(TestConsoleSetup)
#include "tst_console_setup.moc"
