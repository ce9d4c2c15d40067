// Scenes, auto switch and input source names on the Multiview page: the confirmations, the exact scene
// requests, the layout names in both combos, the auto switch row and the renaming of source labels.

#include "core/MultiviewTestState.h"
#include "core/QueuedRequests.h"
#include "core/TestAppDir.h"

#include "config/AppState.h"
#include "link/LinkChannel.h"
#include "pages/Ui_Multiview.h"
#include "protocol/ValueTables.h"
#include "widgets/MessageBoxSeam.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class TestMultiviewLayouts : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void layoutFrameContents();
    void saveScene_data();
    void saveScene();
    void loadScene_data();
    void loadScene();
    void autoSwitchButtons_data();
    void autoSwitchButtons();
    void autoSwitchReplyMarksButton_data();
    void autoSwitchReplyMarksButton();
    void renameSource_data();
    void renameSource();
    void renameMovesToAnotherLabel();
    void renameFieldStaysOpenUntilEnter();

private:
    void openRename(int index);

    TestAppDir *appDir = nullptr;
    Ui_Multiview *page = nullptr;
};

void TestMultiviewLayouts::init()
{
    appDir = new TestAppDir;
    MessageBoxSeam::reset();
    State().LinkType = LinkTcpClient;
    identifyModel(ModelRKA386QE);
    takeQueuedRequests(TcpChannel());
    page = new Ui_Multiview;
}

void TestMultiviewLayouts::cleanup()
{
    delete page;
    takeQueuedRequests(TcpChannel());
    MessageBoxSeam::reset();
    delete appDir;
}

void TestMultiviewLayouts::openRename(int index)
{
    QTest::mouseDClick(page->sources->sourceLabels.at(index), Qt::LeftButton);
}

void TestMultiviewLayouts::layoutFrameContents()
{
    const MultiviewLayoutFrame &layouts = *page->layouts;
    QCOMPARE(layouts.saveCombo->count(), 20);
    QCOMPARE(layouts.loadCombo->count(), 20);
    for (int i = 0; i < 20; ++i) {
        QCOMPARE(layouts.saveCombo->itemText(i), QStringLiteral("Layout-%1").arg(i + 1));
        QCOMPARE(layouts.loadCombo->itemText(i), QStringLiteral("Layout-%1").arg(i + 1));
    }
    QCOMPARE(layouts.saveLabel->text(), QStringLiteral("Save:"));
    QCOMPARE(layouts.loadLabel->text(), QStringLiteral("Load:"));
    QCOMPARE(layouts.nameLabel->text(), QStringLiteral(u"<<Save name\u2193\u2193\u2193"));
    QCOMPARE(layouts.nameLabel->alignment(), Qt::AlignCenter);
    QVERIFY(layouts.nameField->text().isEmpty());

    // A language reload empties the name field and lists the names of the language table.
    layouts.nameField->setText(QStringLiteral("typed"));
    State().text.ScomboBox_Layout[5] = QStringLiteral("Lecture");
    page->ReloadUIText(false, false);
    QVERIFY(layouts.nameField->text().isEmpty());
    QCOMPARE(layouts.saveCombo->itemText(5), QStringLiteral("Lecture"));
    QCOMPARE(layouts.loadCombo->itemText(5), QStringLiteral("Lecture"));
}

void TestMultiviewLayouts::saveScene_data()
{
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArrayList>("requests");
    QTest::addColumn<QString>("nameAfter");
    QTest::addColumn<QString>("fieldAfter");
    QTest::newRow("yes with a name") << true << "Studio A" << 2 << QByteArrayList{"SET SAVE SCENE 3\r"}
                                     << "Studio A"
                                     << "";
    QTest::newRow("yes without a name")
        << true << "" << 19 << QByteArrayList{"SET SAVE SCENE 20\r"} << "Layout-20"
        << "";
    QTest::newRow("yes first slot") << true << "Morning" << 0 << QByteArrayList{"SET SAVE SCENE 1\r"}
                                    << "Morning"
                                    << "";
    QTest::newRow("no") << false << "Studio A" << 2 << QByteArrayList{} << "Layout-3"
                        << "Studio A";
}

