#pragma once

#include "SimOptions.h"

#include <QByteArray>
#include <QObject>

#include <memory>
#include <vector>

class ControlPort;
class Simulator;

// The simulator's devices: one alone, as the options describe it, or a fleet (--devices N) of independent
// devices, each with its own state, port, state file and faults, taking the models in turn. The control
// port (--control) makes single devices fail on purpose.
class SimFleet : public QObject
{
    Q_OBJECT
public:
    explicit SimFleet(const SimOptions &options, QObject *parent = nullptr);
    ~SimFleet() override;

    // Starts every device and the control port; a fleet then prints "INDEX PORT" for each device. False
    // (with a message on standard error) when one of them cannot start.
    bool start();
    // Saves every device's state and closes its links.
    void shutdown();

    // Runs one line of the control port ("FAULT INDEX freeze|silent|disconnect|clear"): "OK", or "ERROR"
    // and what is wrong with the line, which then changes nothing.
    QByteArray control(const QByteArray &line);

    // The options of the device with `index` in a fleet: its model, port and state file.
    static SimOptions deviceOptions(const SimOptions &fleet, int index);

private:
    SimOptions options;
    std::vector<std::unique_ptr<Simulator>> devices;
    ControlPort *controlPort = nullptr;
};
