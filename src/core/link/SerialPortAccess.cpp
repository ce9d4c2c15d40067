#include "link/SerialPortAccess.h"

#include <QFileInfo>

SerialPortAccess serialPortAccess(const QString &portName)
{
    SerialPortAccess access;
    access.path = portName.contains(QLatin1Char('/')) ? portName : QStringLiteral("/dev/") + portName;
    const QFileInfo device(access.path);
    access.denied = device.exists() && !(device.isReadable() && device.isWritable());
    // The device's group when membership would let its members open it, else the usual one.
    const QFileDevice::Permissions groupAccess = QFileDevice::ReadGroup | QFileDevice::WriteGroup;
    const bool groupGrants = (device.permissions() & groupAccess) == groupAccess &&
                             !device.group().isEmpty() && device.group() != QLatin1String("root");
    if (access.denied)
        access.group = groupGrants ? device.group() : QStringLiteral("dialout");
    return access;
}
