#include "session/SavedDevices.h"

#include "config/AppPaths.h"
#include "config/AtomicFile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

const char *const Format = "lumaplex-devices";
constexpr int Version = 1;

QJsonObject toJson(const SavedDevice &device)
{
    QJsonObject object;
    if (!device.name.isEmpty())
        object.insert(QStringLiteral("name"), device.name);
    object.insert(QStringLiteral("link"), device.serial ? QStringLiteral("serial") : QStringLiteral("tcp"));
    object.insert(QStringLiteral("address"), device.address);
    if (device.serial) {
        object.insert(QStringLiteral("baud"), device.baud);
    } else {
        object.insert(QStringLiteral("port"), device.port);
        if (!device.mask.isEmpty())
            object.insert(QStringLiteral("mask"), device.mask);
        if (!device.gateway.isEmpty())
            object.insert(QStringLiteral("gateway"), device.gateway);
    }
    if (!device.model.isEmpty())
        object.insert(QStringLiteral("model"), device.model);
    if (device.lastConnected.isValid())
        object.insert(QStringLiteral("lastConnected"), device.lastConnected.toString(Qt::ISODateWithMs));
    return object;
}

} // namespace

bool SavedDeviceFile::entryFromJson(const QJsonValue &value, bool named, SavedDevice *device, QString *why)
{
    const QJsonObject object = value.toObject();
    const QString link = object.value(QLatin1String("link")).toString();
    device->name = object.value(QLatin1String("name")).toString();
    device->serial = link == QLatin1String("serial");
    device->address = object.value(QLatin1String("address")).toString();
    device->mask = object.value(QLatin1String("mask")).toString();
    device->gateway = object.value(QLatin1String("gateway")).toString();
    device->model = object.value(QLatin1String("model")).toString();
    const QJsonValue when = object.value(QLatin1String("lastConnected"));
    device->lastConnected = QDateTime::fromString(when.toString(), Qt::ISODateWithMs);
    const int port = object.value(QLatin1String("port")).toInt(-1);
    const int baud = object.value(QLatin1String("baud")).toInt(-1);
    device->port = quint16(port);
    device->baud = baud;
    if (!value.isObject() || (link != QLatin1String("tcp") && !device->serial))
        *why = QStringLiteral("an entry is not a TCP or serial device");
    else if ((named && device->name.trimmed().isEmpty()) || device->address.isEmpty())
        *why = QStringLiteral("an entry has no name or address");
    else if (device->serial ? baud < 0 : (port < 1 || port > 65535))
        *why = QStringLiteral("%1 has no valid port or speed").arg(device->address);
    else if (!when.isUndefined() && !device->lastConnected.isValid())
        *why = QStringLiteral("%1 has an unreadable time").arg(device->address);
    else
        return true;
    return false;
}

namespace {

// What is wrong with `bytes` as a device list; empty when nothing is, with the list read.
QString read(const QByteArray &bytes, SavedDeviceList *list)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        return QStringLiteral("not JSON: %1 at byte %2").arg(error.errorString()).arg(error.offset);
    const QJsonObject root = document.object();
    if (root.value(QLatin1String("format")).toString() != QLatin1String(Format))
        return QStringLiteral("not a list of saved devices");
    if (root.value(QLatin1String("version")).toInt() != Version)
        return QStringLiteral("a version this program does not read");
    const std::pair<const char *, QList<SavedDevice> *> parts[] = {{"devices", &list->devices},
                                                                   {"recent", &list->recent}};
    for (const auto &part : parts) {
        const QJsonValue entries = root.value(QLatin1String(part.first));
        if (!entries.isArray() && !entries.isUndefined())
            return QStringLiteral("\"%1\" is not a list").arg(QLatin1String(part.first));
        for (const QJsonValue &entry : entries.toArray()) {
            SavedDevice device;
            QString why;
            if (!SavedDeviceFile::entryFromJson(entry, part.second == &list->devices, &device, &why))
                return why;
            if (part.second == &list->devices && list->indexOf(device.name) >= 0)
                return QStringLiteral("the name %1 is given twice").arg(device.name);
            part.second->append(device);
        }
    }
    while (list->recent.size() > SavedDeviceList::RecentLimit)
        list->recent.removeLast();
    return QString();
}

} // namespace

bool SavedDevice::sameLink(const SavedDevice &other) const
{
    return serial == other.serial && address == other.address && (serial || port == other.port);
}

QString SavedDevice::linkText() const
{
    if (serial)
        return QStringLiteral("serial %1 %2")
            .arg(address, baud > 0 ? QString::number(baud) : QStringLiteral("auto"));
    return QStringLiteral("tcp %1:%2").arg(address).arg(port);
}

QString SavedDevice::linkKey() const
{
    return serial ? QStringLiteral("serial %1").arg(address)
                  : QStringLiteral("tcp %1:%2").arg(address).arg(port);
}

int SavedDeviceList::indexOf(const QString &name) const
{
    for (int i = 0; i < devices.size(); ++i) {
        if (devices.at(i).name == name)
            return i;
    }
    return -1;
}

void SavedDeviceList::recordConnection(SavedDevice device, const QString &model, const QDateTime &when)
{
    device.name.clear();
    device.model = model;
    device.lastConnected = when;
    for (SavedDevice &saved : devices) {
        if (!saved.sameLink(device))
            continue;
        saved.model = model;
        saved.lastConnected = when;
        if (saved.serial)
            saved.baud = device.baud;
        if (device.name.isEmpty())
            device.name = saved.name;
    }
    for (int i = recent.size() - 1; i >= 0; --i) {
        if (recent.at(i).sameLink(device))
            recent.removeAt(i);
    }
    recent.prepend(device);
    while (recent.size() > RecentLimit)
        recent.removeLast();
}

namespace SavedDeviceFile {

QString path()
{
    return AppPaths::settingsDir() + QStringLiteral("/APP/ConfigFile/devices.json");
}

Loaded load(const QString &path)
{
    Loaded loaded;
    QFile file(path);
    if (!file.exists())
        return loaded;
    if (!file.open(QIODevice::ReadOnly)) {
        loaded.problem = file.errorString();
        loaded.writable = false;
        return loaded;
    }
    loaded.problem = read(file.readAll(), &loaded.list);
    file.close();
    if (loaded.problem.isEmpty())
        return loaded;
    loaded.list = SavedDeviceList();
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = path + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFile::exists(aside); ++n)
        aside = path + QStringLiteral(".damaged-%1-%2").arg(stamp).arg(n);
    if (QFile::rename(path, aside))
        loaded.keptAs = aside;
    else
        loaded.writable = false;
    return loaded;
}

bool save(const QString &path, const SavedDeviceList &list, QString *error)
{
    QJsonArray devices;
    for (const SavedDevice &device : list.devices)
        devices.append(toJson(device));
    QJsonArray recent;
    for (const SavedDevice &device : list.recent)
        recent.append(toJson(device));
    const QJsonObject root{{QStringLiteral("format"), QLatin1String(Format)},
                           {QStringLiteral("version"), Version},
                           {QStringLiteral("devices"), devices},
                           {QStringLiteral("recent"), recent}};
    return writeFileAtomically(path, QJsonDocument(root).toJson(QJsonDocument::Indented), error);
}

} // namespace SavedDeviceFile
