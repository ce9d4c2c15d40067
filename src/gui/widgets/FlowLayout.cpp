#include "widgets/FlowLayout.h"

#include <QWidget>

#include <algorithm>

FlowLayout::FlowLayout(QWidget *parent, int horizontal, int vertical, int rows)
    : QLayout(parent), horizontalSpacing(horizontal), verticalSpacing(vertical), maxRows(rows)
{
}

FlowLayout::~FlowLayout() = default;

void FlowLayout::addItem(QLayoutItem *item)
{
    items.emplace_back(item);
}

int FlowLayout::count() const
{
    return int(items.size());
}

QLayoutItem *FlowLayout::itemAt(int index) const
{
    return index >= 0 && index < count() ? items[std::size_t(index)].get() : nullptr;
}

QLayoutItem *FlowLayout::takeAt(int index)
{
    if (index < 0 || index >= count())
        return nullptr;
    QLayoutItem *item = items[std::size_t(index)].release();
    items.erase(items.begin() + index);
    return item;
}

Qt::Orientations FlowLayout::expandingDirections() const
{
    return {};
}

bool FlowLayout::hasHeightForWidth() const
{
    return true;
}

int FlowLayout::heightForWidth(int width) const
{
    return arrange(QRect(0, 0, width, 0), false);
}

QSize FlowLayout::sizeHint() const
{
    QSize size;
    for (const auto &item : items) {
        if (item->isEmpty())
            continue;
        const QSize hint = item->sizeHint();
        size.rwidth() += (size.width() > 0 ? horizontalSpacing : 0) + hint.width();
        size.rheight() = std::max(size.height(), hint.height());
    }
    const QMargins margins = contentsMargins();
    return size.grownBy(margins);
}

QSize FlowLayout::minimumSize() const
{
    QSize size;
    for (const auto &item : items)
        if (!item->isEmpty())
            size = size.expandedTo(item->sizeHint());
    return size.grownBy(contentsMargins());
}

void FlowLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int FlowLayout::arrange(const QRect &rect, bool place) const
{
    const QRect area = rect.marginsRemoved(contentsMargins());
    int x = area.x();
    int y = area.y();
    int rowHeight = 0;
    int row = 1;
    for (const auto &item : items) {
        if (item->isEmpty())
            continue;
        const QSize hint = item->sizeHint();
        if (x > area.x() && x + hint.width() > area.x() + area.width() && row < maxRows) {
            x = area.x();
            y += rowHeight + verticalSpacing;
            rowHeight = 0;
            ++row;
        }
        if (place)
            item->setGeometry(QRect(QPoint(x, y), hint));
        x += hint.width() + horizontalSpacing;
        rowHeight = std::max(rowHeight, hint.height());
    }
    return y + rowHeight - rect.y() + contentsMargins().bottom();
}
