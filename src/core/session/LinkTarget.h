#pragma once

#include "config/AppState.h"
#include "link/SerialLinkPort.h"

#include <QString>

// Where a link goes: the transport (LinkType) and its parameters.
struct LinkTarget
{
    quint32 type = LinkNone;
    LinkSerialSettings serial;
    QString localIp;
    QString remoteIp;
    QString remotePort;
};
