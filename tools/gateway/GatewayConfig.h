#pragma once

#include "session/SavedDevices.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <map>

// One device the gateway holds: how to reach it (an entry of the saved devices' format), its stable id, how
// often it is watched and the local address its TCP link leaves from (empty: any).
struct GatewayDeviceConfig
{
    static constexpr int DefaultWatchSeconds = 5;

    QString id;
    SavedDevice link;
    int watchSeconds = DefaultWatchSeconds;
    QString localAddress;

    // What leads to the same device whatever its name or speed: "tcp HOST:PORT" or "serial PORT".
    QString linkKey() const;
};

// The device file as the gateway reads it: the saved devices' "devices.json" (format version 1), whose
// entries may also carry "id", "watchSeconds" and "localAddress". Devices without an id take the one made
// for their link before (`known`, by link key), or else a new one made from their name.
struct GatewayConfig
{
    QList<GatewayDeviceConfig> devices;
    // What is wrong, one text per field ("devices[2].watchSeconds: ..."); the file is unusable when any is.
    QStringList problems;

    static GatewayConfig parse(const QByteArray &bytes, const std::map<QString, QString> &known = {});
    static GatewayConfig read(const QString &path, const std::map<QString, QString> &known = {});
};

// `name` as an id: lower case letters, digits and single hyphens; empty when the name has none of them.
QString slugOf(const QString &name);
// Whether `id` may be used as one: 1 to 64 of [a-z0-9-], starting with a letter or digit.
bool isValidDeviceId(const QString &id);
