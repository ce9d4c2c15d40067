// The announcing combo box: the owner hears of an opening list before it is shown and can refill it.

#include "widgets/MyComboBox.h"

#include <QAbstractItemView>
#include <QSignalSpy>
#include <QtTest>

class TestMyComboBox : public QObject
{
    Q_OBJECT

private slots:
    void announcesBeforeTheListOpens();
    void entriesAddedByTheReceiverAppearInTheSameOpening();
    void everyOpeningIsAnnounced();
};

void TestMyComboBox::announcesBeforeTheListOpens()
{
    MyComboBox box;
    box.addItem(QStringLiteral("COM1"));
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));

    bool listVisibleAtSignal = true;
    connect(&box, &MyComboBox::SGL_Auto_UpdateComboBox, &box,
            [&] { listVisibleAtSignal = box.view()->isVisible(); });
    QSignalSpy spy(&box, &MyComboBox::SGL_Auto_UpdateComboBox);
    box.showPopup();
    QCOMPARE(spy.count(), 1);
    QVERIFY(!listVisibleAtSignal);
    QTRY_VERIFY(box.view()->isVisible());
    box.hidePopup();
}

void TestMyComboBox::entriesAddedByTheReceiverAppearInTheSameOpening()
{
    MyComboBox box;
    box.addItem(QStringLiteral("stale"));
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    connect(&box, &MyComboBox::SGL_Auto_UpdateComboBox, &box, [&] {
        box.clear();
        box.addItems(
            {QStringLiteral("/dev/ttyS0"), QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/ttyUSB1")});
    });

    // Opened the way an operator opens it: a click on the box.
    QTest::mouseClick(&box, Qt::LeftButton);
    QTRY_VERIFY(box.view()->isVisible());
    QCOMPARE(box.view()->model()->rowCount(), 3);
    QCOMPARE(box.view()->model()->index(1, 0).data().toString(), QStringLiteral("/dev/ttyUSB0"));
    box.hidePopup();
}

void TestMyComboBox::everyOpeningIsAnnounced()
{
    MyComboBox box;
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QSignalSpy spy(&box, &MyComboBox::SGL_Auto_UpdateComboBox);
    for (int i = 1; i <= 3; ++i) {
        box.showPopup();
        box.hidePopup();
        QCOMPARE(spy.count(), i);
    }
}

QTEST_MAIN(TestMyComboBox)
#include "tst_mycombobox.moc"
