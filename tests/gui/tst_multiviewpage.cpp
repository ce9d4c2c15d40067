// The Multiview page: its absolute layout, the source grid per model and mode, the layout of each window
// mode, the reply operations (which never ask the device for more than described) and the language reload.

#include "core/MultiviewTestState.h"
#include "core/QueuedRequests.h"
#include "core/TestAppDir.h"

#include "config/AppState.h"
#include "link/LinkChannel.h"
#include "pages/Ui_Multiview.h"
#include "protocol/ValueTables.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <functional>

using WidgetOf = std::function<QWidget *(Ui_Multiview *)>;
using Scenario = std::function<void(Ui_Multiview *)>;
Q_DECLARE_METATYPE(WidgetOf)
Q_DECLARE_METATYPE(Scenario)

namespace {

int windowsOf(int mode)
{
    const int windows[] = {1, 2, 2, 3, 4};
    return windows[mode];
}

} // namespace

class TestMultiviewPage : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void constructionGeometry_data();
    void constructionGeometry();
    void stateBeforeIdentification();
    void gridFollowsModelAndMode_data();
    void gridFollowsModelAndMode();
    void layoutForMode_data();
    void layoutForMode();
    void syncOperationsQueueOnlyWhereDescribed_data();
    void syncOperationsQueueOnlyWhereDescribed();
    void syncOperationsSetWidgets();
    void modeComboFollowsModeCount_data();
    void modeComboFollowsModeCount();
    void languageReloadRetextsHidesAndRereads();

private:
    TestAppDir *appDir = nullptr;
    Ui_Multiview *page = nullptr;
};

void TestMultiviewPage::init()
{
    appDir = new TestAppDir;
    State().LinkType = LinkTcpClient;
    takeQueuedRequests(TcpChannel());
    page = new Ui_Multiview;
}

void TestMultiviewPage::cleanup()
{
    delete page;
    takeQueuedRequests(TcpChannel());
    delete appDir;
}

