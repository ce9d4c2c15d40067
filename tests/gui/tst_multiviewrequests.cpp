// The requests the Multiview page's controls queue: source buttons, mode buttons, combos, the PIP
// position/size coupling and the user rectangle of the PIP window and of the PBP presenter layout.

#include "core/MultiviewTestState.h"
#include "core/QueuedRequests.h"
#include "core/TestAppDir.h"

#include "config/AppState.h"
#include "link/LinkChannel.h"
#include "pages/Ui_Multiview.h"
#include "protocol/ValueTables.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <functional>

using Scenario = std::function<void(Ui_Multiview *)>;
Q_DECLARE_METATYPE(Scenario)

class TestMultiviewRequests : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void sourceButtonSendsWindowInput_data();
    void sourceButtonSendsWindowInput();
    void controlsSendOneRequest_data();
    void controlsSendOneRequest();
    void pipPositionSizeCoupling_data();
    void pipPositionSizeCoupling();
    void userSizeReplyShowsRectangle();
    void rectangleGroupConditions_data();
    void rectangleGroupConditions();
    void rectangleWrite_data();
    void rectangleWrite();

private:
    TestAppDir *appDir = nullptr;
    Ui_Multiview *page = nullptr;
};

void TestMultiviewRequests::init()
{
    appDir = new TestAppDir;
    State().LinkType = LinkTcpClient;
    takeQueuedRequests(TcpChannel());
    page = new Ui_Multiview;
}

void TestMultiviewRequests::cleanup()
{
    delete page;
    takeQueuedRequests(TcpChannel());
    delete appDir;
}

void TestMultiviewRequests::sourceButtonSendsWindowInput_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("button");
    QTest::addColumn<QByteArrayList>("requests");
    QTest::newRow("RKA204QE window 1 USB-C") << 0 << 4 << QByteArrayList{"SET WINDOW1 IN USB-C\r"};
    QTest::newRow("RKA204QE window 2 HDMI1") << 0 << 9 << QByteArrayList{"SET WINDOW2 IN HDMI1\r"};
    QTest::newRow("RKA204QE beyond list") << 0 << 5 << QByteArrayList{};
    QTest::newRow("RKA07QE window 1 HDMI4") << 1 << 3 << QByteArrayList{"SET WINDOW1 IN HDMI4\r"};
    QTest::newRow("RKA07QE beyond list") << 1 << 4 << QByteArrayList{};
    QTest::newRow("RKA386QE window 4 USB-C") << 2 << 35 << QByteArrayList{"SET WINDOW4 IN USB-C\r"};
    QTest::newRow("RKA386QE window 3 HDMI7") << 2 << 24 << QByteArrayList{"SET WINDOW3 IN HDMI7\r"};
    QTest::newRow("TN386 window 2 DP") << 3 << 16 << QByteArrayList{"SET WINDOW2 IN DP\r"};
    QTest::newRow("TN204E window 2 DP") << 4 << 12 << QByteArrayList{"SET WINDOW2 IN DP\r"};
    QTest::newRow("TN204E beyond list") << 4 << 35 << QByteArrayList{};
}

void TestMultiviewRequests::sourceButtonSendsWindowInput()
{
    QFETCH(int, model);
    QFETCH(int, button);
    QFETCH(QByteArrayList, requests);
    identifyModel(quint8(model));
    page->SyncWindowMode(Mode4xWin, false);
    takeQueuedRequests(TcpChannel());
    QSignalSpy emitted(page, &Ui_Multiview::SGL_UpdateEmit);
    page->sources->sourceButtons.at(button)->click();
    QCOMPARE(takeQueuedRequests(TcpChannel()), requests);
    QCOMPARE(emitted.count(), 1);
    // The selection is only marked when the device confirms it.
    QVERIFY(!page->sources->sourceButtons.at(button)->isFlat());
}

