#pragma once

#include <QImage>
#include <QRectF>
#include <QVector>

class ArtWriter;

// The preview pictures of the Multiview page: one per arrangement the page can name, drawn from the layout
// catalogue so the picture always matches what the device does.
namespace MultiviewArt {

// Display size (the page's 200 x 112 label); the pictures are designed on a grid twice as fine and drawn at
// `scale` (1 or 2) times this.
constexpr int Width = 200;
constexpr int Height = 112;

// Draws an output with the given windows (unit rectangles, window 1 first). With `floating` the last
// window lies on top of the others (PIP) and is drawn with an outline and a shadow.
QImage drawLayout(const QVector<QRectF> &windows, bool floating, int scale);

// Writes SINGLE, the 20 PIP pictures and every PBP, 3xWIN and 4xWIN layout in both aspects, each at both
// scales.
void writeAll(ArtWriter &writer);

} // namespace MultiviewArt