void TestMultiviewLayouts::saveScene()
{
    QFETCH(bool, answer);
    QFETCH(QString, typed);
    QFETCH(int, index);
    QFETCH(QByteArrayList, requests);
    QFETCH(QString, nameAfter);
    QFETCH(QString, fieldAfter);
    MessageBoxSeam::pushAnswer(answer);
    QTest::keyClicks(page->layouts->nameField, typed);
    QSignalSpy emitted(page, &Ui_Multiview::SGL_UpdateEmit);
    QComboBox *save = page->layouts->saveCombo;
    save->setCurrentIndex(index);
    emit save->activated(index);

    QCOMPARE(MessageBoxSeam::texts(), QStringList{"Save Confirm?"});
    QCOMPARE(MessageBoxSeam::records().first().kind, MessageBoxSeam::Kind::Confirm);
    QCOMPARE(takeQueuedRequests(TcpChannel()), requests);
    QCOMPARE(emitted.count(), answer ? 1 : 0);
    QCOMPARE(save->itemText(index), nameAfter);
    QCOMPARE(page->layouts->loadCombo->itemText(index), nameAfter);
    QCOMPARE(State().text.ScomboBox_Layout[index], nameAfter);
    QCOMPARE(page->layouts->nameField->text(), fieldAfter);
    // The combo keeps showing the chosen slot whatever the answer.
    QCOMPARE(save->currentIndex(), index);
    // Only the chosen slot was renamed.
    const int other = index == 0 ? 1 : 0;
    QCOMPARE(page->layouts->loadCombo->itemText(other), QStringLiteral("Layout-%1").arg(other + 1));
}

void TestMultiviewLayouts::loadScene_data()
{
    QTest::addColumn<bool>("answer");
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArrayList>("requests");
    QTest::newRow("yes") << true << 4 << QByteArrayList{"SET LOAD SCENE 5\r"};
    QTest::newRow("yes last") << true << 19 << QByteArrayList{"SET LOAD SCENE 20\r"};
    QTest::newRow("yes on the item already shown") << true << 0 << QByteArrayList{"SET LOAD SCENE 1\r"};
    QTest::newRow("no") << false << 4 << QByteArrayList{};
}

void TestMultiviewLayouts::loadScene()
{
    QFETCH(bool, answer);
    QFETCH(int, index);
    QFETCH(QByteArrayList, requests);
    MessageBoxSeam::pushAnswer(answer);
    QSignalSpy emitted(page, &Ui_Multiview::SGL_UpdateEmit);
    QComboBox *load = page->layouts->loadCombo;
    load->setCurrentIndex(index);
    emit load->activated(index);
    QCOMPARE(MessageBoxSeam::texts(), QStringList{"Load Confirm?"});
    QCOMPARE(takeQueuedRequests(TcpChannel()), requests);
    QCOMPARE(emitted.count(), answer ? 1 : 0);
    QCOMPARE(MessageBoxSeam::pendingAnswers(), 0);
}

void TestMultiviewLayouts::autoSwitchButtons_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QByteArrayList>("requests");
    QTest::newRow("SINGLE on") << 0 << "AutoSwitch1" << QByteArrayList{"SET AUTO SWITCH ON\r"};
    QTest::newRow("SINGLE off") << 0 << "AutoSwitch0" << QByteArrayList{"SET AUTO SWITCH OFF\r"};
    QTest::newRow("PIP on") << 1 << "AutoSwitch1" << QByteArrayList{};
    QTest::newRow("4xWIN off") << 4 << "AutoSwitch0" << QByteArrayList{};
}

void TestMultiviewLayouts::autoSwitchButtons()
{
    QFETCH(int, mode);
    QFETCH(QString, button);
    QFETCH(QByteArrayList, requests);
    page->SyncWindowMode(mode, false);
    takeQueuedRequests(TcpChannel());
    auto *target = page->findChild<QPushButton *>(button);
    QVERIFY(target);
    QCOMPARE(target->isVisibleTo(page), mode == ModeSingle);
    QCOMPARE(page->sources->autoSwitchLabel->isVisibleTo(page), mode == ModeSingle);
    QCOMPARE(page->sources->autoSwitchOnButton->text(), QStringLiteral("On"));
    QCOMPARE(page->sources->autoSwitchOffButton->text(), QStringLiteral("Off"));
    QSignalSpy emitted(page, &Ui_Multiview::SGL_UpdateEmit);
    target->click();
    QCOMPARE(takeQueuedRequests(TcpChannel()), requests);
    QCOMPARE(emitted.count(), 1);
    // The state is shown only when the device reports it.
    QVERIFY(!target->isFlat());
}

