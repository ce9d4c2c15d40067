#pragma once

#include "protocol/ReplyRule.h"
#include "setup/SetupKeys.h"

#include <QByteArray>

#include <functional>
#include <vector>

// The device's model and multiview settings as the request builders look them up in the application state.
struct BuildContext
{
    quint32 model = 5;
    quint32 multiviewMode = 0;
    quint32 pipPosition = 0;
    quint32 pipSize = 0;
    quint32 layoutIndex = 0; // layout number - 1

    // The context a device of `model` holding `values` gives (what the values leave open stays 0).
    static BuildContext of(quint32 model, const SetupValues &values);
};

struct CapturedRequest
{
    QByteArray line; // CR included
    ReplyRule rule;
};

// Runs `build` (calls of request builders) with the application state's model and multiview settings set
// from `context`, and returns the requests the builders formatted instead of queuing them. The application
// state and the request sink are as before afterwards, so the setup code can form its requests without
// touching what the pages mirror of the device.
std::vector<CapturedRequest> captureRequests(const BuildContext &context, const std::function<void()> &build);
