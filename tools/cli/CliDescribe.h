#pragma once

#include <QByteArray>
#include <QString>

// `settings` and `actions` as text: one line per setting or action of `model`, fields parted by tabs (only
// the actions for `actions`).
QByteArray describeModelText(const QString &command, quint32 model);