void TestMultiviewLayouts::autoSwitchReplyMarksButton_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("onFlat");
    QTest::newRow("ON") << 0 << true;
    QTest::newRow("OFF") << 1 << false;
    QTest::newRow("other value") << 7 << false;
}

void TestMultiviewLayouts::autoSwitchReplyMarksButton()
{
    QFETCH(int, index);
    QFETCH(bool, onFlat);
    page->SyncWindowMode(ModeSingle, false);
    page->SyncAutoSwitch(onFlat ? 1 : 0);
    page->SyncAutoSwitch(index);
    QCOMPARE(page->sources->autoSwitchOnButton->isFlat(), onFlat);
    QCOMPARE(page->sources->autoSwitchOffButton->isFlat(), !onFlat);
    QVERIFY(takeQueuedRequests(TcpChannel()).isEmpty());
}

void TestMultiviewLayouts::renameSource_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("nameAfter");
    QTest::newRow("label 2") << 2 << "Camera"
                             << "Camera";
    QTest::newRow("label 0 with a space") << 0 << "Desk PC"
                                          << "Desk PC";
    QTest::newRow("last label") << 8 << "Laptop"
                                << "Laptop";
    QTest::newRow("empty keeps the name") << 4 << ""
                                          << "IN-5";
}

void TestMultiviewLayouts::renameSource()
{
    QFETCH(int, index);
    QFETCH(QString, typed);
    QFETCH(QString, nameAfter);
    QLabel *label = page->sources->sourceLabels.at(index);
    QLineEdit *field = page->sources->renameField;
    QSignalSpy renamed(page, &Ui_Multiview::SGL_SyncInputSourceName);

    // A single click does not start editing.
    QTest::mouseClick(label, Qt::LeftButton);
    QVERIFY(!field->isVisibleTo(page));

    openRename(index);
    QVERIFY(field->isVisibleTo(page));
    QCOMPARE(field->geometry(), QRect(label->x(), label->y() - 26, 160, 26));
    QCOMPARE(field->toolTip(), QStringLiteral("Press Enter to end the input and exit"));
    QVERIFY(field->text().isEmpty());
    QCOMPARE(page->sources->renameIndex, index);

    QTest::keyClicks(field, typed);
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(label->text(), nameAfter);
    QCOMPARE(State().text.S_InputSource_Name[index], nameAfter);
    QVERIFY(!field->isVisibleTo(page));
    QCOMPARE(page->sources->renameIndex, 0);
    QCOMPARE(renamed.count(), 1);
    // Names live only in the tool.
    QVERIFY(takeQueuedRequests(TcpChannel()).isEmpty());

    // A language reload shows the stored name.
    page->ReloadUIText(false, false);
    QCOMPARE(label->text(), nameAfter);
}

void TestMultiviewLayouts::renameMovesToAnotherLabel()
{
    QLineEdit *field = page->sources->renameField;
    openRename(1);
    QTest::keyClicks(field, QStringLiteral("abandoned"));
    openRename(6);
    const QLabel *six = page->sources->sourceLabels.at(6);
    QCOMPARE(field->pos(), QPoint(six->x(), six->y() - 26));
    QVERIFY(field->text().isEmpty());
    QTest::keyClicks(field, QStringLiteral("Six"));
    QTest::keyClick(field, Qt::Key_Enter);
    QCOMPARE(six->text(), QStringLiteral("Six"));
    QCOMPARE(page->sources->sourceLabels.at(1)->text(), QStringLiteral("IN-2"));
    QCOMPARE(State().text.S_InputSource_Name[1], QStringLiteral("IN-2"));
}

void TestMultiviewLayouts::renameFieldStaysOpenUntilEnter()
{
    QLabel *label = page->sources->sourceLabels.at(3);
    // The page watches the labels without taking their events.
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                            Qt::NoModifier);
    QVERIFY(!page->eventFilter(label, &doubleClick));
    QLineEdit *field = page->sources->renameField;
    QVERIFY(field->isVisibleTo(page));
    QCOMPARE(page->sources->renameIndex, 3);

    QTest::keyClicks(field, QStringLiteral("Half"));
    QTest::mouseClick(page->modeButtons.at(0), Qt::LeftButton);
    page->layouts->nameField->setFocus();
    QVERIFY(field->isVisibleTo(page));
    QCOMPARE(field->text(), QStringLiteral("Half"));
    QCOMPARE(label->text(), QStringLiteral("IN-4"));
}

QTEST_MAIN(TestMultiviewLayouts)
#include "tst_multiviewlayouts.moc"
