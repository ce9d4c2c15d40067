#pragma once

#include "protocol/Request.h"
#include "protocol/Settings.h"

#include <vector>

// Which part of a setup a plan writes. A restore writes them in this order: the output, EDID and audio
// settings with the multiview layout, then (once the device shows that layout) the layout's options, user
// window and window sources, and last, only when asked for, the device's own link settings.
enum class PlanPart
{
    Settings,
    MultiviewDetails,
    Link
};

// The change requests that make a device of `model` holding `current` hold the values of `target` for the
// keys of `part`: one request per value of `target` that `current` does not hold (a user resolution, a
// window rectangle and the network settings go as one request each), in the order of the key table. Link
// settings put the one of the link in use (`linkType`, 1 serial, 2 TCP client) last, since the link breaks
// once the device takes it.
std::vector<Request> planSetup(quint32 model, const SetupValues &current, const SetupValues &target,
                               PlanPart part, quint32 linkType = 0);

// The part a key belongs to.
PlanPart planPartOf(const Setting &key);
