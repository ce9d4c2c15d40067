#include "CliSaved.h"

#include "CliResult.h"

#include "session/SavedDevices.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

// The list, or false with `error` naming the file when it could not be read (it was then kept aside).
bool loadList(SavedDeviceList *list, QString *error)
{
    const QString path = SavedDeviceFile::path();
    const SavedDeviceFile::Loaded loaded = SavedDeviceFile::load(path);
    *list = loaded.list;
    if (loaded.problem.isEmpty())
        return true;
    *error = loaded.keptAs.isEmpty()
                 ? QStringLiteral("the device list %1 cannot be read (%2)").arg(path, loaded.problem)
                 : QStringLiteral("the device list %1 cannot be read (%2); it was kept as %3")
                       .arg(path, loaded.problem, loaded.keptAs);
    return false;
}

QString timeText(const QDateTime &time)
{
    return time.isValid() ? time.toString(Qt::ISODate) : QStringLiteral("-");
}

} // namespace

bool findSavedDevice(const QString &name, CliDevice *device, QString *error)
{
    SavedDeviceList list;
    if (!loadList(&list, error))
        return false;
    const int index = list.indexOf(name);
    if (index < 0) {
        *error = QStringLiteral("no device is saved as '%1' in %2 ('lumaplex-cli devices' lists them)")
                     .arg(name, SavedDeviceFile::path());
        return false;
    }
    const SavedDevice &saved = list.devices.at(index);
    device->serial = saved.serial;
    device->address = saved.address;
    device->port = QString::number(saved.port);
    device->baud = saved.baud > 0 ? QString::number(saved.baud) : QStringLiteral("auto");
    device->text = name;
    return true;
}

int listSavedDevices(bool json)
{
    SavedDeviceList list;
    QString error;
    if (!loadList(&list, &error)) {
        std::fprintf(stderr, "lumaplex-cli: %s\n", qPrintable(error));
        return ExitUsage;
    }
    for (const SavedDevice &device : list.devices) {
        if (json) {
            QJsonObject object{
                {QStringLiteral("name"), device.name},
                {QStringLiteral("link"), device.serial ? QStringLiteral("serial") : QStringLiteral("tcp")},
                {QStringLiteral("address"), device.address},
                {QStringLiteral("model"), device.model},
                {QStringLiteral("lastConnected"), device.lastConnected.isValid()
                                                      ? QJsonValue(timeText(device.lastConnected))
                                                      : QJsonValue(QJsonValue::Null)}};
            if (device.serial)
                object.insert(QStringLiteral("baud"),
                              device.baud > 0 ? QJsonValue(device.baud) : QJsonValue("auto"));
            else
                object.insert(QStringLiteral("port"), device.port);
            std::printf("%s\n", QJsonDocument(object).toJson(QJsonDocument::Compact).constData());
        } else {
            std::printf("%s\t%s\t%s\t%s\n", qPrintable(device.name), qPrintable(device.linkText()),
                        qPrintable(device.model.isEmpty() ? QStringLiteral("-") : device.model),
                        qPrintable(timeText(device.lastConnected)));
        }
    }
    if (list.devices.isEmpty())
        std::fprintf(stderr, "lumaplex-cli: no devices are saved in %s\n",
                     qPrintable(SavedDeviceFile::path()));
    return ExitDone;
}
