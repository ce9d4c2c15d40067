#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

struct DeviceState;

// The JSON file that keeps the device state across restarts (--state). Without a path it does nothing.
class StateStore
{
public:
    explicit StateStore(const QString &path) : path(path) {}

    bool isEnabled() const { return !path.isEmpty(); }
    // Reads the file; false when there is none. A file that is not a JSON object is reported on standard
    // error and ignored.
    bool load(QJsonObject *json);
    // Writes the state (through a temporary file) when it differs from what was written last.
    void save(const DeviceState &state);

private:
    QString path;
    QByteArray written;
};
