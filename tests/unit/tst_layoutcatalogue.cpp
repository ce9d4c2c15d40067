// The layout catalogue: window rectangles of every multiview mode, as the simulator reports them and the
// preview pictures draw them.

#include "protocol/LayoutCatalogue.h"
#include "protocol/ValueTables.h"

#include <QtTest>

namespace {

constexpr double Epsilon = 1e-9;

bool insideUnitSquare(const QRectF &r)
{
    return r.left() >= -Epsilon && r.top() >= -Epsilon && r.right() <= 1 + Epsilon &&
           r.bottom() <= 1 + Epsilon && r.width() > Epsilon && r.height() > Epsilon;
}

double overlapArea(const QRectF &a, const QRectF &b)
{
    const double w = qMin(a.right(), b.right()) - qMax(a.left(), b.left());
    const double h = qMin(a.bottom(), b.bottom()) - qMax(a.top(), b.top());
    return (w > 0 && h > 0) ? w * h : 0.0;
}

// Aspect ratio of the rectangle as seen on a 16:9 output (both unit axes stretched to 16 x 9).
double aspectOnWideOutput(const QRectF &r)
{
    return (r.width() * 16.0) / (r.height() * 9.0);
}

bool sameRects(const QVector<QRectF> &a, const QVector<QRectF> &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i) {
        if (qAbs(a[i].x() - b[i].x()) > Epsilon || qAbs(a[i].y() - b[i].y()) > Epsilon ||
            qAbs(a[i].width() - b[i].width()) > Epsilon || qAbs(a[i].height() - b[i].height()) > Epsilon)
            return false;
    }
    return true;
}

} // namespace

class TestLayoutCatalogue : public QObject
{
    Q_OBJECT

private slots:
    void modeCounts_data();
    void modeCounts();
    void singleIsOneFullWindow();
    void splitLayouts_data();
    void splitLayouts();
    void layoutsOfAModeDiffer_data();
    void layoutsOfAModeDiffer();
    void outOfRangeGivesNoWindows_data();
    void outOfRangeGivesNoWindows();
    void pipWindows_data();
    void pipWindows();
    void pipSizesGrow();
    void pipUserPlacementStaysOffTheCorners();
};

void TestLayoutCatalogue::modeCounts_data()
{
    QTest::addColumn<quint32>("mode");
    QTest::addColumn<quint32>("count");
    QTest::newRow("SINGLE") << quint32(ModeSingle) << 0u;
    QTest::newRow("PIP") << quint32(ModePip) << 0u;
    QTest::newRow("PBP") << quint32(ModePbp) << 3u;
    QTest::newRow("3xWIN") << quint32(Mode3xWin) << 4u;
    QTest::newRow("4xWIN") << quint32(Mode4xWin) << 6u;
    QTest::newRow("unknown mode 5") << 5u << 0u;
}

void TestLayoutCatalogue::modeCounts()
{
    QFETCH(quint32, mode);
    QFETCH(quint32, count);
    QCOMPARE(LayoutCatalogue::modeCount(mode), count);
}

void TestLayoutCatalogue::singleIsOneFullWindow()
{
    const QVector<QRectF> windows = LayoutCatalogue::singleWindows();
    QCOMPARE(windows.size(), 1);
    QCOMPARE(windows.first(), QRectF(0, 0, 1, 1));
}

void TestLayoutCatalogue::splitLayouts_data()
{
    QTest::addColumn<quint32>("mode");
    QTest::addColumn<quint32>("layout");
    QTest::addColumn<int>("windowCount");
    const struct
    {
        quint32 mode;
        const char *name;
        int windows;
    } modes[] = {{ModePbp, "PBP", 2}, {Mode3xWin, "3xWIN", 3}, {Mode4xWin, "4xWIN", 4}};
    for (const auto &m : modes) {
        for (quint32 layout = 0; layout < LayoutCatalogue::modeCount(m.mode); ++layout) {
            QTest::addRow("%s_%u", m.name, layout + 1) << m.mode << layout << m.windows;
        }
    }
}

