#pragma once

#include "DeviceState.h"
#include "SimRequest.h"

// Output timing, HDCP, no-signal screen, ITC, 4K auto and the measured input resolution.
class OutputCommands
{
public:
    explicit OutputCommands(DeviceState &state) : s(state) {}

    // False when the request is not one of this group.
    bool handle(const SimRequest &request, SimResponse *response);

private:
    DeviceState &s;
};
