#include "widgets/PlaceWidget.h"

#include <QWidget>

void PlaceWidget(QWidget *widget, const QWidget *reference, int relation, int dx, int dy, int width, int height)
{
    if (!widget)
        return;
    widget->resize(width, height);
    if (relation == 0x88) {
        widget->move(dx, dy);
        return;
    }
    if (!reference)
        return;
    const int x = reference->x();
    const int y = reference->y();
    const int w = reference->width();
    const int h = reference->height();
    int newX = 0;
    int newY = 0;
    switch (relation >> 4) {
    case 0x1:
        newX = x - dx - width;
        break;
    case 0x2:
        newX = x;
        break;
    case 0x4:
        newX = x + w + dx;
        break;
    default:
        return;
    }
    switch (relation & 0xF) {
    case 0x1:
        newY = y - dy - height;
        break;
    case 0x2:
        newY = y;
        break;
    case 0x4:
        newY = y + h + dy;
        break;
    default:
        return;
    }
    widget->move(newX, newY);
}

void PlaceRightOf(QWidget *widget, const QWidget *reference, int width, int height, int gap)
{
    PlaceWidget(widget, reference, 0x42, gap, 0, width, height);
}

void PlaceBelow(QWidget *widget, const QWidget *reference, int width, int height, int gap)
{
    PlaceWidget(widget, reference, 0x24, 0, gap, width, height);
}
