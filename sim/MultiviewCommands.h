#pragma once

#include "DeviceState.h"
#include "SimRequest.h"

// Multiview mode, window sources, PIP, split layouts, user rectangles, auto switch and scenes.
class MultiviewCommands
{
public:
    explicit MultiviewCommands(DeviceState &state) : s(state) {}

    // False when the request is not one of this group.
    bool handle(const SimRequest &request, SimResponse *response);

    // The "MULTIVIEW-SYNC" value: mode, four window words ("NULL" for windows the mode does not show) and
    // the mode's own words.
    QByteArray syncValue() const;

private:
    bool splitLayout(const SimRequest &request, SimResponse *response);
    bool rectangle(const SimRequest &request, SimResponse *response);
    bool scene(const SimRequest &request, SimResponse *response);

    DeviceState &s;
};
