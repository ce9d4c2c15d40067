// Every control of every page, used as an operator uses it, against lumaplex-sim over TCP (and the serial
// line where it matters): each action puts its request on the wire, changes the device's state, and the
// page shows what the device answered.

#include "core/SimDevice.h"
#include "gui/MainWindowDriver.h"

#include "app/AppState.h"
#include "app/Ui_Main.h"
#include "link/LinkChannel.h"
#include "link/ServiceTcpClient.h"
#include "pages/Ui_Audio.h"
#include "pages/Ui_Multiview.h"
#include "pages/Ui_Output.h"
#include "pages/Ui_System.h"
#include "pages/Ui_Uart_Network.h"
#include "protocol/ValueTables.h"
#include "widgets/FileChooserSeam.h"
#include "widgets/MessageBoxSeam.h"
#include "widgets/MyComboBox.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFrame>
#include <QGroupBox>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QtTest>

namespace {

constexpr int SyncTimeoutMs = 15000;
constexpr int ReplyTimeoutMs = 5000;
// Time a command that pauses the link (resolution change, reset) holds back the next one, plus margin.
constexpr int PausedTimeoutMs = 20000;

// "Sync <label> Message." as the status box shows a confirmed reply.
QString statusLine(const QString &label)
{
    const LanguageTexts &t = State().text;
    return QStringLiteral("%1 %2 %3.").arg(t.S_Sync, label, t.S_Message);
}

// A value of the device's state file by its path, e.g. "output/hdcp" or "multiview/windows/1".
QJsonValue valueAt(const QJsonObject &root, const QString &path)
{
    QJsonValue value = root;
    for (const QString &key : path.split(QLatin1Char('/'))) {
        bool isIndex = false;
        const int index = key.toInt(&isIndex);
        value = isIndex ? value.toArray().at(index) : value.toObject().value(key);
    }
    return value;
}

int flatOf(const QPushButton *first, const QPushButton *second)
{
    if (first->isFlat() == second->isFlat())
        return -1;
    return first->isFlat() ? 0 : 1;
}

int flatSource(const Ui_Multiview *page, int window)
{
    int flat = -1;
    for (int source = 0; source < 9; ++source) {
        if (page->sources->sourceButtons.at(window * 9 + source)->isFlat())
            flat = flat < 0 ? source : -2;
    }
    return flat;
}

// A 256-byte EDID with a valid base block and one extension block.
QByteArray validEdid()
{
    QByteArray edid(256, '\0');
    const char header[] = {0, char(0xFF), char(0xFF), char(0xFF), char(0xFF), char(0xFF), char(0xFF), 0};
    edid.replace(0, 8, QByteArray(header, 8));
    for (int i = 8; i < 126; ++i)
        edid[i] = char(i * 7);
    edid[126] = 1;
    for (int i = 128; i < 255; ++i)
        edid[i] = char(i * 3 + 1);
    for (int block = 0; block < 2; ++block) {
        int sum = 0;
        for (int i = block * 128; i < block * 128 + 127; ++i)
            sum += uchar(edid[i]);
        edid[block * 128 + 127] = char((256 - sum % 256) % 256);
    }
    return edid;
}

quint16 freeLoopbackPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

class TestE2ePages : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void outputPage();
    void multiviewModesAndOptions();
    void multiviewSingleScenesAndNames();
    void audioPage();
    void audioPageTn386();
    void systemPage();
    void networkWriteMovesTheLink();
    void baudRateWriteOverSerialLine();
    void factoryResetDropsLink();

private:
    bool connectTo(const QString &model, const QJsonObject &seed = {}, const QStringList &extra = {});
    int mark() { return sim->requests().size(); }
    // Waits until the device received exactly `expected` after the first `from` requests.
    bool received(int from, const QStringList &expected, int timeoutMs = ReplyTimeoutMs);
    QJsonValue device(const QString &path) const { return valueAt(sim->state(), path); }
    int statusCount(const QString &label) const { return ui->statusText().count(statusLine(label)); }

    std::unique_ptr<MainWindowDriver> ui;
    std::unique_ptr<SimDevice> sim;
};

void TestE2ePages::init()
{
    ui = std::make_unique<MainWindowDriver>();
    sim = std::make_unique<SimDevice>();
}

