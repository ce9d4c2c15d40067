#pragma once

#include <QString>

// Reading and writing of config.ini and the two language files. None of these report errors: a file that
// cannot be read leaves the values in memory as they are, one that cannot be written is left alone.

// Reads the key file at `path` into the table that the path names (config.ini or a language file).
void Config_ReadKeyFile(const QString &path);
// Writes every row of the table that the path names, as key "=" value CR LF, replacing the file atomically.
void Config_WriteKeyFile(const QString &path);

// Rewrites config.ini and the file of the current language from memory.
void Config_SaveAll();
// Reads config.ini (unless languageOnly) and the current language file, with the language fallbacks.
void Config_LoadAll(bool languageOnly);
// The language file that Key_LanguageIsEnglish selects.
QString Config_CurrentLanguageFile();

// The exit save: the first caller writes config.ini and the language file, later callers write nothing.
void Config_SaveAtExitOnce();

// Start-up step shared by the GUI and tools: loads the configuration if config.ini exists, otherwise writes
// the defaults. Returns whether config.ini existed.
bool Config_LoadOrCreate();
