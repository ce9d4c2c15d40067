#include "pages/PageWidgets.h"

#include <QComboBox>
#include <QFrame>
#include <QListView>
#include <QPushButton>

QFrame *makeBoxFrame(QWidget *parent)
{
    auto *frame = new QFrame(parent);
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Raised);
    return frame;
}

QComboBox *makeCombo(QWidget *parent)
{
    auto *combo = new QComboBox(parent);
    combo->setView(new QListView(combo));
    return combo;
}

void refill(QComboBox *combo, const QStringList &items)
{
    combo->clear();
    combo->addItems(items);
}

void markSelected(const QList<QPushButton *> &group, QPushButton *selected)
{
    for (QPushButton *button : group)
        button->setFlat(button == selected);
}
