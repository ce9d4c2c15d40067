#pragma once

#include <QString>

// Whether the current user may open a serial device, and if not, the group that would give the permission
// (on Debian the serial ports belong to the group "dialout").
struct SerialPortAccess
{
    QString path; // the device file, e.g. "/dev/ttyUSB0"
    bool denied = false;
    QString group; // when denied: the device's group if it grants access, else "dialout"
};

// `portName` as the port box holds it: a name from the port list ("ttyUSB0", found below /dev) or a typed
// path. A device that does not exist is not denied.
SerialPortAccess serialPortAccess(const QString &portName);