void TestMultiviewRequests::controlsSendOneRequest_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("modeIndex");
    QTest::addColumn<int>("position");
    QTest::addColumn<Scenario>("action");
    QTest::addColumn<QByteArrayList>("requests");
    auto button = [](int index) {
        return Scenario([index](Ui_Multiview *p) { p->modeButtons.at(index)->click(); });
    };
    auto choose = [](QComboBox *Ui_Multiview::*combo, int index) {
        return Scenario([combo, index](Ui_Multiview *p) {
            (p->*combo)->setCurrentIndex(index);
            emit(p->*combo)->activated(index);
        });
    };
    auto press = [](std::function<QPushButton *(Ui_Multiview *)> of) {
        return Scenario([of](Ui_Multiview *p) { of(p)->click(); });
    };
    QTest::newRow("SINGLE button") << 2 << 0 << 0 << button(0) << QByteArrayList{"SET MULTIVIEW SINGLE\r"};
    QTest::newRow("PIP button") << 0 << 0 << 0 << button(1) << QByteArrayList{"SET MULTIVIEW PIP\r"};
    QTest::newRow("PBP button") << 0 << 0 << 0 << button(2) << QByteArrayList{"SET MULTIVIEW PBP\r"};
    QTest::newRow("3xWIN button") << 0 << 0 << 0 << button(3) << QByteArrayList{"SET MULTIVIEW 3xWIN\r"};
    QTest::newRow("4xWIN button") << 0 << 0 << 0 << button(4) << QByteArrayList{"SET MULTIVIEW 4xWIN\r"};
    QTest::newRow("PBP aspect") << 2 << 0 << 0 << choose(&Ui_Multiview::aspectCombo, 1)
                                << QByteArrayList{"SET PBP ASPECT 16:9\r"};
    QTest::newRow("3xWIN aspect") << 3 << 0 << 0 << choose(&Ui_Multiview::aspectCombo, 0)
                                  << QByteArrayList{"SET 3xWIN ASPECT FULL\r"};
    QTest::newRow("SINGLE aspect") << 0 << 0 << 0 << choose(&Ui_Multiview::aspectCombo, 1)
                                   << QByteArrayList{};
    QTest::newRow("PIP aspect") << 1 << 0 << 0 << choose(&Ui_Multiview::aspectCombo, 1) << QByteArrayList{};
    QTest::newRow("PBP mode 3") << 2 << 0 << 0 << choose(&Ui_Multiview::modeCombo, 2)
                                << QByteArrayList{"SET PBP MODE 3\r"};
    QTest::newRow("4xWIN mode 6") << 4 << 0 << 0 << choose(&Ui_Multiview::modeCombo, 5)
                                  << QByteArrayList{"SET 4xWIN MODE 6\r"};
    QTest::newRow("SINGLE mode") << 0 << 0 << 0 << choose(&Ui_Multiview::modeCombo, 1) << QByteArrayList{};
    QTest::newRow("PIP position") << 1 << 0 << 0 << choose(&Ui_Multiview::positionCombo, 2)
                                  << QByteArrayList{"SET PIP POS LeftBottom\r"};
    QTest::newRow("SINGLE position") << 0 << 0 << 0 << choose(&Ui_Multiview::positionCombo, 2)
                                     << QByteArrayList{};
    QTest::newRow("PIP size") << 1 << 0 << 0 << choose(&Ui_Multiview::sizeCombo, 0)
                              << QByteArrayList{"SET PIP SIZE SMALL\r"};
    QTest::newRow("PBP size") << 2 << 0 << 0 << choose(&Ui_Multiview::sizeCombo, 1) << QByteArrayList{};
    auto resolutionRead = press([](Ui_Multiview *p) { return p->sources->resolutionReadButton; });
    QTest::newRow("SINGLE input resolution")
        << 0 << 0 << 0 << resolutionRead << QByteArrayList{"GET IN RESOLUTION\r"};
    QTest::newRow("PIP input resolution") << 1 << 0 << 0 << resolutionRead << QByteArrayList{};
    auto rectangleRead = press([](Ui_Multiview *p) { return p->rectangleReadButton; });
    QTest::newRow("PIP USER rectangle read")
        << 1 << 0 << 4 << rectangleRead << QByteArrayList{"GET PIP USER\r"};
    QTest::newRow("PBP presenter rectangle read")
        << 2 << 2 << 0 << rectangleRead << QByteArrayList{"GET PBP-PRESENTER\r"};
    QTest::newRow("PIP fixed rectangle read") << 1 << 0 << 1 << rectangleRead << QByteArrayList{};
    QTest::newRow("read-all") << 3 << 0 << 0 << press([](Ui_Multiview *p) { return p->readAllButton; })
                              << QByteArrayList{"GET MULTIVIEW-SYNC\r"};
}

