#pragma once

#include <QByteArray>

// Tells the service manager how the gateway is doing (systemd's notify protocol, Type=notify): one datagram
// to the socket named by NOTIFY_SOCKET, such as "READY=1" once it serves. Without NOTIFY_SOCKET (not run as
// such a service) nothing is sent.
namespace ServiceNotify {

// False when there is a socket to tell and the message could not be sent.
bool tell(const QByteArray &state);

} // namespace ServiceNotify