void TestMultiviewPage::constructionGeometry_data()
{
    QTest::addColumn<WidgetOf>("widget");
    QTest::addColumn<QRect>("geometry");
    auto row = [](const char *name, WidgetOf widget, QRect geometry) {
        QTest::newRow(name) << widget << geometry;
    };
    row(
        "control frame", [](Ui_Multiview *p) { return p->controlFrame; }, QRect(4, 10, 928, 168));
    row(
        "layout frame", [](Ui_Multiview *p) { return p->layoutFrame; }, QRect(4, 182, 656, 64));
    row(
        "source frame", [](Ui_Multiview *p) { return p->sourceFrame; }, QRect(4, 250, 1074, 196));
    row(
        "read-all", [](Ui_Multiview *p) { return p->readAllButton; }, QRect(4, 456, 100, 26));
    row(
        "multiview label", [](Ui_Multiview *p) { return p->multiviewLabel; }, QRect(4, 4, 150, 26));
    row(
        "SINGLE", [](Ui_Multiview *p) { return p->modeButtons.at(0); }, QRect(158, 4, 150, 26));
    row(
        "3xWIN", [](Ui_Multiview *p) { return p->modeButtons.at(3); }, QRect(620, 4, 150, 26));
    row(
        "4xWIN", [](Ui_Multiview *p) { return p->modeButtons.at(4); }, QRect(774, 4, 150, 26));
    row(
        "aspect label", [](Ui_Multiview *p) { return p->aspectLabel; }, QRect(4, 34, 150, 26));
    row(
        "aspect combo", [](Ui_Multiview *p) { return p->aspectCombo; }, QRect(158, 34, 120, 26));
    row(
        "mode label", [](Ui_Multiview *p) { return p->modeLabel; }, QRect(4, 64, 150, 26));
    row(
        "mode combo", [](Ui_Multiview *p) { return p->modeCombo; }, QRect(158, 64, 120, 26));
    row(
        "position label", [](Ui_Multiview *p) { return p->positionLabel; }, QRect(282, 34, 150, 26));
    row(
        "position combo", [](Ui_Multiview *p) { return p->positionCombo; }, QRect(436, 34, 120, 26));
    row(
        "size label", [](Ui_Multiview *p) { return p->sizeLabel; }, QRect(282, 64, 150, 26));
    row(
        "size combo", [](Ui_Multiview *p) { return p->sizeCombo; }, QRect(436, 64, 120, 26));
    row(
        "rectangle label", [](Ui_Multiview *p) { return p->rectangleLabel; }, QRect(298, 34, 288, 26));
    row(
        "H start label", [](Ui_Multiview *p) { return p->hStartLabel; }, QRect(298, 64, 84, 26));
    row(
        "H start field", [](Ui_Multiview *p) { return p->hStartField; }, QRect(386, 64, 60, 26));
    row(
        "V start label", [](Ui_Multiview *p) { return p->vStartLabel; }, QRect(450, 64, 84, 26));
    row(
        "V start field", [](Ui_Multiview *p) { return p->vStartField; }, QRect(538, 64, 60, 26));
    row(
        "H size label", [](Ui_Multiview *p) { return p->hSizeLabel; }, QRect(298, 94, 84, 26));
    row(
        "V size field", [](Ui_Multiview *p) { return p->vSizeField; }, QRect(538, 94, 60, 26));
    row(
        "rectangle read", [](Ui_Multiview *p) { return p->rectangleReadButton; }, QRect(298, 124, 100, 26));
    row(
        "rectangle write", [](Ui_Multiview *p) { return p->rectangleWriteButton; }, QRect(402, 124, 100, 26));
    row(
        "picture frame", [](Ui_Multiview *p) { return p->pictureFrame; }, QRect(620, 50, 202, 114));
    row(
        "picture", [](Ui_Multiview *p) { return p->picture; }, QRect(2, 2, 200, 112));
    row(
        "save label", [](Ui_Multiview *p) { return p->layouts->saveLabel; }, QRect(4, 4, 150, 26));
    row(
        "save combo", [](Ui_Multiview *p) { return p->layouts->saveCombo; }, QRect(158, 4, 240, 26));
    row(
        "load label", [](Ui_Multiview *p) { return p->layouts->loadLabel; }, QRect(4, 34, 150, 26));
    row(
        "load combo", [](Ui_Multiview *p) { return p->layouts->loadCombo; }, QRect(158, 34, 240, 26));
    row(
        "name label", [](Ui_Multiview *p) { return p->layouts->nameLabel; }, QRect(402, 4, 240, 26));
    row(
        "name field", [](Ui_Multiview *p) { return p->layouts->nameField; }, QRect(402, 34, 240, 26));
    row(
        "corner label", [](Ui_Multiview *p) { return p->sources->cornerLabel; }, QRect(4, 34, 130, 38));
    row(
        "source label 0", [](Ui_Multiview *p) { return p->sources->sourceLabels.at(0); },
        QRect(138, 34, 100, 38));
    row(
        "source label 8", [](Ui_Multiview *p) { return p->sources->sourceLabels.at(8); },
        QRect(970, 34, 100, 38));
    row(
        "window label 0", [](Ui_Multiview *p) { return p->sources->windowLabels.at(0); },
        QRect(4, 76, 130, 26));
    row(
        "window label 3", [](Ui_Multiview *p) { return p->sources->windowLabels.at(3); },
        QRect(4, 166, 130, 26));
    row(
        "button0", [](Ui_Multiview *p) { return p->sources->sourceButtons.at(0); }, QRect(138, 76, 100, 26));
    row(
        "button8", [](Ui_Multiview *p) { return p->sources->sourceButtons.at(8); }, QRect(970, 76, 100, 26));
    row(
        "button9", [](Ui_Multiview *p) { return p->sources->sourceButtons.at(9); }, QRect(138, 106, 100, 26));
    row(
        "button22", [](Ui_Multiview *p) { return p->sources->sourceButtons.at(22); },
        QRect(554, 136, 100, 26));
    row(
        "button35", [](Ui_Multiview *p) { return p->sources->sourceButtons.at(35); },
        QRect(970, 166, 100, 26));
}

void TestMultiviewPage::constructionGeometry()
{
    QFETCH(WidgetOf, widget);
    QFETCH(QRect, geometry);
    QCOMPARE(widget(page)->geometry(), geometry);
}