void TestMultiviewRequests::controlsSendOneRequest()
{
    QFETCH(int, mode);
    QFETCH(int, modeIndex);
    QFETCH(int, position);
    QFETCH(Scenario, action);
    QFETCH(QByteArrayList, requests);
    identifyModel(ModelTN386);
    setMultiviewState(quint32(mode), quint32(position), 0, quint32(modeIndex), 6);
    QSignalSpy emitted(page, &Ui_Multiview::SGL_UpdateEmit);
    action(page);
    QCOMPARE(takeQueuedRequests(TcpChannel()), requests);
    QCOMPARE(emitted.count(), 1);
    // Requests never change the page's mode: only the device's reply does.
    QCOMPARE(State().MultiviewMode, quint32(mode));
    for (QPushButton *button : page->modeButtons)
        QVERIFY(!button->isFlat());
}

void TestMultiviewRequests::pipPositionSizeCoupling_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("choosePosition");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<int>("positionAfter");
    QTest::addColumn<int>("sizeAfter");
    QTest::addColumn<QByteArrayList>("requests");
    QTest::newRow("position USER sets size USER")
        << 0 << 1 << true << 4 << 0 << 3 << QByteArrayList{"SET PIP POS USER\r"};
    QTest::newRow("leaving position USER sets size LARGE")
        << 4 << 3 << true << 1 << 4 << 2 << QByteArrayList{"SET PIP POS RightTop\r"};
    QTest::newRow("other position keeps size")
        << 0 << 1 << true << 2 << 0 << 1 << QByteArrayList{"SET PIP POS LeftBottom\r"};
    QTest::newRow("size USER sets position USER")
        << 0 << 1 << false << 3 << 4 << 1 << QByteArrayList{"SET PIP SIZE USER\r"};
    QTest::newRow("leaving size USER sets position RightBottom")
        << 4 << 3 << false << 0 << 3 << 3 << QByteArrayList{"SET PIP SIZE SMALL\r"};
    QTest::newRow("other size keeps position")
        << 2 << 2 << false << 1 << 2 << 2 << QByteArrayList{"SET PIP SIZE MIDDLE\r"};
}

// The coupled combo changes on the page and in the state at once; the chosen value only goes to the device
// (its reply updates the state), so positionAfter/sizeAfter are the state values after the choice.
void TestMultiviewRequests::pipPositionSizeCoupling()
{
    QFETCH(int, position);
    QFETCH(int, size);
    QFETCH(bool, choosePosition);
    QFETCH(int, chosen);
    QFETCH(int, positionAfter);
    QFETCH(int, sizeAfter);
    QFETCH(QByteArrayList, requests);
    identifyModel(ModelRKA204QE);
    setMultiviewState(ModePip, quint32(position), quint32(size));
    page->positionCombo->setCurrentIndex(position);
    page->sizeCombo->setCurrentIndex(size);
    QComboBox *combo = choosePosition ? page->positionCombo : page->sizeCombo;
    QSignalSpy emitted(page, &Ui_Multiview::SGL_UpdateEmit);
    combo->setCurrentIndex(chosen);
    emit combo->activated(chosen);
    QCOMPARE(takeQueuedRequests(TcpChannel()), requests);
    QCOMPARE(emitted.count(), 1);
    QCOMPARE(State().PipPosition, quint32(positionAfter));
    QCOMPARE(State().PipSize, quint32(sizeAfter));
    QCOMPARE(page->positionCombo->currentIndex(), choosePosition ? chosen : positionAfter);
    QCOMPARE(page->sizeCombo->currentIndex(), choosePosition ? sizeAfter : chosen);
}

void TestMultiviewRequests::userSizeReplyShowsRectangle()
{
    identifyModel(ModelRKA204QE);
    setMultiviewState(ModePip, 1, 1);
    page->SyncWindowMode(ModePip, false);
    page->SyncPosition(1);
    page->SyncSize(1);
    QVERIFY(takeQueuedRequests(TcpChannel()).isEmpty());
    QVERIFY(!page->rectangleLabel->isVisibleTo(page));

    page->sizeCombo->setCurrentIndex(3);
    emit page->sizeCombo->activated(3);
    QCOMPARE(takeQueuedRequests(TcpChannel()), QByteArrayList{"SET PIP SIZE USER\r"});
    QCOMPARE(page->positionCombo->currentIndex(), 4);
    QVERIFY(!page->rectangleLabel->isVisibleTo(page));

    // The device's "PIP SIZE USER" reply.
    State().PipSize = 3;
    page->SyncSize(3);
    for (QWidget *widget : page->rectangleGroup)
        QVERIFY(widget->isVisibleTo(page));
    QCOMPARE(page->rectangleLabel->text(), QStringLiteral(u"Window2 Display:\u2193"));
    QCOMPARE(takeQueuedRequests(TcpChannel()), QByteArrayList{"GET PIP USER\r"});
}

