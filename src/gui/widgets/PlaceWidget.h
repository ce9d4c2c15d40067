#pragma once

class QWidget;

// Resizes `widget` to width x height and places it next to `reference` by a two-nibble relation code: the
// high nibble is horizontal (1 left of, 2 aligned, 4 right of), the low nibble vertical (1 above,
// 2 aligned, 4 below), dx/dy are the gaps. 0x88 places at (dx, dy); any other code only resizes.
void PlaceWidget(QWidget *widget, const QWidget *reference, int relation, int dx, int dy, int width, int height);

// The page layouts' shorthands: 4 pixels right of / below the reference, tops or left edges aligned.
void PlaceRightOf(QWidget *widget, const QWidget *reference, int width, int height, int gap = 4);
void PlaceBelow(QWidget *widget, const QWidget *reference, int width, int height, int gap = 4);
