#pragma once

#include "HttpMessage.h"

#include <QJsonObject>

#include <functional>

class GatewayDevice;

// The changes a client asks of a device: checked whole against the settings and actions tables and the
// device's present values before anything is sent, then queued on the device and answered once the device
// has replied. Nothing is sent for a request that is refused. `by` names the client in the change stream.
namespace GatewayWrites {

using Answer = std::function<void(const HttpResponse &)>;

// PUT .../values with {"key": value, ...}, written in the order a setup restore uses.
void putValues(GatewayDevice &device, const QString &by, const QJsonObject &body, const Answer &answer);
// PUT .../setup with a setup file of the device's model: its values but the link settings, put as above.
void putSetup(GatewayDevice &device, const QString &by, const QByteArray &file, const Answer &answer);
// POST .../actions/NAME with its argument ({"scene": 3}; an EDID image as base64 text).
void runAction(GatewayDevice &device, const QString &by, const QString &name, const QJsonObject &body,
               const Answer &answer);
// POST .../lines with {"line": "GET OUT HDCP"}: the line and the first line that comes back.
void sendLine(GatewayDevice &device, const QString &by, const QJsonObject &body, const Answer &answer);

// The refusal for a device that cannot take changes now (down, restarting, not read yet); an invalid
// response (status 0) when it can.
HttpResponse unavailable(const GatewayDevice &device);

} // namespace GatewayWrites
