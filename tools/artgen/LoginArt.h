#pragma once

#include <QImage>

class ArtWriter;

// The picture at the top of the login dialog: the product name beside a stylised multiviewer screen.
namespace LoginArt {

// Display size; the picture is designed on a grid twice as fine and drawn at `scale` (1 or 2) times this.
constexpr int Width = 320;
constexpr int Height = 180;

QImage drawLoginPicture(int scale);
void writeAll(ArtWriter &writer);

} // namespace LoginArt
