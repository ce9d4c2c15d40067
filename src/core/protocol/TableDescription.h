#pragma once

#include <QJsonObject>
#include <QString>

// What a model's settings and actions are, as the settings and actions tables describe them, with their
// labels in the language the language texts hold now: what `lumaplex-cli settings` prints and what the
// gateway's API describes.

// Loads the texts of `language` ("other", else English): the settings folder's language file where there is
// one, else the shipped one, else the built-in English texts.
void useLanguage(const QString &language);

// {"settings": [...], "actions": [...]} for `model` (a ModelIndex); only the actions unless `withSettings`.
QJsonObject describeModel(quint32 model, bool withSettings = true);
