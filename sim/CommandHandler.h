#pragma once

#include "AudioCommands.h"
#include "DeviceState.h"
#include "MultiviewCommands.h"
#include "OutputCommands.h"
#include "SimRequest.h"
#include "SystemCommands.h"

// Answers one request line the way the device does and applies it to the device state.
class CommandHandler
{
public:
    explicit CommandHandler(DeviceState &state);

    SimResponse handle(const QByteArray &line);
    // Network settings restored by "SET RESET".
    void setFactoryNetwork(const NetworkSettings &network) { factoryNetwork = network; }

    // The answer to a request the device does not know; it carries none of the reply keywords.
    static QByteArray unknownReply() { return QByteArrayLiteral("ERR UNKNOWN COMMAND"); }

private:
    DeviceState &s;
    NetworkSettings factoryNetwork;
    SystemCommands system;
    OutputCommands output;
    MultiviewCommands multiview;
    AudioCommands audio;
};