void TestE2ePages::cleanup()
{
    ui.reset();
    sim.reset();
}

bool TestE2ePages::connectTo(const QString &model, const QJsonObject &seed, const QStringList &extra)
{
    if (!seed.isEmpty())
        sim->seedState(seed);
    return sim->start(QStringList{"--model", model} + extra) && ui->connectTcp(sim->port()) &&
           ui->waitForSyncOver(1, SyncTimeoutMs);
}

bool TestE2ePages::received(int from, const QStringList &expected, int timeoutMs)
{
    const bool arrived =
        QTest::qWaitFor([&] { return sim->requests().size() >= from + expected.size(); }, timeoutMs);
    const QStringList actual = sim->requests().mid(from);
    if (!arrived || actual != expected) {
        qWarning() << "device received" << actual << "expected" << expected;
        qWarning().noquote() << sim->log().right(3000);
    }
    return actual == expected;
}

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
    QVERIFY(received(from, {"GET OUT RESOLUTION", "GET OUT HDCP", "GET OUT VKA", "GET OUT ITC", "GET OUT 4K-AUTO",
                            "GET RESO-USER"}));
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

void TestE2ePages::multiviewModesAndOptions()
{
    QVERIFY(connectTo("RKA386QE"));
    Ui_Multiview *page = ui->window()->multiviewPage;
    const LanguageTexts &t = State().text;
    QVERIFY(ui->showPage(page));

    int from = mark();
    QVERIFY(ui->click(page->modeButtons.at(ModePip)));
    QVERIFY(received(from, {"SET MULTIVIEW PIP", "GET MULTIVIEW-SYNC"}));
    QTRY_VERIFY_WITH_TIMEOUT(page->modeButtons.at(ModePip)->isFlat(), ReplyTimeoutMs);
    QCOMPARE(device("multiview/mode").toString(), QStringLiteral("PIP"));
    QTRY_COMPARE_WITH_TIMEOUT(page->positionCombo->currentIndex(), 3, ReplyTimeoutMs);
    QVERIFY(page->positionCombo->isVisible());
    QVERIFY(!page->aspectCombo->isVisible());
    QVERIFY(page->sources->windowLabels.at(1)->isVisible());
    QVERIFY(!page->sources->windowLabels.at(2)->isVisible());

    from = mark();
    QVERIFY(ui->choose(page->positionCombo, 0));
    QVERIFY(received(from, {"SET PIP POS LeftTop"}));
    QTRY_COMPARE_WITH_TIMEOUT(State().PipPosition, 0u, ReplyTimeoutMs);
    QCOMPARE(device("multiview/pipPosition").toString(), QStringLiteral("LeftTop"));
    from = mark();
    QVERIFY(ui->choose(page->sizeCombo, 2));
    QVERIFY(received(from, {"SET PIP SIZE LARGE"}));
    QTRY_COMPARE_WITH_TIMEOUT(State().PipSize, 2u, ReplyTimeoutMs);
    QCOMPARE(device("multiview/pipSize").toString(), QStringLiteral("LARGE"));

    // A user size makes the position user-defined at once, without a request of its own; the device's
    // answer shows the user rectangle, read from the device.
    from = mark();
    QVERIFY(ui->choose(page->sizeCombo, 3));
    QCOMPARE(page->positionCombo->currentIndex(), 4);
    QVERIFY(received(from, {"SET PIP SIZE USER", "GET PIP USER"}));
    QTRY_COMPARE_WITH_TIMEOUT(page->hStartField->text(), QStringLiteral("1440"), ReplyTimeoutMs);
    QCOMPARE(page->vSizeField->text(), QStringLiteral("270"));
    QVERIFY(page->rectangleLabel->isVisible());
    QCOMPARE(page->rectangleLabel->text(), t.Slabel_CaptureDisplay_2);

    from = mark();
    QVERIFY(ui->type(page->hStartField, "100"));
    QVERIFY(ui->type(page->vStartField, "200"));
    QVERIFY(ui->type(page->hSizeField, "640"));
    QVERIFY(ui->type(page->vSizeField, "360"));
    QVERIFY(ui->click(page->rectangleWriteButton));
    QVERIFY(received(from, {"SET PIP USER 100 200 640 360"}));
    QTRY_COMPARE_WITH_TIMEOUT(device("multiview/pipUser"), QJsonValue(QJsonArray{100, 200, 640, 360}),
                              ReplyTimeoutMs);
    QVERIFY(ui->type(page->hStartField, "999"));
    QVERIFY(ui->click(page->rectangleReadButton));
    QVERIFY(received(from, {"SET PIP USER 100 200 640 360", "GET PIP USER"}));
    QTRY_COMPARE_WITH_TIMEOUT(page->hStartField->text(), QStringLiteral("100"), ReplyTimeoutMs);

    // A fixed position while the size is user-defined drops the size to LARGE on the page.
    from = mark();
    QVERIFY(ui->choose(page->positionCombo, 1));
    QCOMPARE(page->sizeCombo->currentIndex(), 2);
    QVERIFY(received(from, {"SET PIP POS RightTop"}));
    QTRY_VERIFY_WITH_TIMEOUT(page->rectangleLabel->isHidden(), ReplyTimeoutMs);

    from = mark();
    QVERIFY(ui->click(page->modeButtons.at(ModePbp)));
    QVERIFY(received(from, {"SET MULTIVIEW PBP", "GET MULTIVIEW-SYNC"}));
    QTRY_COMPARE_WITH_TIMEOUT(page->modeCombo->count(), 3, ReplyTimeoutMs);
    QVERIFY(page->aspectCombo->isVisible());
    QVERIFY(!page->positionCombo->isVisible());
    from = mark();
    QVERIFY(ui->choose(page->aspectCombo, 1));
    QVERIFY(received(from, {"SET PBP ASPECT 16:9"}));
    QTRY_COMPARE_WITH_TIMEOUT(State().AspectIndex, 1u, ReplyTimeoutMs);
    QCOMPARE(device("multiview/layouts/PBP/aspect").toString(), QStringLiteral("16:9"));
    // Layout mode 3 is the presenter layout: its capture rectangle is read at once.
    from = mark();
    QVERIFY(ui->choose(page->modeCombo, 2));
    QVERIFY(received(from, {"SET PBP MODE 3", "GET PBP-PRESENTER"}));
    QTRY_COMPARE_WITH_TIMEOUT(page->hSizeField->text(), QStringLiteral("1280"), ReplyTimeoutMs);
    QCOMPARE(page->rectangleLabel->text(), t.Slabel_CaptureDisplay_1);
    QCOMPARE(device("multiview/layouts/PBP/mode").toInt(), 3);

    const struct
    {
        int mode;
        const char *word;
        int windows;
        int modes;
    } splits[] = {{Mode3xWin, "3xWIN", 3, 4}, {Mode4xWin, "4xWIN", 4, 6}};
    for (const auto &split : splits) {
        from = mark();
        QVERIFY(ui->click(page->modeButtons.at(split.mode)));
        QVERIFY(received(from, {QStringLiteral("SET MULTIVIEW %1").arg(split.word), "GET MULTIVIEW-SYNC"}));
        QTRY_COMPARE_WITH_TIMEOUT(page->modeCombo->count(), split.modes, ReplyTimeoutMs);
        QVERIFY(page->rectangleLabel->isHidden());
        for (int w = 0; w < 4; ++w)
            QCOMPARE(page->sources->windowLabels.at(w)->isVisible(), w < split.windows);
    }

    const struct
    {
        int window, source;
        const char *request;
    } sources[] = {{1, 5, "SET WINDOW2 IN HDMI6"}, {3, 7, "SET WINDOW4 IN DP"}, {0, 8, "SET WINDOW1 IN USB-C"}};
    for (const auto &source : sources) {
        from = mark();
        QVERIFY(ui->click(page->sources->sourceButtons.at(source.window * 9 + source.source)));
        QVERIFY(received(from, {source.request}));
        QTRY_COMPARE_WITH_TIMEOUT(flatSource(page, source.window), source.source, ReplyTimeoutMs);
        QCOMPARE(device(QStringLiteral("multiview/windows/%1").arg(source.window)).toString(),
                 QString::fromLatin1(Tables::inputSources(ModelRKA386QE).at(quint32(source.source))));
    }
    QVERIFY(ui->messages().isEmpty());
}

