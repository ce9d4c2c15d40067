#pragma once

#include "protocol/Settings.h"

#include <QtGlobal>

// Model index that means "no device identified yet".
constexpr quint8 NoModel = 5;

// What the request builders need to know of a device: whether and as what it was identified, its number of
// video inputs and the mirror of its multiview arrangement.
struct DeviceContext
{
    bool ModelIdentified = false;
    quint8 CurrentModel = NoModel;
    quint32 InputCount = 0;

    quint32 MultiviewMode = 0;
    quint32 ModeCount = 0;
    quint32 AspectIndex = 0;
    quint32 ModeIndex = 0;
    quint32 PipPosition = 0;
    quint32 PipSize = 0;
    quint32 WindowSource[4] = {0, 0, 0, 0};

    // The context of a device of `model` that holds the setup `values` (what the values leave open is 0).
    static DeviceContext of(quint32 model, const SetupValues &values);
};
