#pragma once

#include <QStringList>

class QComboBox;
class QFrame;
class QPushButton;
class QWidget;

// Small building blocks the device pages share.

// A raised box frame, the card that groups a page's controls.
QFrame *makeBoxFrame(QWidget *parent);
// A combo box with a list-view popup (styled like the rest of the lists).
QComboBox *makeCombo(QWidget *parent);
// Replaces the items; the combo then shows its first item.
void refill(QComboBox *combo, const QStringList &items);
// Marks `selected` as the chosen button of its group (flat) and every other button as not chosen.
void markSelected(const QList<QPushButton *> &group, QPushButton *selected);
