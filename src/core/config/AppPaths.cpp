#include "config/AppPaths.h"

#include <QCoreApplication>

namespace {
QString &overrideDir()
{
    static QString dir;
    return dir;
}
} // namespace

namespace AppPaths {

QString applicationDir()
{
    if (!overrideDir().isEmpty())
        return overrideDir();
    return QCoreApplication::applicationDirPath();
}

void setApplicationDir(const QString &dir)
{
    QString cleaned = dir;
    while (cleaned.size() > 1 && cleaned.endsWith('/'))
        cleaned.chop(1);
    overrideDir() = cleaned;
}

void resetApplicationDir() { overrideDir().clear(); }

QString file(const QString &relative) { return applicationDir() + relative; }
QString configFile() { return file(QStringLiteral("/APP/ConfigFile/config.ini")); }
QString englishLanguageFile() { return file(QStringLiteral("/APP/ConfigFile/language-English.ini")); }
QString otherLanguageFile() { return file(QStringLiteral("/APP/ConfigFile/language-Other.ini")); }
QString styleSheetFile() { return file(QStringLiteral("/APP/StyleSheet/default.qss")); }
QString titleBarStyleSheetFile() { return file(QStringLiteral("/TitleBar/StyleSheet/SystemTitle.qss")); }

} // namespace AppPaths
