#pragma once

#include <QLayout>

#include <memory>
#include <vector>

// Lays its items out left to right at their preferred sizes and starts a new row where the next one would
// not fit, so that a narrow window shows every item whole rather than cutting them short. It takes at most
// `maxRows` rows: what does not fit in those runs on past the right edge of the last one.
class FlowLayout : public QLayout
{
public:
    FlowLayout(QWidget *parent, int horizontalSpacing, int verticalSpacing, int maxRows);
    ~FlowLayout() override;

    void addItem(QLayoutItem *item) override;
    int count() const override;
    QLayoutItem *itemAt(int index) const override;
    QLayoutItem *takeAt(int index) override;

    Qt::Orientations expandingDirections() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    // All items in one row.
    QSize sizeHint() const override;
    // The widest item.
    QSize minimumSize() const override;
    void setGeometry(const QRect &rect) override;

private:
    // Places the items in `rect` (only measures when `place` is false) and returns the height they take.
    int arrange(const QRect &rect, bool place) const;

    std::vector<std::unique_ptr<QLayoutItem>> items;
    int horizontalSpacing;
    int verticalSpacing;
    int maxRows;
};
