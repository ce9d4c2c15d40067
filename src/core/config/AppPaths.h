#pragma once

#include <QString>

// Where the program's files live. Two folders, each holding the same APP/ and TitleBar/ layout:
//  - the data folder holds what the program ships and only reads (style sheets, pictures, the shipped
//    language files);
//  - the settings folder holds what it writes (config.ini and the two language files).
// A build tree or a portable copy keeps both beside the executable. An installed program reads its data
// from the installed share folder and keeps the settings in the user's data folder. Until a choice is made
// both are the executable's folder; tests point both at a temporary folder.
namespace AppPaths {

struct Folders
{
    QString data;
    QString settings;
};

// The folders for an executable in `executableDir`. The data tree beside the executable (its APP or
// TitleBar folder exists) is used when there is one, else the installed share folder when that exists,
// else the executable's folder. The settings stay beside the executable when the data folder is the
// executable's folder and can be written; otherwise they go to `userDataDir`.
Folders chooseFolders(const QString &executableDir, const QString &userDataDir);

// Whether the program may write into `path` (a folder or a file). A path without any write permission bit
// counts as read-only even for a user whom the system would let write there, so an installation or a
// settings file marked read-only is respected by root too.
bool isWritable(const QString &path);

void setFolders(const Folders &folders);
// For a tool beside the main window (the command-line tool, the gateway): the window's folders, so that it
// finds the window's saved devices. `appDir` as with lumaplex --app-dir, else those that suit where the
// program lies (beside it in a build or portable copy, else the user's "lumaplex" data folder).
void useMainWindowFolders(const QString &appDir);
// One folder for both (the --app-dir option, tools, tests).
void setApplicationDir(const QString &dir);
// Back to the executable's folder for both.
void resetApplicationDir();

QString dataDir();
QString settingsDir();
// Whether the data tree may be rewritten (pictures normalised in place): only when it is also the folder
// the settings are written to.
bool dataTreeWritable();

QString configFile();
QString englishLanguageFile();
QString otherLanguageFile();
QString styleSheetFile();
QString titleBarStyleSheetFile();
// Path of a file of the data tree; `relative` starts with "/".
QString file(const QString &relative);

} // namespace AppPaths
