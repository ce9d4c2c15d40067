#include "config/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

AppPaths::Folders &chosen()
{
    static AppPaths::Folders folders;
    return folders;
}

QString withoutTrailingSlash(const QString &dir)
{
    QString cleaned = dir;
    while (cleaned.size() > 1 && cleaned.endsWith('/'))
        cleaned.chop(1);
    return cleaned;
}

bool hasDataTree(const QString &dir)
{
    return QFileInfo(dir + QStringLiteral("/APP")).isDir() ||
           QFileInfo(dir + QStringLiteral("/TitleBar")).isDir();
}

// The folder whose permissions decide whether the settings can be kept in `dir`: the deepest one of the
// settings path that exists.
QString settingsFolderIn(const QString &dir)
{
    for (const QString &candidate : {dir + QStringLiteral("/APP/ConfigFile"), dir + QStringLiteral("/APP")}) {
        if (QFileInfo(candidate).isDir())
            return candidate;
    }
    return dir;
}

} // namespace

namespace AppPaths {

bool isWritable(const QString &path)
{
    const QFileInfo info(path);
    const QFileDevice::Permissions anyWrite =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return info.isWritable() && (info.permissions() & anyWrite);
}

Folders chooseFolders(const QString &executableDir, const QString &userDataDir)
{
    const QString exeDir = withoutTrailingSlash(executableDir);
    const QString installed = QDir::cleanPath(exeDir + QStringLiteral("/" LUMAPLEX_INSTALLED_DATA_DIR));
    QString data = exeDir;
    if (!hasDataTree(exeDir) && hasDataTree(installed))
        data = installed;
    if (data == exeDir && isWritable(settingsFolderIn(exeDir)))
        return {data, exeDir};
    return {data, withoutTrailingSlash(userDataDir)};
}

void setFolders(const Folders &folders)
{
    chosen() = {withoutTrailingSlash(folders.data), withoutTrailingSlash(folders.settings)};
}

void useMainWindowFolders(const QString &appDir)
{
    if (!appDir.isEmpty()) {
        setApplicationDir(appDir);
        return;
    }
    setFolders(chooseFolders(QCoreApplication::applicationDirPath(),
                             QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                                 QStringLiteral("/lumaplex")));
}

void setApplicationDir(const QString &dir)
{
    setFolders({dir, dir});
}

void resetApplicationDir()
{
    chosen() = Folders();
}

QString dataDir()
{
    return chosen().data.isEmpty() ? QCoreApplication::applicationDirPath() : chosen().data;
}

QString settingsDir()
{
    return chosen().settings.isEmpty() ? QCoreApplication::applicationDirPath() : chosen().settings;
}

bool dataTreeWritable()
{
    return dataDir() == settingsDir();
}

QString file(const QString &relative)
{
    return dataDir() + relative;
}
QString configFile()
{
    return settingsDir() + QStringLiteral("/APP/ConfigFile/config.ini");
}
QString englishLanguageFile()
{
    return settingsDir() + QStringLiteral("/APP/ConfigFile/language-English.ini");
}
QString otherLanguageFile()
{
    return settingsDir() + QStringLiteral("/APP/ConfigFile/language-Other.ini");
}
QString styleSheetFile()
{
    return file(QStringLiteral("/APP/StyleSheet/default.qss"));
}
QString titleBarStyleSheetFile()
{
    return file(QStringLiteral("/TitleBar/StyleSheet/SystemTitle.qss"));
}

} // namespace AppPaths
