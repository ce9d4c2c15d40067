#include "HeldLinks.h"

#include "SavedDevices.h"

#include "config/AppPaths.h"
#include "config/AtomicFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const char *const Format = "lumaplex-gateway-held-links";
const char *const FileName = "/held-links.json";

// One serial port however it is named (ttyUSB0, /dev/ttyUSB0, /dev/serial/by-id/...); a TCP link as given.
QString sameLinkKey(const QString &key)
{
    if (!key.startsWith(QLatin1String("serial ")))
        return key;
    QString port = key.mid(7);
    if (!port.startsWith(QLatin1Char('/')))
        port.prepend(QLatin1String("/dev/"));
    const QString canonical = QFileInfo(port).canonicalFilePath();
    return QStringLiteral("serial ") + (canonical.isEmpty() ? port : canonical);
}

// Whether `pid` is a gateway that runs now (and not another program that got its number since).
bool gatewayRuns(qint64 pid)
{
    QFile name(QStringLiteral("/proc/%1/comm").arg(pid));
    // The kernel keeps the first 15 bytes of a program's name.
    return pid > 0 && name.open(QIODevice::ReadOnly) && name.readAll().startsWith("lumaplex-gatewa");
}

} // namespace

namespace HeldLinks {

bool write(const QString &folder, const QStringList &links, QString *error)
{
    const QJsonObject root{{QStringLiteral("format"), QLatin1String(Format)},
                           {QStringLiteral("version"), 1},
                           {QStringLiteral("pid"), QCoreApplication::applicationPid()},
                           {QStringLiteral("links"), QJsonArray::fromStringList(links)}};
    return writeFileAtomically(folder + QLatin1String(FileName), QJsonDocument(root).toJson(), error);
}

void remove(const QString &folder)
{
    QFile::remove(folder + QLatin1String(FileName));
}

QStringList gatewayFolders()
{
    return {AppPaths::settingsDir() + QStringLiteral("/gateway"), QStringLiteral("/var/lib/lumaplex")};
}

qint64 holder(const SavedDevice &device, const QStringList &folders)
{
    const QString wanted = sameLinkKey(device.linkKey());
    for (const QString &folder : folders) {
        QFile file(folder + QLatin1String(FileName));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
        const qint64 pid = qint64(root.value(QLatin1String("pid")).toDouble());
        if (root.value(QLatin1String("format")).toString() != QLatin1String(Format) || !gatewayRuns(pid))
            continue;
        for (const QJsonValue &link : root.value(QLatin1String("links")).toArray()) {
            if (sameLinkKey(link.toString()) == wanted)
                return pid;
        }
    }
    return 0;
}

} // namespace HeldLinks