void TestMultiviewPage::stateBeforeIdentification()
{
    QCOMPARE(page->pictureFrame->objectName(), QStringLiteral("MultiviewPicture"));
    QCOMPARE(page->pictureFrame->parentWidget(), page->controlFrame);
    for (QFrame *frame : {page->controlFrame, page->pictureFrame, page->layoutFrame, page->sourceFrame}) {
        QCOMPARE(frame->frameShape(), QFrame::Box);
        QCOMPARE(frame->frameShadow(), QFrame::Raised);
    }
    QCOMPARE(page->sources->sourceButtons.size(), 36);
    for (int k = 0; k < 36; ++k) {
        QPushButton *button = page->sources->sourceButtons.at(k);
        QCOMPARE(button->objectName(), QStringLiteral("button%1").arg(k));
        QCOMPARE(page->findChild<QPushButton *>(QStringLiteral("button%1").arg(k)), button);
        QVERIFY(button->text().isEmpty());
        QVERIFY(button->isVisibleTo(page));
        QVERIFY(!button->isFlat());
    }
    for (int i = 0; i < 9; ++i) {
        QLabel *label = page->sources->sourceLabels.at(i);
        QCOMPARE(label->text(), QStringLiteral("IN-%1").arg(i + 1));
        QVERIFY(label->wordWrap());
        QCOMPARE(label->toolTip(), State().text.STIPS_DoubleChickModifyName);
        QCOMPARE(label->alignment(), Qt::AlignCenter);
        QVERIFY(label->isVisibleTo(page));
    }
    QCOMPARE(page->sources->windowLabels.at(3)->text(), QStringLiteral("Window-4"));
    QCOMPARE(page->sources->cornerLabel->text(), QStringLiteral("Window\\Source"));
    for (QPushButton *button : page->modeButtons)
        QVERIFY(!button->isFlat());
    QCOMPARE(page->modeButtons.at(3)->text(), QStringLiteral("3xWIN"));
    for (QWidget *widget :
         {static_cast<QWidget *>(page->aspectCombo), static_cast<QWidget *>(page->modeCombo),
          static_cast<QWidget *>(page->positionCombo), static_cast<QWidget *>(page->sizeCombo)})
        QVERIFY(widget->isVisibleTo(page));
    QCOMPARE(page->rectangleGroup.size(), 11);
    for (QWidget *widget : page->rectangleGroup)
        QVERIFY(!widget->isVisibleTo(page));
    for (QWidget *widget : {static_cast<QWidget *>(page->sources->resolutionLabel),
                            static_cast<QWidget *>(page->sources->resolutionField),
                            static_cast<QWidget *>(page->sources->resolutionReadButton),
                            static_cast<QWidget *>(page->sources->autoSwitchLabel),
                            static_cast<QWidget *>(page->sources->autoSwitchOnButton),
                            static_cast<QWidget *>(page->sources->autoSwitchOffButton),
                            static_cast<QWidget *>(page->sources->renameField)})
        QVERIFY(!widget->isVisibleTo(page));
    QVERIFY(!page->sources->resolutionField->isEnabled());
    QVERIFY(page->picture->pixmap(Qt::ReturnByValue).isNull());
    QVERIFY(page->picture->hasScaledContents());
    QCOMPARE(page->aspectCombo->count(), 2);
    QCOMPARE(page->modeCombo->count(), 6);
    QCOMPARE(page->positionCombo->itemText(4), QStringLiteral("USER"));
    QCOMPARE(page->sizeCombo->itemText(2), QStringLiteral("Large"));
    // Building the page asks the device for nothing.
    QVERIFY(takeQueuedRequests(TcpChannel()).isEmpty());
    // Before a model is known the grid is left complete.
    page->ApplyModel();
    QVERIFY(page->sources->sourceButtons.at(35)->isVisibleTo(page));
    // The rectangle fields take digits up to 9999 only.
    QTest::keyClicks(page->hStartField, QStringLiteral("12a345"));
    QCOMPARE(page->hStartField->text(), QStringLiteral("1234"));
}

