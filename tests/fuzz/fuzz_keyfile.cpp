// Key files as an operator's editor, a full disk or a foreign program may leave them: the first byte picks
// config.ini or one of the two language files, the rest is the file. Reading must take what it can, and
// what it took must survive a write and a second read unchanged.

#include "FuzzCheck.h"
#include "config/AppPaths.h"
#include "config/AppState.h"
#include "config/ConfigFile.h"
#include "config/KeyTables.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

namespace {
QStringList values(const QVector<KeyBinding> &table)
{
    QStringList current;
    for (const KeyBinding &row : table)
        current << *row.value;
    return current;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    static const bool ready = [] {
        AppPaths::setApplicationDir(dir.path());
        return QDir().mkpath(dir.path() + "/APP/ConfigFile");
    }();
    if (size < 1 || !ready)
        return 0;
    const QString paths[] = {AppPaths::configFile(), AppPaths::englishLanguageFile(),
                             AppPaths::otherLanguageFile()};
    const QString path = paths[data[0] % 3];
    const QVector<KeyBinding> &table = data[0] % 3 == 0 ? configKeyTable() : languageKeyTable();
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(reinterpret_cast<const char *>(data) + 1, qint64(size - 1));
    file.close();

    resetAppState();
    Config_ReadKeyFile(path);
    const QStringList read = values(table);
    Config_WriteKeyFile(path);
    resetAppState();
    Config_ReadKeyFile(path);
    FUZZ_CHECK(values(table) == read);
    return 0;
}
