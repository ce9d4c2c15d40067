// The Multiview page used as an operator uses it, against lumaplex-sim over TCP: window modes and their
// options, the user rectangles, window sources, input resolution, auto switch, scenes and input names.

#include "gui/E2eFixture.h"

#include "config/AppState.h"
#include "shell/Ui_Main.h"
#include "pages/Ui_Audio.h"
#include "pages/Ui_Multiview.h"
#include "protocol/ValueTables.h"
#include "widgets/MessageBoxSeam.h"

#include <QComboBox>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class TestE2eMultiview : public QObject, public E2eFixture
{
    Q_OBJECT

private slots:
    void init() { openSession(); }
    void cleanup() { closeSession(); }

    void multiviewModesAndOptions();
    void multiviewSingleScenesAndNames();
};

void TestE2eMultiview::multiviewModesAndOptions()
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
    } sources[] = {
        {1, 5, "SET WINDOW2 IN HDMI6"}, {3, 7, "SET WINDOW4 IN DP"}, {0, 8, "SET WINDOW1 IN USB-C"}};
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

void TestE2eMultiview::multiviewSingleScenesAndNames()
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
    QVERIFY(received(from, {"SET MULTIVIEW 4xWIN", "GET MULTIVIEW-SYNC", "SET 4xWIN ASPECT 16:9",
                            "SET 4xWIN MODE 5", "SET WINDOW3 IN HDMI2"}));
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

QTEST_MAIN(TestE2eMultiview)
#include "tst_e2e_multiview.moc"
