#pragma once

#include <QRectF>
#include <QVector>
#include <QtGlobal>

// The window arrangements the device offers per multiview mode. The simulator reports the mode counts as
// "MAXMODE" and the preview pictures are drawn from the same rectangles, so both always agree.
namespace LayoutCatalogue {

// Number of windows a multiview mode shows: SINGLE 1, PIP and PBP 2, 3xWIN 3, 4xWIN 4 (4 for any other).
int windowCount(quint32 multiviewMode);

// Number of layout modes of a multiview mode (SINGLE and PIP have none: 0).
quint32 modeCount(quint32 multiviewMode);

// Window rectangles (in a 1 x 1 output, window 1 first) of a multiview mode.
//  SINGLE: one full window. PIP: `position` 0..4 and `size` 0..3 of the small window (the PIP indexes).
//  PBP, 3xWIN, 4xWIN: `layoutIndex` 0..modeCount-1 and `aspect` 0 FULL, 1 16:9.
QVector<QRectF> singleWindows();
QVector<QRectF> pipWindows(quint32 position, quint32 size);
QVector<QRectF> splitWindows(quint32 multiviewMode, quint32 layoutIndex, quint32 aspect);

} // namespace LayoutCatalogue
