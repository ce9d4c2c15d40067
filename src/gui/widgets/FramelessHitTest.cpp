#include "widgets/FramelessHitTest.h"

namespace {
constexpr int Band = 5;
}

namespace FramelessHitTest {

int hitTestCode(const QPoint &pos, const QSize &size)
{
    const int x = pos.x();
    const int y = pos.y();
    const int w = size.width();
    const int h = size.height();
    if (x < 0 || y < 0 || x >= w || y >= h)
        return Caption;
    const bool left = x >= 1 && x <= Band;
    const bool right = x >= w - Band && x <= w - 1;
    const bool top = y >= 1 && y <= Band;
    const bool bottom = y >= h - Band && y <= h - 1;

    // Later rules override earlier ones, so a corner wins over its two sides.
    int code = Caption;
    if (left)
        code = Left;
    if (right)
        code = Right;
    if (top)
        code = Top;
    if (bottom)
        code = Bottom;
    if (left && top)
        code = TopLeft;
    if (right && top)
        code = TopRight;
    if (left && bottom)
        code = BottomLeft;
    if (right && bottom)
        code = BottomRight;
    return code;
}

Qt::Edges hitTestEdges(const QPoint &pos, const QSize &size)
{
    switch (hitTestCode(pos, size)) {
    case Left:
        return Qt::LeftEdge;
    case Right:
        return Qt::RightEdge;
    case Top:
        return Qt::TopEdge;
    case Bottom:
        return Qt::BottomEdge;
    case TopLeft:
        return Qt::TopEdge | Qt::LeftEdge;
    case TopRight:
        return Qt::TopEdge | Qt::RightEdge;
    case BottomLeft:
        return Qt::BottomEdge | Qt::LeftEdge;
    case BottomRight:
        return Qt::BottomEdge | Qt::RightEdge;
    default:
        return {};
    }
}

Qt::CursorShape cursorForEdges(Qt::Edges edges)
{
    const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
    const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
    if (horizontal && vertical) {
        // Top-left and bottom-right share the "\" diagonal, the other two corners the "/" one.
        const bool backslash = bool(edges & Qt::TopEdge) == bool(edges & Qt::LeftEdge);
        return backslash ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
    }
    if (horizontal)
        return Qt::SizeHorCursor;
    if (vertical)
        return Qt::SizeVerCursor;
    return Qt::ArrowCursor;
}

} // namespace FramelessHitTest
