#pragma once

#include <QDateTime>
#include <QJsonValue>
#include <QList>
#include <QString>

// One device the operator keeps: how to reach it and what was last seen of it.
struct SavedDevice
{
    QString name; // empty for a recent connection that was never saved under a name
    bool serial = false;
    QString address;  // host (TCP) or serial port
    quint16 port = 0; // TCP control port
    qint32 baud = 0;  // serial speed; 0 lets the speed be searched ("auto")
    // TCP: the device's subnet mask and gateway as the connection page held them (may be empty).
    QString mask;
    QString gateway;
    QString model;           // the model last seen; empty before the first connection
    QDateTime lastConnected; // UTC; invalid before the first connection

    // Whether both lead to the same device: the same kind of link, address and (TCP) port.
    bool sameLink(const SavedDevice &other) const;
    // "tcp 192.168.0.247:2000", "serial /dev/ttyUSB0 9600" or "serial /dev/ttyUSB0 auto".
    QString linkText() const;
    // The link without its speed, one per device: "tcp 192.168.0.247:2000" or "serial /dev/ttyUSB0".
    QString linkKey() const;
};

struct SavedDeviceList
{
    static constexpr int RecentLimit = 10;

    QList<SavedDevice> devices; // saved under a name, in the operator's order
    QList<SavedDevice> recent;  // the last connections, newest first

    // Index of the saved device called `name`, or -1.
    int indexOf(const QString &name) const;
    // A connection to `device` was identified as `model` at `when`: the saved devices on that link take the
    // model, the time and (serial) the speed; the connection goes first in the recent list, once.
    void recordConnection(SavedDevice device, const QString &model, const QDateTime &when);
};

// The list as the JSON file "devices.json" beside the settings. It is written through a temporary file that
// replaces it only when complete. A file that cannot be read as such a list is never written over: it is
// renamed aside ("devices.json.damaged-<time>") and a new list begins.
namespace SavedDeviceFile {

QString path();

struct Loaded
{
    SavedDeviceList list;
    // Empty when the file was read or did not exist; otherwise what is wrong with it.
    QString problem;
    // Where the unreadable file was kept; empty when it could not be renamed, and then nothing may be
    // saved over it (`writable` is false).
    QString keptAs;
    bool writable = true;
};

Loaded load(const QString &path);
// One entry of the file: false with `why` when it is not one this program wrote (`named`: an entry of the
// saved devices, which must have a name).
bool entryFromJson(const QJsonValue &value, bool named, SavedDevice *device, QString *why);
bool save(const QString &path, const SavedDeviceList &list, QString *error);

} // namespace SavedDeviceFile
