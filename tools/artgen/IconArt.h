#pragma once

#include <QImage>

class ArtWriter;

// Small pictures: the product logo, the message box icon, the link status badges and the title-bar
// glyphs.
namespace IconArt {

// The Lumaplex badge (a rounded tile showing a big window beside three small ones) on a transparent
// square of `size` pixels, `margin` (a fraction of the size) left free on each side: room around it so it
// sits well in a 48-pixel title bar by default, little for the application icon.
QImage drawLogo(int size, double margin = 0.16);
QImage drawMessageIcon(int size);
QImage drawStatus(int size, bool ok);

enum class Glyph
{
    Minimise,
    Maximise,
    Restore,
    Close
};
QImage drawTitleGlyph(int size, Glyph glyph);

// The pictures of the data tree, each at both scales.
void writeAll(ArtWriter &writer);
// The application icon in the sizes of the desktop's icon theme, as hicolor/NxN/apps/lumaplex.png.
void writeThemeIcons(ArtWriter &writer);

} // namespace IconArt