void TestMultiviewPage::gridFollowsModelAndMode_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("mode");
    const char *models[] = {"RKA204QE", "RKA07QE", "RKA386QE", "TN386", "TN204E"};
    const char *modes[] = {"SINGLE", "PIP", "PBP", "3xWIN", "4xWIN"};
    for (int model = 0; model < 5; ++model) {
        for (int mode = 0; mode < 5; ++mode)
            QTest::addRow("%s %s", models[model], modes[mode]) << model << mode;
    }
}

void TestMultiviewPage::gridFollowsModelAndMode()
{
    QFETCH(int, model);
    QFETCH(int, mode);
    identifyModel(quint8(model));
    page->SyncWindowMode(mode, false);
    const int inputs = int(Tables::inputCount(quint32(model)));
    const int windows = windowsOf(mode);
    for (int k = 0; k < 36; ++k) {
        const bool visible = k % 9 < inputs && k / 9 < windows;
        QVERIFY2(page->sources->sourceButtons.at(k)->isVisibleTo(page) == visible,
                 qPrintable(QString::number(k)));
    }
    for (int i = 0; i < 9; ++i)
        QCOMPARE(page->sources->sourceLabels.at(i)->isVisibleTo(page), i < inputs);
    for (int w = 0; w < 4; ++w)
        QCOMPARE(page->sources->windowLabels.at(w)->isVisibleTo(page), w < windows);
}

void TestMultiviewPage::layoutForMode_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("singleRows");
    QTest::addColumn<bool>("pipOptions");
    QTest::addColumn<bool>("splitOptions");
    QTest::newRow("SINGLE") << 0 << true << false << false;
    QTest::newRow("PIP") << 1 << false << true << false;
    QTest::newRow("PBP") << 2 << false << false << true;
    QTest::newRow("3xWIN") << 3 << false << false << true;
    QTest::newRow("4xWIN") << 4 << false << false << true;
}

void TestMultiviewPage::layoutForMode()
{
    QFETCH(int, mode);
    QFETCH(bool, singleRows);
    QFETCH(bool, pipOptions);
    QFETCH(bool, splitOptions);
    identifyModel(ModelRKA386QE);
    page->SyncWindowMode(mode, false);
    QCOMPARE(State().MultiviewMode, quint32(mode));
    for (int i = 0; i < 5; ++i)
        QCOMPARE(page->modeButtons.at(i)->isFlat(), i == mode);

    const MultiviewSourceGrid &grid = *page->sources;
    QCOMPARE(grid.resolutionLabel->isVisibleTo(page), singleRows);
    QCOMPARE(grid.resolutionField->isVisibleTo(page), singleRows);
    QCOMPARE(grid.resolutionReadButton->isVisibleTo(page), singleRows);
    QCOMPARE(grid.autoSwitchLabel->isVisibleTo(page), singleRows);
    QCOMPARE(grid.autoSwitchOnButton->isVisibleTo(page), singleRows);
    QCOMPARE(grid.autoSwitchOffButton->isVisibleTo(page), singleRows);
    QCOMPARE(page->positionLabel->isVisibleTo(page), pipOptions);
    QCOMPARE(page->positionCombo->isVisibleTo(page), pipOptions);
    QCOMPARE(page->sizeLabel->isVisibleTo(page), pipOptions);
    QCOMPARE(page->sizeCombo->isVisibleTo(page), pipOptions);
    QCOMPARE(page->aspectLabel->isVisibleTo(page), splitOptions);
    QCOMPARE(page->aspectCombo->isVisibleTo(page), splitOptions);
    QCOMPARE(page->modeLabel->isVisibleTo(page), splitOptions);
    QCOMPARE(page->modeCombo->isVisibleTo(page), splitOptions);
    if (singleRows) {
        QCOMPARE(grid.resolutionLabel->geometry(), QRect(4, 122, 190, 26));
        QCOMPARE(grid.resolutionField->geometry(), QRect(198, 122, 160, 26));
        QCOMPARE(grid.resolutionReadButton->geometry(), QRect(362, 122, 100, 26));
        QCOMPARE(grid.autoSwitchLabel->geometry(), QRect(4, 152, 160, 26));
        QCOMPARE(grid.autoSwitchOnButton->geometry(), QRect(168, 152, 100, 26));
        QCOMPARE(grid.autoSwitchOffButton->geometry(), QRect(272, 152, 100, 26));
    }
    if (pipOptions) {
        QCOMPARE(page->positionLabel->geometry(), QRect(4, 34, 150, 26));
        QCOMPARE(page->positionCombo->geometry(), QRect(158, 34, 120, 26));
        QCOMPARE(page->sizeLabel->geometry(), QRect(4, 64, 150, 26));
        QCOMPARE(page->sizeCombo->geometry(), QRect(158, 64, 120, 26));
    }
    if (splitOptions) {
        QCOMPARE(page->aspectLabel->geometry(), QRect(4, 34, 150, 26));
        QCOMPARE(page->aspectCombo->geometry(), QRect(158, 34, 120, 26));
        QCOMPARE(page->modeLabel->geometry(), QRect(4, 64, 150, 26));
        QCOMPARE(page->modeCombo->geometry(), QRect(158, 64, 120, 26));
    }
}

