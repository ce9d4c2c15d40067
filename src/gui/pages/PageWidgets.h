#pragma once

#include "protocol/Settings.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <map>

class DeviceModel;
class LinkSession;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QObject;
class QPushButton;
class QWidget;

// Small building blocks the device pages share.

// A raised box frame, the card that groups a page's controls.
QFrame *makeBoxFrame(QWidget *parent);
// A label that centres its text.
QLabel *centredLabel(QWidget *parent);
// A combo box with a list-view popup (styled like the rest of the lists).
QComboBox *makeCombo(QWidget *parent);
// Replaces the items; the combo then shows its first item.
void refill(QComboBox *combo, const QStringList &items);
// Marks `selected` as the chosen button of its group (flat) and every other button as not chosen.
void markSelected(const QList<QPushButton *> &group, QPushButton *selected);

// Shows the device's values on a page: every value the device model reports for one of the keys goes to its
// handler (for as long as `page` exists).
using ValueHandlers = std::map<QString, std::function<void(const QString &value)>>;
void showDeviceValues(DeviceModel &device, QObject *page, ValueHandlers handlers);
// Marks a page's widgets for a moment when the device changed what they show without a request of this
// tool's (a value found by watching, or one the device told of its own).
void flashChangedValues(DeviceModel &device, QObject *page, std::map<QString, QList<QWidget *>> widgets);
// Shows a text the device reported in a field. While the operator edits the field (it has the focus) the
// text waits, and is shown when the edit ends without being sent (a value sent brings its own answer).
void showDeviceText(QLineEdit *field, const QString &text);
// Reads every setting of a setup group that is read on its own, each read once, in the order of the table.
void readSettings(LinkSession &session, SetupGroup group);
