#pragma once

#include <QString>

// Reading and writing of config.ini and the two language files. A file that cannot be read leaves the
// values in memory as they are; a file that cannot be written is left as it was, and the saves say which
// file it was and why, so that the operator can be told.

// Reads the key file at `path` into the table that the path names (config.ini or a language file).
void Config_ReadKeyFile(const QString &path);
// Writes every row of the table that the path names, as key "=" value CR LF, replacing the file atomically.
// Returns an empty string when the file was written, else "path: reason".
QString Config_WriteKeyFile(const QString &path);

// Rewrites config.ini and the file of the current language from memory. Returns an empty string when both
// were written, else one "path: reason" line per file that was not.
QString Config_SaveAll();
// Reads config.ini (unless languageOnly) and the current language file, with the language fallbacks.
void Config_LoadAll(bool languageOnly);
// The language file that Key_LanguageIsEnglish selects.
QString Config_CurrentLanguageFile();

// The exit save: the first caller writes config.ini and the language file, later callers write nothing.
// Returns what Config_SaveAll returned, or an empty string when nothing was written.
QString Config_SaveAtExitOnce();

// Start-up step shared by the GUI and tools: loads the configuration if config.ini exists, otherwise writes
// the defaults. When the settings are kept apart from the data tree (an installed program), a first start
// copies the shipped language files into the settings folder before that. Returns whether config.ini
// existed; `failure` receives what Config_SaveAll returned for the defaults.
bool Config_LoadOrCreate(QString *failure = nullptr);
