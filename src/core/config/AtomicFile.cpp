#include "config/AtomicFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {
std::function<bool(const QString &)> &commitGate()
{
    static std::function<bool(const QString &)> gate;
    return gate;
}
} // namespace

void setAtomicCommitGate(std::function<bool(const QString &)> gate) { commitGate() = std::move(gate); }

bool writeFileAtomically(const QString &path, const QByteArray &bytes)
{
    const QString dir = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(dir))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    if (commitGate() && !commitGate()(path)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
