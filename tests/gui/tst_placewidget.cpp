// PlaceWidget: every relation code puts the widget at its place next to the reference widget and gives it
// the requested size; 0x88 places it absolutely and any other code only resizes it.

#include "widgets/PlaceWidget.h"

#include <QWidget>
#include <QtTest>

class TestPlaceWidget : public QObject
{
    Q_OBJECT
private slots:
    void relation_data();
    void relation();
    void absolutePlacementIgnoresTheReference();
    void missingReferenceOnlyResizes();
};

namespace {
// Reference at (100, 200), 50 x 30; gaps dx 4, dy 6; placed widget 20 x 10, starting at (7, 9).
const QRect Reference(100, 200, 50, 30);
constexpr int Dx = 4;
constexpr int Dy = 6;
constexpr int Width = 20;
constexpr int Height = 10;
const QPoint Start(7, 9);
} // namespace

void TestPlaceWidget::relation_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QPoint>("position");

    const int left = 100 - Dx - Width;   // 76
    const int right = 100 + 50 + Dx;     // 154
    const int above = 200 - Dy - Height; // 184
    const int below = 200 + 30 + Dy;     // 236
    QTest::newRow("0x11 above, to the left") << 0x11 << QPoint(left, above);
    QTest::newRow("0x12 left, tops aligned") << 0x12 << QPoint(left, 200);
    QTest::newRow("0x14 below, to the left") << 0x14 << QPoint(left, below);
    QTest::newRow("0x21 above, left edges aligned") << 0x21 << QPoint(100, above);
    QTest::newRow("0x22 same position") << 0x22 << QPoint(100, 200);
    QTest::newRow("0x24 below, left edges aligned") << 0x24 << QPoint(100, below);
    QTest::newRow("0x41 above, to the right") << 0x41 << QPoint(right, above);
    QTest::newRow("0x42 right, tops aligned") << 0x42 << QPoint(right, 200);
    QTest::newRow("0x44 below, to the right") << 0x44 << QPoint(right, below);
    QTest::newRow("0x88 absolute") << 0x88 << QPoint(Dx, Dy);
    // Any other code keeps the position.
    QTest::newRow("0x00") << 0x00 << Start;
    QTest::newRow("0x13 vertical nibble 3") << 0x13 << Start;
    QTest::newRow("0x18 vertical nibble 8") << 0x18 << Start;
    QTest::newRow("0x31 horizontal nibble 3") << 0x31 << Start;
    QTest::newRow("0x81 horizontal nibble 8") << 0x81 << Start;
    QTest::newRow("0x48") << 0x48 << Start;
    QTest::newRow("0x84") << 0x84 << Start;
    QTest::newRow("0x99") << 0x99 << Start;
    QTest::newRow("0x142 above one byte") << 0x142 << Start;
    QTest::newRow("-1") << -1 << Start;
}

void TestPlaceWidget::relation()
{
    QFETCH(int, code);
    QFETCH(QPoint, position);

    QWidget container;
    container.resize(400, 400);
    QWidget reference(&container);
    reference.setGeometry(Reference);
    QWidget widget(&container);
    widget.setGeometry(QRect(Start, QSize(1, 1)));

    PlaceWidget(&widget, &reference, code, Dx, Dy, Width, Height);

    QCOMPARE(widget.geometry(), QRect(position, QSize(Width, Height)));
    QCOMPARE(reference.geometry(), Reference);
}

void TestPlaceWidget::absolutePlacementIgnoresTheReference()
{
    QWidget container;
    QWidget widget(&container);
    PlaceWidget(&widget, nullptr, 0x88, 33, 44, 55, 66);
    QCOMPARE(widget.geometry(), QRect(33, 44, 55, 66));
}

void TestPlaceWidget::missingReferenceOnlyResizes()
{
    QWidget container;
    QWidget widget(&container);
    widget.setGeometry(QRect(Start, QSize(1, 1)));
    PlaceWidget(&widget, nullptr, 0x42, Dx, Dy, Width, Height);
    QCOMPARE(widget.geometry(), QRect(Start, QSize(Width, Height)));
}

QTEST_MAIN(TestPlaceWidget)
#include "tst_placewidget.moc"
