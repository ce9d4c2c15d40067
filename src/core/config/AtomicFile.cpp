#include "config/AtomicFile.h"

#include "config/AppPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

namespace {
std::function<bool(const QString &)> &commitGate()
{
    static std::function<bool(const QString &)> gate;
    return gate;
}

bool fail(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

QString systemReason(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}
} // namespace

void setAtomicCommitGate(std::function<bool(const QString &)> gate) { commitGate() = std::move(gate); }

bool writeFileAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
    const QString dir = QFileInfo(path).absolutePath();
    errno = 0;
    if (!QDir().mkpath(dir))
        return fail(error, systemReason(errno ? errno : EACCES));
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.size() == bytes.size() && existing.readAll() == bytes)
        return true;
    if (existing.exists() && !AppPaths::isWritable(path))
        return fail(error, systemReason(EACCES));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(error, file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(error, reason);
    }
    if (commitGate() && !commitGate()(path)) {
        file.cancelWriting();
        return fail(error, QStringLiteral("cancelled"));
    }
    if (!file.commit())
        return fail(error, file.errorString());
    return true;
}
