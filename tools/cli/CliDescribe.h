#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// `settings` and `actions`: what a model's settings and actions are, as the settings and actions tables
// describe them, with their labels in the language the language texts hold now.

// Loads the texts of `language` ("other", else English): the settings folder's language file where there is
// one, else the shipped one, else the built-in English texts.
void useCliLanguage(const QString &language);

// {"settings": [...], "actions": [...]} for `model` (a ModelIndex), or only the part `command` names.
QJsonObject describeModel(const QString &command, quint32 model);
// The same as text: one line per setting or action, fields parted by tabs.
QByteArray describeModelText(const QString &command, quint32 model);
