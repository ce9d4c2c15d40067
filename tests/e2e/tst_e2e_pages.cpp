// The Output and Audio pages used as an operator uses them, against lumaplex-sim over TCP: each action puts
// its request on the wire, changes the device's state, and the page shows what the device answered.

#include "gui/E2eFixture.h"

#include "config/AppState.h"
#include "shell/Ui_Main.h"
#include "pages/Ui_Audio.h"
#include "pages/Ui_Output.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class TestE2ePages : public QObject, public E2eFixture
{
    Q_OBJECT

private slots:
    void init() { openSession(); }
    void cleanup() { closeSession(); }

    void outputPage();
    void audioPage();
    void audioPageTn386();
};

void TestE2ePages::outputPage()
{
    // The device starts on the user timing, so the page shows the user resolution widgets and reads them.
    const QJsonObject seed{
        {"output", QJsonObject{{"resolution", "USER"}, {"userWidth", 1280}, {"userHeight", 1024}}}};
    QVERIFY(connectTo("RKA386QE", seed));
    Ui_Output *page = ui->window()->outputPage;
    QVERIFY(ui->showPage(page));
    QTRY_COMPARE_WITH_TIMEOUT(page->widthField->text(), QStringLiteral("1280"), ReplyTimeoutMs);
    QCOMPARE(page->heightField->text(), QStringLiteral("1024"));
    QCOMPARE(sim->requests().last(), QStringLiteral("GET RESO-USER"));
    QCOMPARE(page->settingsFrame->width(), 1072);

    const struct
    {
        QComboBox *combo;
        int index;
        const char *request;
        const char *path;
        QJsonValue stored;
        QString label;
    } choices[] = {
        {page->hdcpCombo, 1, "SET OUT HDCP FORCE-2.2", "output/hdcp", "FORCE-2.2", State().text.Slabel_HDCP},
        {page->vkaCombo, 1, "SET OUT VKA BLACKSCREEN", "output/vka", "BLACKSCREEN", State().text.Slabel_VKA},
        {page->itcCombo, 0, "SET OUT ITC ON", "output/itc", true, State().text.Slabel_ITC},
        {page->autoCombo, 0, "SET OUT 4K-AUTO ON", "output/fourKAuto", true, State().text.Slabel_4KAUTO},
    };
    for (const auto &choice : choices) {
        const int from = mark();
        const int confirmed = statusCount(choice.label);
        QVERIFY(ui->choose(choice.combo, choice.index));
        QVERIFY(received(from, {choice.request}));
        QTRY_COMPARE_WITH_TIMEOUT(device(choice.path), choice.stored, ReplyTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(statusCount(choice.label), confirmed + 1, ReplyTimeoutMs);
        QCOMPARE(choice.combo->currentIndex(), choice.index);
    }

    // Reading everything back shows the device's values.
    int from = mark();
    QVERIFY(ui->click(page->readAllButton));
    QVERIFY(received(from, {"GET OUT RESOLUTION", "GET OUT HDCP", "GET OUT VKA", "GET OUT ITC",
                            "GET OUT 4K-AUTO", "GET RESO-USER"}));
    QCOMPARE(page->hdcpCombo->currentIndex(), 1);
    QCOMPARE(page->vkaCombo->currentIndex(), 1);
    QCOMPARE(page->itcCombo->currentIndex(), 0);
    QCOMPARE(page->autoCombo->currentIndex(), 0);

    // User timing: typed, written (the link then pauses), read back.
    from = mark();
    QVERIFY(ui->type(page->widthField, "1600"));
    QVERIFY(ui->type(page->heightField, "900"));
    QVERIFY(ui->click(page->userWriteButton));
    QVERIFY(received(from, {"SET RESO-USER 1600 900"}));
    QTRY_COMPARE_WITH_TIMEOUT(device("output/userWidth").toInt(), 1600, ReplyTimeoutMs);
    QCOMPARE(device("output/userHeight").toInt(), 900);
    QVERIFY(ui->type(page->widthField, "1"));
    QVERIFY(ui->click(page->userReadButton));

    // The resolution change goes out once the pause after the user timing is over; the device's answer
    // hides the user timing widgets.
    QElapsedTimer paused;
    paused.start();
    QVERIFY(ui->choose(page->resolutionCombo, 2));
    QVERIFY(received(from, {"SET RESO-USER 1600 900", "GET RESO-USER", "SET OUT RESOLUTION 3840x2160p60"},
                     PausedTimeoutMs));
    QVERIFY(paused.elapsed() >= 5000);
    QTRY_COMPARE_WITH_TIMEOUT(page->widthField->text(), QStringLiteral("1600"), ReplyTimeoutMs);
    QCOMPARE(page->heightField->text(), QStringLiteral("900"));
    QTRY_COMPARE_WITH_TIMEOUT(device("output/resolution").toString(), QStringLiteral("3840x2160p60"),
                              ReplyTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(page->widthField->isHidden(), ReplyTimeoutMs);
    QCOMPARE(page->resolutionCombo->currentIndex(), 2);
    QCOMPARE(page->settingsFrame->width(), 740);
    QVERIFY(page->userWriteButton->isHidden());
    QVERIFY(ui->statusText().trimmed().endsWith(statusLine(State().text.Slabel_Resolution)));
    QVERIFY(ui->messages().isEmpty());
}

void TestE2ePages::audioPage()
{
    QVERIFY(connectTo("RKA386QE"));
    Ui_Audio *page = ui->window()->audioPage;
    const LanguageTexts &t = State().text;
    QVERIFY(ui->showPage(page));
    QCOMPARE(page->commonSourceCombo->count(), 11);

    int from = mark();
    int confirmed = statusCount(t.Slabel_AudioSource);
    QVERIFY(ui->choose(page->commonSourceCombo, 10));
    QVERIFY(received(from, {"SET AUDIO SOURCE WIN-KVM"}));
    QTRY_COMPARE_WITH_TIMEOUT(statusCount(t.Slabel_AudioSource), confirmed + 1, ReplyTimeoutMs);
    QCOMPARE(device("audio/source").toString(), QStringLiteral("WIN-KVM"));

    const struct
    {
        QPushButton *button; // null: type the value
        const char *typed;
        const char *request;
        int volume;
    } steps[] = {{nullptr, "64", "SET AUDIO VOL 64", 64},
                 {page->commonVolumeUp, nullptr, "SET AUDIO VOL+", 65},
                 {page->commonVolumeDown, nullptr, "SET AUDIO VOL-", 64},
                 {page->commonVolumeDown, nullptr, "SET AUDIO VOL-", 63}};
    for (const auto &step : steps) {
        from = mark();
        const int confirmed = statusCount(t.Slabel_Volume);
        QVERIFY(step.button ? ui->click(step.button) : ui->typeAndEnter(page->commonVolumeField, step.typed));
        QVERIFY(received(from, {step.request}));
        QTRY_COMPARE_WITH_TIMEOUT(device("audio/volume").toInt(), step.volume, ReplyTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(statusCount(t.Slabel_Volume), confirmed + 1, ReplyTimeoutMs);
        QCOMPARE(page->commonVolumeField->text(), QString::number(step.volume));
    }

    from = mark();
    QVERIFY(ui->click(page->commonMuteOn));
    QVERIFY(received(from, {"SET AUDIO-MUTE ON"}));
    QTRY_COMPARE_WITH_TIMEOUT(flatOf(page->commonMuteOn, page->commonMuteOff), 0, ReplyTimeoutMs);
    QCOMPARE(device("audio/mute").toBool(), true);
    QVERIFY(ui->click(page->commonMuteOff));
    QVERIFY(received(from, {"SET AUDIO-MUTE ON", "SET AUDIO-MUTE OFF"}));
    QTRY_COMPARE_WITH_TIMEOUT(flatOf(page->commonMuteOn, page->commonMuteOff), 1, ReplyTimeoutMs);

    // A volume over the limit is not sent; reading back replaces the typed text by the device's volume.
    from = mark();
    QVERIFY(ui->typeAndEnter(page->commonVolumeField, "150"));
    QVERIFY(ui->click(page->readAllButton));
    QVERIFY(received(from, {"GET AUDIO SOURCE", "GET AUDIO VOL", "GET AUDIO-MUTE"}));
    QTRY_COMPARE_WITH_TIMEOUT(page->commonVolumeField->text(), QStringLiteral("63"), ReplyTimeoutMs);
    QCOMPARE(page->commonSourceCombo->currentIndex(), 10);
    QVERIFY(ui->messages().isEmpty());
}

void TestE2ePages::audioPageTn386()
{
    QVERIFY(connectTo("TN386"));
    Ui_Audio *page = ui->window()->audioPage;
    QVERIFY(ui->showPage(page));
    QVERIFY(page->mainGroup->isVisible());
    QVERIFY(!page->commonFrame->isVisible());

    const struct
    {
        QPushButton *button;
        const char *request;
        QPushButton *flat;
        QPushButton *partner;
        const char *path;
        QJsonValue stored;
    } switches[] = {
        {page->mainOff, "SET MAIN-AUDIO ONOFF OFF", page->mainOff, page->mainOn, "audio/mainAudio", false},
        {page->micOff[0], "SET MIC1 ONOFF OFF", page->micOff[0], page->micOn[0], "audio/mic1/on", false},
        {page->micOn[1], "SET MIC2 ONOFF ON", page->micOn[1], page->micOff[1], "audio/mic2/on", true},
        {page->overallMuteOn, "SET AUDIO-MUTE ON", page->overallMuteOn, page->overallMuteOff, "audio/mute",
         true},
    };
    for (const auto &toggle : switches) {
        const int from = mark();
        QVERIFY(ui->click(toggle.button));
        QVERIFY(received(from, {toggle.request}));
        QTRY_VERIFY_WITH_TIMEOUT(toggle.flat->isFlat() && !toggle.partner->isFlat(), ReplyTimeoutMs);
        QCOMPARE(device(toggle.path), toggle.stored);
    }

    int from = mark();
    QVERIFY(ui->choose(page->mainSourceCombo, 11));
    QVERIFY(received(from, {"SET AUDIO SOURCE LR2"}));
    QTRY_COMPARE_WITH_TIMEOUT(device("audio/source").toString(), QStringLiteral("LR2"), ReplyTimeoutMs);

    const struct
    {
        QLineEdit *field;
        QPushButton *button; // null: type the value
        const char *typed;
        const char *request;
        const char *path;
        int volume;
    } volumes[] = {
        {page->micVolumeField[0], nullptr, "35", "SET MIC1 VOL 35", "audio/mic1/volume", 35},
        {page->micVolumeField[1], page->micVolumeUp[1], nullptr, "SET MIC2 VOL+", "audio/mic2/volume", 21},
        {page->micVolumeField[0], page->micVolumeDown[0], nullptr, "SET MIC1 VOL-", "audio/mic1/volume", 34},
        {page->overallVolumeField, nullptr, "48", "SET AUDIO VOL 48", "audio/volume", 48},
        {page->overallVolumeField, page->overallVolumeDown, nullptr, "SET AUDIO VOL-", "audio/volume", 47},
        {page->overallVolumeField, page->overallVolumeUp, nullptr, "SET AUDIO VOL+", "audio/volume", 48},
    };
    for (const auto &volume : volumes) {
        from = mark();
        QVERIFY(volume.button ? ui->click(volume.button) : ui->typeAndEnter(volume.field, volume.typed));
        QVERIFY(received(from, {volume.request}));
        QTRY_COMPARE_WITH_TIMEOUT(device(volume.path).toInt(), volume.volume, ReplyTimeoutMs);
        QTRY_COMPARE_WITH_TIMEOUT(volume.field->text(), QString::number(volume.volume), ReplyTimeoutMs);
    }

    // TN386 takes volumes up to 50: 60 is not sent, neither for the output nor for a microphone.
    from = mark();
    QVERIFY(ui->typeAndEnter(page->overallVolumeField, "60"));
    QVERIFY(ui->typeAndEnter(page->micVolumeField[1], "51"));
    QVERIFY(ui->click(page->readAllButton));
    QVERIFY(received(from, {"GET AUDIO SOURCE", "GET AUDIO VOL", "GET AUDIO-MUTE", "GET MAIN-AUDIO ONOFF",
                            "GET MIC1 ONOFF", "GET MIC1 VOL", "GET MIC2 ONOFF", "GET MIC2 VOL"}));
    QTRY_COMPARE_WITH_TIMEOUT(page->micVolumeField[1]->text(), QStringLiteral("21"), ReplyTimeoutMs);
    QCOMPARE(page->overallVolumeField->text(), QStringLiteral("48"));
    QCOMPARE(page->mainSourceCombo->currentIndex(), 11);
    QVERIFY(ui->messages().isEmpty());
}

QTEST_MAIN(TestE2ePages)
#include "tst_e2e_pages.moc"
