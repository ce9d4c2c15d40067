#pragma once

#include <QColor>

// The colours shared by every picture, the application style sheet and the title bar, so the artwork and
// the widgets read as one product.
namespace ArtPalette {

inline QColor accent()
{
    return QColor(0x2F, 0x6F, 0xD6);
}
inline QColor accentLight()
{
    return QColor(0x4C, 0x8E, 0xEE);
}
inline QColor accentDark()
{
    return QColor(0x22, 0x52, 0xA8);
}
inline QColor titleBar()
{
    return QColor(0x1F, 0x26, 0x33);
}
inline QColor titleGlyph()
{
    return QColor(0xE6, 0xEB, 0xF2);
}
inline QColor screen()
{
    return QColor(0x1C, 0x23, 0x2E);
}
inline QColor screenEdge()
{
    return QColor(0x3A, 0x46, 0x57);
}
inline QColor success()
{
    return QColor(0x2E, 0xA6, 0x6B);
}
inline QColor failure()
{
    return QColor(0xD9, 0x46, 0x3E);
}

// Window 1..4 of a multiview layout: calm, clearly different hues of similar weight.
inline QColor window(int index)
{
    switch (index) {
    case 0:
        return QColor(0x3B, 0x78, 0xC3); // blue
    case 1:
        return QColor(0x2E, 0x9C, 0x86); // teal
    case 2:
        return QColor(0xD0, 0x93, 0x2C); // amber
    default:
        return QColor(0x8E, 0x6B, 0xB8); // violet
    }
}

} // namespace ArtPalette
