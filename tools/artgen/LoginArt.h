#pragma once

#include <QImage>

class ArtWriter;

// The picture at the top of the login dialog: the product name beside a stylised multiviewer screen.
namespace LoginArt {

// Drawn at twice the 320 x 180 display size so it stays sharp on high-density screens.
constexpr int Width = 640;
constexpr int Height = 360;

QImage drawLoginPicture();
void writeAll(ArtWriter &writer);

} // namespace LoginArt
