#pragma once

#include <QString>
#include <QVector>

// One row of a key table: the key as it stands in the file, the process-wide string it binds and the text
// that string holds before any file was read.
struct KeyBinding
{
    const char *key;
    QString *value;
    const char *builtIn;
};

// The 18 rows of config.ini and the rows of the language files (the 184 of the first release, then those
// added since), in file order.
const QVector<KeyBinding> &configKeyTable();
const QVector<KeyBinding> &languageKeyTable();

// Puts every bound string of the table back to its built-in text.
void resetKeyTable(const QVector<KeyBinding> &table);

// The text the language key `key` holds now ("Slabel_Volume", "Slabel_Windows_Name[0]"), or a null string for
// a key that is not in the table.
QString languageText(const char *key);
