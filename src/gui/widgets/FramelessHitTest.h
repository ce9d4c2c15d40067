#pragma once

#include <QPoint>
#include <QSize>
#include <Qt>

// The resize bands of the frameless windows: 5 pixels along every side (left 1..5, right w-5..w-1,
// top 1..5, bottom h-5..h-1, window-local; pixel 0 of the left and top edges is not in a band).
namespace FramelessHitTest {

// Codes of the native hit test (the values Windows uses).
enum Code
{
    Caption = 2,
    Left = 10,
    Right = 11,
    Top = 12,
    TopLeft = 13,
    TopRight = 14,
    Bottom = 15,
    BottomLeft = 16,
    BottomRight = 17
};

// Hit-test code of a window-local point; Caption for a point outside the bands or outside the window.
int hitTestCode(const QPoint &pos, const QSize &size);

// The same as the edges a system resize starts from; no edges outside the bands.
Qt::Edges hitTestEdges(const QPoint &pos, const QSize &size);

// Mouse cursor that announces a resize from these edges (the arrow for none).
Qt::CursorShape cursorForEdges(Qt::Edges edges);

} // namespace FramelessHitTest
