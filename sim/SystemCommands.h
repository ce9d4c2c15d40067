#pragma once

#include "DeviceState.h"
#include "SimRequest.h"

// Identification, firmware versions, EDID, baud rate and network settings.
class SystemCommands
{
public:
    explicit SystemCommands(DeviceState &state) : s(state) {}

    // False when the request is not one of this group.
    bool handle(const SimRequest &request, SimResponse *response);

private:
    void edidUser(const SimRequest &request, const QList<QByteArray> &args, SimResponse *response);
    void networkInfo(const SimRequest &request, const QList<QByteArray> &args, SimResponse *response);
    QByteArray networkText() const;

    DeviceState &s;
};