void TestMultiviewPage::syncOperationsQueueOnlyWhereDescribed_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<Scenario>("sync");
    QTest::addColumn<QByteArrayList>("requests");
    QTest::addColumn<int>("emits");
    auto row = [](const char *name, int mode, Scenario sync, QByteArrayList requests = {}, int emits = 0) {
        QTest::newRow(name) << mode << sync << requests << emits;
    };
    row(
        "SyncWindowMode without resync", 3, [](Ui_Multiview *p) { p->SyncWindowMode(3, false); }, {}, 1);
    row(
        "SyncWindowMode with resync", 0, [](Ui_Multiview *p) { p->SyncWindowMode(2, true); },
        {"GET MULTIVIEW-SYNC\r"}, 1);
    row("SyncAspect", 2, [](Ui_Multiview *p) { p->SyncAspect(1); });
    row("SyncModeCount", 2, [](Ui_Multiview *p) { p->SyncModeCount(3); });
    row("SyncMode", 4, [](Ui_Multiview *p) { p->SyncMode(4); });
    row("SyncPosition", 1, [](Ui_Multiview *p) { p->SyncPosition(2); });
    row("SyncSize", 1, [](Ui_Multiview *p) { p->SyncSize(1); });
    row("SyncWindowSource", 4, [](Ui_Multiview *p) { p->SyncWindowSource(3, 2); });
    row("SyncInputResolution", 0,
        [](Ui_Multiview *p) { p->SyncInputResolution(QStringLiteral("1920x1080p60")); });
    row("SyncCaptureDisplayInfo", 1, [](Ui_Multiview *p) { p->SyncCaptureDisplayInfo(1, 2, 3, 4); });
    row("SyncAutoSwitch", 0, [](Ui_Multiview *p) { p->SyncAutoSwitch(1); });
    row("ApplyModel", 3, [](Ui_Multiview *p) { p->ApplyModel(); });
    row("LayoutForMode", 1, [](Ui_Multiview *p) { p->LayoutForMode(1); });
    row("UpdatePicture", 2, [](Ui_Multiview *p) { p->UpdatePicture(); });
}

void TestMultiviewPage::syncOperationsQueueOnlyWhereDescribed()
{
    QFETCH(int, mode);
    QFETCH(Scenario, sync);
    QFETCH(QByteArrayList, requests);
    QFETCH(int, emits);
    identifyModel(ModelRKA386QE);
    setMultiviewState(quint32(mode), 0, 0, 0, 4);
    QSignalSpy emitted(page, &Ui_Multiview::SGL_UpdateEmit);
    sync(page);
    QCOMPARE(takeQueuedRequests(TcpChannel()), requests);
    QCOMPARE(emitted.count(), emits);
}