void TestLayoutCatalogue::splitLayouts()
{
    QFETCH(quint32, mode);
    QFETCH(quint32, layout);
    QFETCH(int, windowCount);

    const QVector<QRectF> full = LayoutCatalogue::splitWindows(mode, layout, 0);
    const QVector<QRectF> wide = LayoutCatalogue::splitWindows(mode, layout, 1);
    QCOMPARE(full.size(), windowCount);
    QCOMPARE(wide.size(), windowCount);

    for (int i = 0; i < windowCount; ++i) {
        QVERIFY2(insideUnitSquare(full[i]), qPrintable(QStringLiteral("FULL window %1").arg(i + 1)));
        QVERIFY2(insideUnitSquare(wide[i]), qPrintable(QStringLiteral("16:9 window %1").arg(i + 1)));
        for (int j = i + 1; j < windowCount; ++j) {
            QVERIFY2(overlapArea(full[i], full[j]) < Epsilon,
                     qPrintable(QStringLiteral("FULL windows %1 and %2 overlap").arg(i + 1).arg(j + 1)));
            QVERIFY2(overlapArea(wide[i], wide[j]) < Epsilon,
                     qPrintable(QStringLiteral("16:9 windows %1 and %2 overlap").arg(i + 1).arg(j + 1)));
        }
        // A 16:9 window shows 16:9 on a 16:9 output, sits inside its FULL cell, centred, and touches the
        // cell on at least one pair of opposite sides (it is as large as it can be).
        QVERIFY(qAbs(aspectOnWideOutput(wide[i]) - 16.0 / 9.0) < 1e-6);
        QVERIFY(full[i].adjusted(-Epsilon, -Epsilon, Epsilon, Epsilon).contains(wide[i]));
        QVERIFY((full[i].center() - wide[i].center()).manhattanLength() < 1e-6);
        QVERIFY(qAbs(full[i].width() - wide[i].width()) < Epsilon ||
                qAbs(full[i].height() - wide[i].height()) < Epsilon);
    }
}

void TestLayoutCatalogue::layoutsOfAModeDiffer_data()
{
    QTest::addColumn<quint32>("mode");
    QTest::newRow("PBP") << quint32(ModePbp);
    QTest::newRow("3xWIN") << quint32(Mode3xWin);
    QTest::newRow("4xWIN") << quint32(Mode4xWin);
}

void TestLayoutCatalogue::layoutsOfAModeDiffer()
{
    QFETCH(quint32, mode);
    const quint32 count = LayoutCatalogue::modeCount(mode);
    for (quint32 aspect = 0; aspect < 2; ++aspect) {
        for (quint32 a = 0; a < count; ++a) {
            for (quint32 b = a + 1; b < count; ++b) {
                QVERIFY2(
                    !sameRects(LayoutCatalogue::splitWindows(mode, a, aspect),
                               LayoutCatalogue::splitWindows(mode, b, aspect)),
                    qPrintable(
                        QStringLiteral("layouts %1 and %2, aspect %3").arg(a + 1).arg(b + 1).arg(aspect)));
            }
        }
    }
}

void TestLayoutCatalogue::outOfRangeGivesNoWindows_data()
{
    QTest::addColumn<quint32>("mode");
    QTest::addColumn<quint32>("layout");
    QTest::addColumn<quint32>("aspect");
    QTest::newRow("PBP layout 4") << quint32(ModePbp) << 3u << 0u;
    QTest::newRow("3xWIN layout 5") << quint32(Mode3xWin) << 4u << 1u;
    QTest::newRow("4xWIN layout 7") << quint32(Mode4xWin) << 6u << 0u;
    QTest::newRow("aspect 2") << quint32(Mode4xWin) << 0u << 2u;
    QTest::newRow("SINGLE is not split") << quint32(ModeSingle) << 0u << 0u;
    QTest::newRow("PIP is not split") << quint32(ModePip) << 0u << 0u;
    QTest::newRow("unknown mode") << 7u << 0u << 0u;
}

