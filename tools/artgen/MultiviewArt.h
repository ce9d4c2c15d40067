#pragma once

#include <QImage>
#include <QRectF>
#include <QVector>

class ArtWriter;

// The preview pictures of the Multiview page: one per arrangement the page can name, drawn from the layout
// catalogue so the picture always matches what the device does.
namespace MultiviewArt {

// Picture size; the page shows it scaled into a 200 x 112 label.
constexpr int Width = 400;
constexpr int Height = 224;

// Draws an output with the given windows (unit rectangles, window 1 first). With `floating` the last
// window lies on top of the others (PIP) and is drawn with an outline and a shadow.
QImage drawLayout(const QVector<QRectF> &windows, bool floating);

// Writes SINGLE, the 20 PIP pictures and every PBP, 3xWIN and 4xWIN layout in both aspects.
void writeAll(ArtWriter &writer);

} // namespace MultiviewArt