void TestMultiviewPage::syncOperationsSetWidgets()
{
    identifyModel(ModelRKA386QE);
    setMultiviewState(Mode4xWin, 0, 0, 0, 6);
    page->SyncAspect(1);
    QCOMPARE(page->aspectCombo->currentIndex(), 1);
    page->SyncMode(3);
    QCOMPARE(page->modeCombo->currentIndex(), 3);
    page->SyncPosition(2);
    QCOMPARE(page->positionCombo->currentIndex(), 2);
    page->SyncSize(1);
    QCOMPARE(page->sizeCombo->currentIndex(), 1);
    page->SyncInputResolution(QStringLiteral("3840x2160p60"));
    page->SyncInputResolution(QStringLiteral("1920x1080p60"));
    QCOMPARE(page->sources->resolutionField->text(), QStringLiteral("1920x1080p60"));
    page->SyncCaptureDisplayInfo(0, 10, 1920, 1080);
    QCOMPARE(page->hStartField->text(), QStringLiteral("0"));
    QCOMPARE(page->vStartField->text(), QStringLiteral("10"));
    QCOMPARE(page->hSizeField->text(), QStringLiteral("1920"));
    QCOMPARE(page->vSizeField->text(), QStringLiteral("1080"));

    page->SyncWindowSource(0, 8);
    page->SyncWindowSource(1, 4);
    page->SyncWindowSource(1, 2);
    const QList<QPushButton *> &buttons = page->sources->sourceButtons;
    for (int k = 0; k < 36; ++k)
        QVERIFY2(buttons.at(k)->isFlat() == (k == 8 || k == 11), qPrintable(QString::number(k)));
    // A source outside the grid leaves the window's row without a selection.
    page->SyncWindowSource(1, 9);
    QVERIFY(!buttons.at(11)->isFlat());
    QVERIFY(buttons.at(8)->isFlat());
    QVERIFY(takeQueuedRequests(TcpChannel()).isEmpty());
}

void TestMultiviewPage::modeComboFollowsModeCount_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("0") << 0 << QStringList{};
    QTest::newRow("1") << 1 << QStringList{"1"};
    QTest::newRow("4") << 4 << QStringList{"1", "2", "3", "4"};
    QTest::newRow("6") << 6 << QStringList{"1", "2", "3", "4", "5", "6"};
    QTest::newRow("7") << 7 << QStringList{};
}

void TestMultiviewPage::modeComboFollowsModeCount()
{
    QFETCH(int, count);
    QFETCH(QStringList, items);
    auto itemsOf = [](const QComboBox *combo) {
        QStringList texts;
        for (int i = 0; i < combo->count(); ++i)
            texts << combo->itemText(i);
        return texts;
    };
    page->SyncModeCount(count);
    QCOMPARE(itemsOf(page->modeCombo), items);

    // A language reload keeps the device's count.
    page->SyncModeCount(6);
    State().ModeCount = quint32(count);
    page->ReloadUIText(false, false);
    QCOMPARE(itemsOf(page->modeCombo), items);
    QVERIFY(takeQueuedRequests(TcpChannel()).isEmpty());
}

void TestMultiviewPage::languageReloadRetextsHidesAndRereads()
{
    setMultiviewState(ModePbp, 0, 0, 2, 3);
    page->UpdatePicture();
    QVERIFY(page->rectangleLabel->isVisibleTo(page));
    takeQueuedRequests(TcpChannel());

    State().text.Slabel_Multiview = QStringLiteral("Mehrfachansicht:");
    State().text.S_InputSource_Name[3] = QStringLiteral("Kamera");
    State().text.SpushButton_PBP = QStringLiteral("Nebeneinander");
    page->ReloadUIText(false, true);
    QCOMPARE(page->multiviewLabel->text(), QStringLiteral("Mehrfachansicht:"));
    QCOMPARE(page->sources->sourceLabels.at(3)->text(), QStringLiteral("Kamera"));
    QCOMPARE(page->modeButtons.at(2)->text(), QStringLiteral("Nebeneinander"));
    QCOMPARE(page->modeCombo->count(), 3);
    QCOMPARE(page->rectangleLabel->text(), QStringLiteral(u"Window1 Capture:\u2193"));
    for (QWidget *widget : page->rectangleGroup)
        QVERIFY(!widget->isVisibleTo(page));
    QCOMPARE(takeQueuedRequests(TcpChannel()), QByteArrayList{"GET MULTIVIEW-SYNC\r"});

    page->ReloadUIText(false, false);
    QVERIFY(takeQueuedRequests(TcpChannel()).isEmpty());
    QCOMPARE(page->sources->sourceButtons.size(), 36);
}

QTEST_MAIN(TestMultiviewPage)
#include "tst_multiviewpage.moc"