void TestLayoutCatalogue::outOfRangeGivesNoWindows()
{
    QFETCH(quint32, mode);
    QFETCH(quint32, layout);
    QFETCH(quint32, aspect);
    QVERIFY(LayoutCatalogue::splitWindows(mode, layout, aspect).isEmpty());
}

void TestLayoutCatalogue::pipWindows_data()
{
    QTest::addColumn<quint32>("position");
    QTest::addColumn<quint32>("size");
    QTest::addColumn<bool>("left");
    QTest::addColumn<bool>("top");
    const char *const positions[] = {"LeftTop", "RightTop", "LeftBottom", "RightBottom"};
    const char *const sizes[] = {"SMALL", "MIDDLE", "LARGE", "USER"};
    for (quint32 p = 0; p < 4; ++p) {
        for (quint32 s = 0; s < 4; ++s)
            QTest::addRow("%s_%s", positions[p], sizes[s]) << p << s << (p % 2 == 0) << (p < 2);
    }
}

void TestLayoutCatalogue::pipWindows()
{
    QFETCH(quint32, position);
    QFETCH(quint32, size);
    QFETCH(bool, left);
    QFETCH(bool, top);

    const QVector<QRectF> windows = LayoutCatalogue::pipWindows(position, size);
    QCOMPARE(windows.size(), 2);
    QCOMPARE(windows[0], QRectF(0, 0, 1, 1));
    const QRectF small = windows[1];
    QVERIFY(insideUnitSquare(small));
    QVERIFY(small.width() <= 0.5 + Epsilon);
    QVERIFY(qAbs(aspectOnWideOutput(small) - 16.0 / 9.0) < 1e-6);
    // The corner window hugs its corner: nearer to that corner's edges than to the opposite ones.
    const double gapLeft = small.left();
    const double gapRight = 1.0 - small.right();
    const double gapTop = small.top();
    const double gapBottom = 1.0 - small.bottom();
    QCOMPARE(gapLeft < gapRight, left);
    QCOMPARE(gapTop < gapBottom, top);
    QVERIFY(qMin(gapLeft, gapRight) < 0.1 && qMin(gapTop, gapBottom) < 0.1);
}

void TestLayoutCatalogue::pipSizesGrow()
{
    for (quint32 position = 0; position < 5; ++position) {
        const double smallSize = LayoutCatalogue::pipWindows(position, 0).at(1).width();
        const double middleSize = LayoutCatalogue::pipWindows(position, 1).at(1).width();
        const double largeSize = LayoutCatalogue::pipWindows(position, 2).at(1).width();
        QVERIFY(smallSize < middleSize);
        QVERIFY(middleSize < largeSize);
    }
    QVERIFY(LayoutCatalogue::pipWindows(5, 0).isEmpty());
    QVERIFY(LayoutCatalogue::pipWindows(0, 4).isEmpty());
}

void TestLayoutCatalogue::pipUserPlacementStaysOffTheCorners()
{
    for (quint32 size = 0; size < 4; ++size) {
        const QVector<QRectF> windows = LayoutCatalogue::pipWindows(4, size);
        QCOMPARE(windows.size(), 2);
        const QRectF user = windows[1];
        QVERIFY(insideUnitSquare(user));
        QVERIFY(qAbs(aspectOnWideOutput(user) - 16.0 / 9.0) < 1e-6);
        for (quint32 corner = 0; corner < 4; ++corner)
            QVERIFY(!sameRects({user}, {LayoutCatalogue::pipWindows(corner, size).at(1)}));
    }
}

QTEST_GUILESS_MAIN(TestLayoutCatalogue)
#include "tst_layoutcatalogue.moc"
