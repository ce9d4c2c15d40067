#include "protocol/LayoutCatalogue.h"

#include "protocol/ValueTables.h"

#include <iterator>

namespace {

// One cell of a split layout in a 1 x 1 output.
struct Cell
{
    double x;
    double y;
    double w;
    double h;
};

constexpr double Third = 1.0 / 3.0;
constexpr double TwoThirds = 2.0 / 3.0;

// PBP: 1 side by side halves, 2 big left with a narrow right, 3 presenter (large slide window 1 with a
// small camera window 2 at its top right).
const Cell pbp1[] = {{0, 0, 0.5, 1}, {0.5, 0, 0.5, 1}};
const Cell pbp2[] = {{0, 0, TwoThirds, 1}, {TwoThirds, 0, Third, 1}};
const Cell pbp3[] = {{0, 0, 0.7, 1}, {0.7, 0, 0.3, 0.4}};

// 3xWIN: 1 three columns, 2 big left with two stacked right, 3 big top with two below, 4 two on top with a
// wide one below.
const Cell win3_1[] = {{0, 0, Third, 1}, {Third, 0, Third, 1}, {TwoThirds, 0, Third, 1}};
const Cell win3_2[] = {{0, 0, TwoThirds, 1}, {TwoThirds, 0, Third, 0.5}, {TwoThirds, 0.5, Third, 0.5}};
const Cell win3_3[] = {{0, 0, 1, 0.5}, {0, 0.5, 0.5, 0.5}, {0.5, 0.5, 0.5, 0.5}};
const Cell win3_4[] = {{0, 0, 0.5, 0.5}, {0.5, 0, 0.5, 0.5}, {0, 0.5, 1, 0.5}};

// 4xWIN: 1 quad grid, 2 big left with three stacked right, 3 big top with three below, 4 four columns,
// 5 big right with three stacked left, 6 three on top with a big one below.
const Cell win4_1[] = {{0, 0, 0.5, 0.5}, {0.5, 0, 0.5, 0.5}, {0, 0.5, 0.5, 0.5}, {0.5, 0.5, 0.5, 0.5}};
const Cell win4_2[] = {{0, 0, TwoThirds, 1},
                       {TwoThirds, 0, Third, Third},
                       {TwoThirds, Third, Third, Third},
                       {TwoThirds, TwoThirds, Third, Third}};
const Cell win4_3[] = {{0, 0, 1, TwoThirds},
                       {0, TwoThirds, Third, Third},
                       {Third, TwoThirds, Third, Third},
                       {TwoThirds, TwoThirds, Third, Third}};
const Cell win4_4[] = {{0, 0, 0.25, 1}, {0.25, 0, 0.25, 1}, {0.5, 0, 0.25, 1}, {0.75, 0, 0.25, 1}};
const Cell win4_5[] = {
    {Third, 0, TwoThirds, 1}, {0, 0, Third, Third}, {0, Third, Third, Third}, {0, TwoThirds, Third, Third}};
const Cell win4_6[] = {
    {0, Third, 1, TwoThirds}, {0, 0, Third, Third}, {Third, 0, Third, Third}, {TwoThirds, 0, Third, Third}};

struct Layout
{
    const Cell *cells;
    int count;
};

template <int N> constexpr Layout layout(const Cell (&cells)[N])
{
    return Layout{cells, N};
}

const Layout pbpLayouts[] = {layout(pbp1), layout(pbp2), layout(pbp3)};
const Layout win3Layouts[] = {layout(win3_1), layout(win3_2), layout(win3_3), layout(win3_4)};
const Layout win4Layouts[] = {layout(win4_1), layout(win4_2), layout(win4_3),
                              layout(win4_4), layout(win4_5), layout(win4_6)};

const Layout *layoutsOf(quint32 multiviewMode, quint32 *count)
{
    switch (multiviewMode) {
    case ModePbp:
        *count = quint32(std::size(pbpLayouts));
        return pbpLayouts;
    case Mode3xWin:
        *count = quint32(std::size(win3Layouts));
        return win3Layouts;
    case Mode4xWin:
        *count = quint32(std::size(win4Layouts));
        return win4Layouts;
    default:
        *count = 0;
        return nullptr;
    }
}

// The largest rectangle inside `cell` that shows 16:9 on a 16:9 output, centred in the cell. In output
// units (both axes 0..1 of a 16:9 picture) that is a square.
QRectF letterboxed(const QRectF &cell)
{
    const double side = qMin(cell.width(), cell.height());
    return QRectF(cell.x() + (cell.width() - side) / 2, cell.y() + (cell.height() - side) / 2, side, side);
}

// PIP window 2: the edge of the picture is a fraction of the output in both axes (so it keeps the
// output's aspect), placed with a small margin in a corner, or where an operator might drag it.
constexpr double pipSizeFractions[] = {0.25, Third, 0.5, 0.4};
constexpr double PipMargin = 0.03;
constexpr double UserCentreX = 0.6;
constexpr double UserCentreY = 0.42;

} // namespace

namespace LayoutCatalogue {

int windowCount(quint32 multiviewMode)
{
    switch (multiviewMode) {
    case ModeSingle:
        return 1;
    case ModePip:
    case ModePbp:
        return 2;
    case Mode3xWin:
        return 3;
    default:
        return 4;
    }
}

quint32 modeCount(quint32 multiviewMode)
{
    quint32 count = 0;
    layoutsOf(multiviewMode, &count);
    return count;
}

QVector<QRectF> singleWindows()
{
    return {QRectF(0, 0, 1, 1)};
}

QVector<QRectF> pipWindows(quint32 position, quint32 size)
{
    if (position >= 5 || size >= std::size(pipSizeFractions))
        return {};
    const double s = pipSizeFractions[size];
    const double nearEdge = PipMargin;
    const double farEdge = 1.0 - PipMargin - s;
    double x = 0;
    double y = 0;
    switch (position) {
    case 0:
        x = nearEdge;
        y = nearEdge;
        break;
    case 1:
        x = farEdge;
        y = nearEdge;
        break;
    case 2:
        x = nearEdge;
        y = farEdge;
        break;
    case 3:
        x = farEdge;
        y = farEdge;
        break;
    default:
        x = qBound(0.0, UserCentreX - s / 2, 1.0 - s);
        y = qBound(0.0, UserCentreY - s / 2, 1.0 - s);
        break;
    }
    return {QRectF(0, 0, 1, 1), QRectF(x, y, s, s)};
}

QVector<QRectF> splitWindows(quint32 multiviewMode, quint32 layoutIndex, quint32 aspect)
{
    quint32 count = 0;
    const Layout *layouts = layoutsOf(multiviewMode, &count);
    if (!layouts || layoutIndex >= count || aspect > 1)
        return {};
    const Layout &chosen = layouts[layoutIndex];
    QVector<QRectF> windows;
    windows.reserve(chosen.count);
    for (int i = 0; i < chosen.count; ++i) {
        const Cell &c = chosen.cells[i];
        const QRectF cell(c.x, c.y, c.w, c.h);
        windows.append(aspect == 0 ? cell : letterboxed(cell));
    }
    return windows;
}

} // namespace LayoutCatalogue
