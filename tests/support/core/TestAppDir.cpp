#include "TestAppDir.h"

#include "config/AppState.h"
#include "config/AppPaths.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

TestAppDir::TestAppDir()
{
    AppPaths::setApplicationDir(dir.path());
    resetAppState();
}

TestAppDir::~TestAppDir()
{
    AppPaths::resetApplicationDir();
    resetAppState();
}

namespace {
// Copies the files below from/top whose names match `filters` into to/top.
void copyTree(const QString &from, const QString &to, const QString &top, const QStringList &filters)
{
    const QString root = from + '/' + top;
    QDirIterator it(root, filters, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + '/' + top + source.mid(root.size());
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::remove(target);
        QFile::copy(source, target);
    }
}
} // namespace

void TestAppDir::installDataTree(const QString &relative) const
{
    // Text files come from the source tree (a run of the program may have changed the built copies);
    // pictures are drawn at build time and exist only beside the executable.
    for (const QString &top : {QStringLiteral("APP"), QStringLiteral("TitleBar")}) {
        copyTree(QStringLiteral(LUMAPLEX_SOURCE_DIR), file(relative), top, {});
        copyTree(QStringLiteral(LUMAPLEX_BIN_DIR), file(relative), top, {QStringLiteral("*.png")});
    }
}

void TestAppDir::writeFile(const QString &relative, const QByteArray &bytes) const
{
    const QString target = file(relative);
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile out(target);
    if (out.open(QIODevice::WriteOnly))
        out.write(bytes);
}

QByteArray TestAppDir::readFile(const QString &relative) const
{
    QFile in(file(relative));
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}
