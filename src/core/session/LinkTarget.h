#pragma once

#include "config/AppState.h"

#include <QString>

// The settings of a serial link, as decimal texts of Qt's enumeration values.
struct LinkSerialSettings
{
    QString portName;
    QString baudRate = QStringLiteral("9600");
    QString dataBits = QStringLiteral("8");
    QString parity = QStringLiteral("0");
    QString stopBits = QStringLiteral("1");
    QString flowControl = QStringLiteral("0");
};

// Where a link goes: the transport (LinkType) and its parameters.
struct LinkTarget
{
    quint32 type = LinkNone;
    LinkSerialSettings serial;
    QString localIp;
    QString remoteIp;
    QString remotePort;
};
