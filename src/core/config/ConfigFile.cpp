#include "config/ConfigFile.h"

#include "config/AppState.h"
#include "config/AppPaths.h"
#include "config/AtomicFile.h"
#include "config/KeyTables.h"

#include <QFile>
#include <QStringList>
#include <QStringView>
#include <QVector>

#include <utility>

namespace {

// The table a path names; null when the path is none of the three key files.
const QVector<KeyBinding> *tableForPath(const QString &path)
{
    if (path.contains(AppPaths::configFile()))
        return &configKeyTable();
    if (path.contains(AppPaths::englishLanguageFile()) || path.contains(AppPaths::otherLanguageFile()))
        return &languageKeyTable();
    return nullptr;
}

// One line of a key file, without its line end.
struct KeyLine
{
    QString text;
    int firstEquals = -1; // where its first "=" stands; -1: nowhere
    bool comment = false; // its first non-blank character is "#" or ";": it never gives a value
};

bool isComment(const QString &line)
{
    for (const QChar c : line) {
        if (c == ' ' || c == '\t')
            continue;
        return c == '#' || c == ';';
    }
    return false;
}

QVector<KeyLine> splitLines(const QString &content)
{
    QVector<KeyLine> lines;
    int start = 0;
    while (start < content.size()) {
        int end = content.indexOf('\n', start);
        if (end < 0)
            end = content.size() - 1;
        QString line = content.mid(start, end - start + 1);
        if (line.endsWith(QLatin1String("\r\n")))
            line.chop(2);
        else if (line.endsWith('\n'))
            line.chop(1);
        const int firstEquals = int(line.indexOf('='));
        const bool comment = isComment(line);
        lines.append({std::move(line), firstEquals, comment});
        start = end + 1;
    }
    return lines;
}

// The value of `key` in `lines`: preferably from the first line whose first "=" directly follows the key,
// else from the first line that carries the key followed by "=" anywhere (its value then starts after its
// first "="). Comment lines are skipped. Returns false when no line carries it.
bool findValue(const QVector<KeyLine> &lines, const QString &key, QString *value)
{
    for (const KeyLine &line : lines) {
        if (!line.comment && line.firstEquals >= key.size() &&
            QStringView(line.text).left(line.firstEquals).endsWith(key)) {
            *value = line.text.mid(line.firstEquals + 1);
            return true;
        }
    }
    const QString marker = key + '=';
    for (const KeyLine &line : lines) {
        if (!line.comment && line.text.contains(marker)) {
            *value = line.text.mid(line.firstEquals + 1);
            return true;
        }
    }
    return false;
}

// The language files of the data tree that the settings folder lacks, copied there.
void copyShippedLanguageFiles()
{
    for (const QString &target : {AppPaths::englishLanguageFile(), AppPaths::otherLanguageFile()}) {
        const QString shipped = AppPaths::dataDir() + target.mid(AppPaths::settingsDir().size());
        QFile source(shipped);
        if (!QFile::exists(target) && source.open(QIODevice::ReadOnly))
            writeFileAtomically(target, source.readAll());
    }
}

} // namespace

void Config_ReadKeyFile(const QString &path)
{
    const QVector<KeyBinding> *table = tableForPath(path);
    if (!table)
        return;
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly))
        return;
    const QVector<KeyLine> lines = splitLines(QString::fromUtf8(file.readAll()));
    for (const KeyBinding &row : *table) {
        QString value;
        if (findValue(lines, QString::fromLatin1(row.key), &value))
            *row.value = value;
    }
}

QString Config_WriteKeyFile(const QString &path)
{
    const QVector<KeyBinding> *table = tableForPath(path);
    if (!table)
        return QString();
    QByteArray bytes;
    for (const KeyBinding &row : *table) {
        bytes += row.key;
        bytes += '=';
        bytes += row.value->toUtf8();
        bytes += "\r\n";
    }
    QString reason;
    if (writeFileAtomically(path, bytes, &reason))
        return QString();
    return path + QStringLiteral(": ") + reason;
}

QString Config_CurrentLanguageFile()
{
    return State().config.Key_LanguageIsEnglish == QLatin1String("1") ? AppPaths::englishLanguageFile()
                                                                      : AppPaths::otherLanguageFile();
}

QString Config_SaveAll()
{
    QStringList failures{Config_WriteKeyFile(AppPaths::configFile()),
                         Config_WriteKeyFile(Config_CurrentLanguageFile())};
    failures.removeAll(QString());
    return failures.join('\n');
}

void Config_LoadAll(bool languageOnly)
{
    if (!QFile::exists(AppPaths::configFile()))
        return;
    if (!languageOnly)
        Config_ReadKeyFile(AppPaths::configFile());
    const QString wanted = Config_CurrentLanguageFile();
    const QString other = wanted == AppPaths::englishLanguageFile() ? AppPaths::otherLanguageFile()
                                                                    : AppPaths::englishLanguageFile();
    if (QFile::exists(wanted)) {
        Config_ReadKeyFile(wanted);
    } else if (QFile::exists(other)) {
        // The flag stays: the next save writes these texts into the file of the flagged language.
        Config_ReadKeyFile(other);
    } else {
        State().config.Key_LanguageIsEnglish = QStringLiteral("1");
    }
}

bool Config_LoadOrCreate(QString *failure)
{
    const bool existed = QFile::exists(AppPaths::configFile());
    if (existed) {
        Config_LoadAll(false);
        return true;
    }
    if (!AppPaths::dataTreeWritable())
        copyShippedLanguageFiles();
    const QString saved = Config_SaveAll();
    if (failure)
        *failure = saved;
    return false;
}

QString Config_SaveAtExitOnce()
{
    if (!State().ConfigSavePending)
        return QString();
    State().ConfigSavePending = false;
    return Config_SaveAll();
}
