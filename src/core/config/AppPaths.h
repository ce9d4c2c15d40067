#pragma once

#include <QString>

// Every file the program reads or writes lives below one application directory: normally the directory of
// the executable. Tests point it at a temporary folder so that nothing is written beside the real binary.
namespace AppPaths {

QString applicationDir();
void setApplicationDir(const QString &dir);
void resetApplicationDir();

QString configFile();
QString englishLanguageFile();
QString otherLanguageFile();
QString styleSheetFile();
QString titleBarStyleSheetFile();
// Path of a file below the application directory; `relative` starts with "/".
QString file(const QString &relative);

} // namespace AppPaths