void TestE2ePages::multiviewSingleScenesAndNames()
{
    QVERIFY(connectTo("RKA204QE"));
    Ui_Multiview *page = ui->window()->multiviewPage;
    MultiviewSourceGrid *grid = page->sources.get();
    MultiviewLayoutFrame *layouts = page->layouts.get();
    QVERIFY(ui->showPage(page));
    QVERIFY(page->modeButtons.at(ModeSingle)->isFlat());

    int from = mark();
    QVERIFY(ui->click(grid->resolutionReadButton));
    QVERIFY(received(from, {"GET IN RESOLUTION"}));
    QTRY_COMPARE_WITH_TIMEOUT(grid->resolutionField->text(), QStringLiteral("1920x1080p60"), ReplyTimeoutMs);

    from = mark();
    QVERIFY(ui->click(grid->autoSwitchOnButton));
    QVERIFY(received(from, {"SET AUTO SWITCH ON"}));
    QTRY_COMPARE_WITH_TIMEOUT(flatOf(grid->autoSwitchOnButton, grid->autoSwitchOffButton), 0, ReplyTimeoutMs);
    QCOMPARE(device("multiview/autoSwitch").toBool(), true);
    from = mark();
    QVERIFY(ui->click(grid->autoSwitchOffButton));
    QVERIFY(received(from, {"SET AUTO SWITCH OFF"}));
    QTRY_COMPARE_WITH_TIMEOUT(flatOf(grid->autoSwitchOnButton, grid->autoSwitchOffButton), 1, ReplyTimeoutMs);

    // An arrangement saved as scene 3 under a new name...
    from = mark();
    const int reports = statusCount(State().text.Ui_Multiview_AppName);
    QVERIFY(ui->click(page->modeButtons.at(Mode4xWin)));
    QTRY_COMPARE_WITH_TIMEOUT(statusCount(State().text.Ui_Multiview_AppName), reports + 1, ReplyTimeoutMs);
    QVERIFY(ui->choose(page->aspectCombo, 1));
    QVERIFY(ui->choose(page->modeCombo, 4));
    QVERIFY(ui->click(grid->sourceButtons.at(2 * 9 + 1)));
    QVERIFY(received(from, {"SET MULTIVIEW 4xWIN", "GET MULTIVIEW-SYNC", "SET 4xWIN ASPECT 16:9", "SET 4xWIN MODE 5",
                            "SET WINDOW3 IN HDMI2"}));
    QTRY_COMPARE_WITH_TIMEOUT(flatSource(page, 2), 1, ReplyTimeoutMs);

    from = mark();
    QVERIFY(ui->type(layouts->nameField, "Studio"));
    MessageBoxSeam::pushAnswer(true);
    QVERIFY(ui->choose(layouts->saveCombo, 2));
    QCOMPARE(ui->messages(), QStringList{State().text.SMSG_SaveMessage});
    QVERIFY(received(from, {"SET SAVE SCENE 3"}));
    QCOMPARE(layouts->saveCombo->itemText(2), QStringLiteral("Studio"));
    QCOMPARE(layouts->loadCombo->itemText(2), QStringLiteral("Studio"));
    QCOMPARE(State().text.ScomboBox_Layout[2], QStringLiteral("Studio"));
    QVERIFY(layouts->nameField->text().isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(device("scenes/2"), device("multiview"), ReplyTimeoutMs);

    // ...another arrangement, then the scene loaded back and the page read again.
    from = mark();
    QVERIFY(ui->click(page->modeButtons.at(ModeSingle)));
    QTRY_VERIFY_WITH_TIMEOUT(page->modeButtons.at(ModeSingle)->isFlat(), ReplyTimeoutMs);
    MessageBoxSeam::pushAnswer(true);
    QVERIFY(ui->choose(layouts->loadCombo, 2));
    QVERIFY(received(from, {"SET MULTIVIEW SINGLE", "GET MULTIVIEW-SYNC", "SET LOAD SCENE 3"}));
    QTRY_COMPARE_WITH_TIMEOUT(device("multiview/mode").toString(), QStringLiteral("4xWIN"), ReplyTimeoutMs);
    QVERIFY(page->modeButtons.at(ModeSingle)->isFlat());
    QVERIFY(ui->click(page->readAllButton));
    QTRY_VERIFY_WITH_TIMEOUT(page->modeButtons.at(Mode4xWin)->isFlat(), ReplyTimeoutMs);
    QCOMPARE(page->aspectCombo->currentIndex(), 1);
    QCOMPARE(page->modeCombo->currentIndex(), 4);
    QCOMPARE(flatSource(page, 2), 1);
    QCOMPARE(ui->messages().size(), 2);

    // A declined save and a rename of an input send nothing; the audio page lists the new name.
    from = mark();
    MessageBoxSeam::pushAnswer(false);
    QVERIFY(ui->type(layouts->nameField, "Unused"));
    QVERIFY(ui->choose(layouts->saveCombo, 5));
    QCOMPARE(layouts->saveCombo->itemText(5), State().text.ScomboBox_Layout[5]);
    QTest::mouseDClick(grid->sourceLabels.at(2), Qt::LeftButton);
    QVERIFY(grid->renameField->isVisible());
    QVERIFY(ui->typeAndEnter(grid->renameField, "Camera"));
    QVERIFY(grid->renameField->isHidden());
    QCOMPARE(grid->sourceLabels.at(2)->text(), QStringLiteral("Camera"));
    QCOMPARE(ui->window()->audioPage->commonSourceCombo->itemText(3), QStringLiteral("Camera"));
    QVERIFY(ui->click(page->readAllButton));
    QVERIFY(received(from, {"GET MULTIVIEW-SYNC"}));
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
        {page->overallMuteOn, "SET AUDIO-MUTE ON", page->overallMuteOn, page->overallMuteOff, "audio/mute", true},
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

void TestE2ePages::systemPage()
{
    QVERIFY(connectTo("RKA386QE"));
    Ui_System *page = ui->window()->systemPage;
    const LanguageTexts &t = State().text;
    QVERIFY(ui->showPage(page));

    int from = mark();
    QVERIFY(ui->choose(page->edidModeCombo, 7));
    QVERIFY(received(from, {"SET IN EDIDMODE 1080p60-5.1"}));
    QTRY_COMPARE_WITH_TIMEOUT(device("edid/mode").toString(), QStringLiteral("1080p60-5.1"), ReplyTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(ui->statusText().trimmed().endsWith(statusLine(t.Slabel_EdidSelect)), ReplyTimeoutMs);

    const struct
    {
        int part;
        const char *request;
        const char *version;
    } parts[] = {{1, "GET SUB-VERSION", "V1.0.1"},
                 {3, "GET KEYBOARD-VERSION", "V1.0.2"},
                 {2, "GET EXPAND-VERSION", "V1.0.0"},
                 {0, "GET VERSION", "V1.0.3"}};
    QCOMPARE(page->firmwareCombo->count(), 4);
    for (const auto &part : parts) {
        from = mark();
        QVERIFY(ui->choose(page->firmwareCombo, part.part));
        QVERIFY(received(from, {part.request}));
        QTRY_COMPARE_WITH_TIMEOUT(page->versionField->text(), QString::fromLatin1(part.version), ReplyTimeoutMs);
    }

    // A user EDID chosen in the file chooser and uploaded: 256 bytes as hexadecimal words on one line.
    const QByteArray edid = validEdid();
    ui->appDir.writeFile("/edid/monitor.bin", edid);
    const QString path = ui->appDir.file("/edid/monitor.bin");
    FileChooserSeam::pushChosenPath(path);
    QVERIFY(ui->click(page->loadButton));
    QCOMPARE(page->pathField->text(), path);
    QCOMPARE(FileChooserSeam::openedDirs(), QStringList{"."});
    from = mark();
    QVERIFY(ui->click(page->edidWriteButton));
    QVERIFY(received(from, {"SET EDID-USER " + QString::fromLatin1(edid.toHex(' ').toUpper())}));
    QTRY_COMPARE_WITH_TIMEOUT(ui->messages(), QStringList{t.SMSG_EdidWriteOk}, ReplyTimeoutMs);
    QCOMPARE(device("edid/user").toString(), QString::fromLatin1(edid.toHex().toUpper()));

    // Reading the link parameters shows them without a message and keeps the link.
    const int syncOvers = ui->syncOverCount();
    from = mark();
    QVERIFY(ui->click(page->networkReadButton));
    QTRY_COMPARE_WITH_TIMEOUT(ui->syncOverCount(), syncOvers + 1, ReplyTimeoutMs);
    QVERIFY(ui->click(page->rs232ReadButton));
    QVERIFY(received(from, {"GET NETWORK-INFO", "GET BAUDRATE"}));
    QTRY_COMPARE_WITH_TIMEOUT(ui->syncOverCount(), syncOvers + 2, ReplyTimeoutMs);
    QCOMPARE(page->portField->text(), QString::number(sim->port()));
    QCOMPARE(page->baudCombo->currentText(), QStringLiteral("9600"));
    QCOMPARE(State().LinkType, quint32(LinkTcpClient));
    QCOMPARE(ui->messages().size(), 1);

    // A declined reset sends nothing.
    MessageBoxSeam::pushAnswer(false);
    QVERIFY(ui->click(page->resetButton));
    QCOMPARE(ui->messages().last(), t.SMSG_ResetMessage);
    from = mark();
    QVERIFY(ui->click(page->readAllButton));
    QVERIFY(received(from, {"GET IN EDIDMODE", "GET NETWORK-INFO"}));
}

void TestE2ePages::networkWriteMovesTheLink()
{
    QVERIFY(connectTo("RKA204QE"));
    Ui_System *page = ui->window()->systemPage;
    Ui_Uart_Network *connection = ui->window()->connectionPage;
    const LanguageTexts &t = State().text;
    const quint16 oldPort = sim->port();
    const quint16 newPort = freeLoopbackPort();
    QVERIFY(newPort != 0 && newPort != oldPort);
    QVERIFY(ui->showPage(page));
    QCOMPARE(page->portField->text(), QString::number(oldPort));

    int from = mark();
    QVERIFY(ui->type(page->portField, QString::number(newPort)));
    QVERIFY(ui->click(page->networkWriteButton));
    QVERIFY(received(from, {QStringLiteral("SET NETWORK-INFO 127.0.0.1 %1 255.0.0.0 127.0.0.1").arg(newPort)}));
    QTRY_COMPARE_WITH_TIMEOUT(ui->messages(), QStringList{t.SMSG_SyncConfigInfo + "\r\n" + t.SMSG_ReConnect},
                              ReplyTimeoutMs);
    QCOMPARE(State().LinkType, quint32(LinkNone));
    QVERIFY(!connection->statusOk);
    QCOMPARE(connection->portEdit->text(), QString::number(newPort));
    QCOMPARE(connection->networkConnectButton->text(), t.S_ConnectDisconnect[0]);
    QTRY_COMPARE_WITH_TIMEOUT(sim->port(), newPort, ReplyTimeoutMs);

    // The operator connects again: the connection page already holds the new port.
    from = mark();
    const int syncOvers = ui->syncOverCount();
    QVERIFY(ui->showPage(connection));
    QVERIFY(ui->click(connection->networkConnectButton));
    QVERIFY(ui->waitForSyncOver(syncOvers + 1, SyncTimeoutMs));
    QCOMPARE(sim->connections(), 2);
    QCOMPARE(sim->requests().value(from), QStringLiteral("GET MODEL TYPE"));
    QCOMPARE(sim->requests().last(), QStringLiteral("GET NETWORK-INFO"));
    QCOMPARE(page->portField->text(), QString::number(newPort));
    QCOMPARE(State().config.SP_RemotePort, QString::number(newPort));
    QVERIFY(connection->statusOk);
    QCOMPARE(ui->messages().size(), 1);
}

void TestE2ePages::baudRateWriteOverSerialLine()
{
    QVERIFY(sim->start({"--model", "RKA07QE", "--no-tcp"}, true));
    QVERIFY(ui->connectSerial(sim->ptyLink(), "9600"));
    QVERIFY(ui->waitForSyncOver(1, SyncTimeoutMs));
    Ui_System *page = ui->window()->systemPage;
    Ui_Uart_Network *connection = ui->window()->connectionPage;
    const LanguageTexts &t = State().text;
    QVERIFY(ui->showPage(page));
    QVERIFY(page->ipField->isHidden());

    int from = mark();
    QVERIFY(ui->choose(page->baudCombo, page->baudCombo->findText("19200")));
    QVERIFY(ui->click(page->rs232WriteButton));
    QVERIFY(received(from, {"SET BAUDRATE 19200"}));
    QTRY_COMPARE_WITH_TIMEOUT(ui->messages(), QStringList{t.SMSG_SyncConfigInfo + "\r\n" + t.SMSG_ReConnect},
                              ReplyTimeoutMs);
    QCOMPARE(State().LinkType, quint32(LinkNone));
    QCOMPARE(connection->baudBox->currentText(), QStringLiteral("19200"));
    QCOMPARE(connection->portBox->currentText(), sim->ptyLink());
    QTRY_COMPARE_WITH_TIMEOUT(sim->logLines("line speed now 19200 baud"), 1, ReplyTimeoutMs);
    QCOMPARE(device("baudRate").toInt(), 19200);

    from = mark();
    const int syncOvers = ui->syncOverCount();
    QVERIFY(ui->showPage(connection));
    QVERIFY(ui->click(connection->serialConnectButton));
    QVERIFY(ui->waitForSyncOver(syncOvers + 1, SyncTimeoutMs));
    QCOMPARE(sim->requests().value(from), QStringLiteral("GET MODEL TYPE"));
    QCOMPARE(sim->requests().last(), QStringLiteral("GET BAUDRATE"));
    QCOMPARE(State().config.SP_BaudRate, QStringLiteral("19200"));
    QCOMPARE(page->baudCombo->currentText(), QStringLiteral("19200"));
    QCOMPARE(State().LinkType, quint32(LinkSerial));
    QCOMPARE(ui->messages().size(), 1);
}

void TestE2ePages::factoryResetDropsLink()
{
    QVERIFY(connectTo("RKA204QE", {}, {"--reset-ms", "300"}));
    Ui_Output *output = ui->window()->outputPage;
    Ui_System *system = ui->window()->systemPage;
    QVERIFY(ui->showPage(output));
    int from = mark();
    QVERIFY(ui->choose(output->hdcpCombo, 1));
    QVERIFY(received(from, {"SET OUT HDCP FORCE-2.2"}));
    QTRY_COMPARE_WITH_TIMEOUT(device("output/hdcp").toString(), QStringLiteral("FORCE-2.2"), ReplyTimeoutMs);

    QVERIFY(ui->showPage(system));
    MessageBoxSeam::pushAnswer(true);
    from = mark();
    QVERIFY(ui->click(system->resetButton));
    QCOMPARE(ui->messages(), QStringList{State().text.SMSG_ResetMessage});
    QVERIFY(received(from, {"SET RESET"}));
    QTRY_COMPARE_WITH_TIMEOUT(sim->logLines("client disconnected"), 1, ReplyTimeoutMs);
    QCOMPARE(device("output/hdcp").toString(), QStringLiteral("FORCE-1.4"));
    // The tool sees its connection go.
    QTRY_VERIFY_WITH_TIMEOUT(TcpService().lastErrorCode() != LinkService::NoErrorSinceConnect, ReplyTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(sim->logLines("listening on tcp"), 2, ReplyTimeoutMs);

    // Once the pause after the reset is over, the next action connects again and reaches the device.
    QVERIFY(ui->showPage(output));
    QVERIFY(ui->choose(output->vkaCombo, 1));
    QVERIFY(received(from, {"SET RESET", "SET OUT VKA BLACKSCREEN"}, PausedTimeoutMs));
    QCOMPARE(sim->connections(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(device("output/vka").toString(), QStringLiteral("BLACKSCREEN"), ReplyTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(ui->statusText().trimmed().endsWith(statusLine(State().text.Slabel_VKA)),
                             ReplyTimeoutMs);
    QCOMPARE(State().LinkType, quint32(LinkTcpClient));
    QCOMPARE(ui->messages().size(), 1);
}

QTEST_MAIN(TestE2ePages)
#include "tst_e2e_pages.moc"
