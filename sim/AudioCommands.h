#pragma once

#include "DeviceState.h"
#include "SimRequest.h"

// Audio source, volume and mute; on TN386 also the main audio switch and the two microphones.
class AudioCommands
{
public:
    explicit AudioCommands(DeviceState &state) : s(state) {}

    // False when the request is not one of this group (or not offered by the model).
    bool handle(const SimRequest &request, SimResponse *response);

private:
    // "<keyword> n", "<keyword>+" and "<keyword>-" on one volume (the steps clamp to 0..limit).
    bool volume(const SimRequest &request, const char *first, const char *second, int *field,
                SimResponse *response);

    DeviceState &s;
};