void TestMultiviewRequests::rectangleGroupConditions_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("modeIndex");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QByteArrayList>("requests");
    const QString display = QStringLiteral(u"Window2 Display:\u2193");
    const QString capture = QStringLiteral(u"Window1 Capture:\u2193");
    QTest::newRow("PIP position USER") << 1 << 4 << 2 << 0 << display << QByteArrayList{"GET PIP USER\r"};
    QTest::newRow("PIP size USER") << 1 << 3 << 3 << 0 << display << QByteArrayList{"GET PIP USER\r"};
    QTest::newRow("PIP fixed") << 1 << 3 << 2 << 2 << QString() << QByteArrayList{};
    QTest::newRow("PBP mode 3") << 2 << 0 << 0 << 2 << capture << QByteArrayList{"GET PBP-PRESENTER\r"};
    QTest::newRow("PBP mode 2") << 2 << 4 << 3 << 1 << QString() << QByteArrayList{};
    QTest::newRow("3xWIN mode 3") << 3 << 0 << 0 << 2 << QString() << QByteArrayList{};
    QTest::newRow("SINGLE with USER values") << 0 << 4 << 3 << 2 << QString() << QByteArrayList{};
}

void TestMultiviewRequests::rectangleGroupConditions()
{
    QFETCH(int, mode);
    QFETCH(int, position);
    QFETCH(int, size);
    QFETCH(int, modeIndex);
    QFETCH(QString, label);
    QFETCH(QByteArrayList, requests);
    setMultiviewState(quint32(mode), quint32(position), quint32(size), quint32(modeIndex), 6);
    // Start from the group shown, so that hiding is seen as well.
    for (QWidget *widget : page->rectangleGroup)
        widget->show();
    QSignalSpy emitted(page, &Ui_Multiview::SGL_UpdateEmit);
    page->UpdatePicture();
    const bool shown = !label.isNull();
    for (QWidget *widget : page->rectangleGroup)
        QCOMPARE(widget->isVisibleTo(page), shown);
    if (shown)
        QCOMPARE(page->rectangleLabel->text(), label);
    QCOMPARE(takeQueuedRequests(TcpChannel()), requests);
    QCOMPARE(emitted.count(), shown ? 1 : 0);
}

void TestMultiviewRequests::rectangleWrite_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QByteArrayList>("requests");
    QTest::newRow("PIP user window") << 1 << QStringList{"100", "50", "640", "360"}
                                     << QByteArrayList{"SET PIP USER 100 50 640 360\r"};
    QTest::newRow("zero is a number")
        << 1 << QStringList{"0", "0", "1920", "0"} << QByteArrayList{"SET PIP USER 0 0 1920 0\r"};
    QTest::newRow("PBP presenter") << 2 << QStringList{"1", "2", "3", "9999"}
                                   << QByteArrayList{"SET PBP-PRESENTER 1 2 3 9999\r"};
    QTest::newRow("empty H start") << 1 << QStringList{"", "50", "640", "360"} << QByteArrayList{};
    QTest::newRow("empty V size") << 2 << QStringList{"1", "2", "3", ""} << QByteArrayList{};
    QTest::newRow("not a number") << 1 << QStringList{"100", "5x", "640", "360"} << QByteArrayList{};
    QTest::newRow("all empty") << 1 << QStringList{"", "", "", ""} << QByteArrayList{};
    QTest::newRow("3xWIN has no user window") << 3 << QStringList{"1", "2", "3", "4"} << QByteArrayList{};
}

void TestMultiviewRequests::rectangleWrite()
{
    QFETCH(int, mode);
    QFETCH(QStringList, fields);
    QFETCH(QByteArrayList, requests);
    setMultiviewState(quint32(mode), 4, 3, 2, 3);
    const QList<QLineEdit *> edits = {page->hStartField, page->vStartField, page->hSizeField,
                                      page->vSizeField};
    for (int i = 0; i < 4; ++i) {
        edits.at(i)->setText(fields.at(i));
        QCOMPARE(edits.at(i)->text(), fields.at(i));
    }
    QSignalSpy emitted(page, &Ui_Multiview::SGL_UpdateEmit);
    page->rectangleWriteButton->click();
    QCOMPARE(takeQueuedRequests(TcpChannel()), requests);
    QCOMPARE(emitted.count(), 1);
}

QTEST_MAIN(TestMultiviewRequests)
#include "tst_multiviewrequests.moc"
