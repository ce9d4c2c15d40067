#pragma once

#include <QImage>

class ArtWriter;

// Small pictures: the product logo, the message box icon, the link status badges and the title-bar
// glyphs.
namespace IconArt {

// The Lumaplex badge (a rounded tile showing a big window beside three small ones) on a transparent
// square of `size` pixels, with room around it so it sits well in a 48-pixel title bar.
QImage drawLogo(int size);
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

void writeAll(ArtWriter &writer);

} // namespace IconArt
