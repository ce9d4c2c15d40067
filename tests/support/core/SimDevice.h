#pragma once

#include "SimHarness.h"

#include <QJsonObject>
#include <QStringList>
#include <QTemporaryDir>

// One lumaplex-sim process as the device at the far end of the real tool: a model, a state file in its own
// temporary directory (optionally seeded before the start), TCP on a free loopback port and, when asked, a
// serial line on a pseudo-terminal. What the device received is read back from its traffic log on standard
// output, what it holds from its state file.
class SimDevice
{
public:
    SimDevice();

    // The device state the simulator starts from; fields not given keep their factory values. Call before
    // start().
    void seedState(const QJsonObject &state);
    // Starts the simulator with `args` (model, faults...) plus its state file and, with `withPty`, a
    // pseudo-terminal reached through ptyLink(). The traffic is always logged.
    bool start(const QStringList &args, bool withPty = false);
    int stop();

    // TCP port it listens on (the one printed at start, or the last one it moved to).
    quint16 port();
    // Path of the serial line's symbolic link (the tool opens it as its port).
    QString ptyLink() const;

    // Request lines the device received so far, in order, without their CR.
    QStringList requests();
    // The whole traffic log so far.
    QString log();
    // Number of log lines that contain `text`.
    int logLines(const QString &text);
    // Number of TCP connections the device accepted so far.
    int connections();
    // What the device's state file holds now.
    QJsonObject state() const;
    QString stateFile() const;

    SimHarness::SimProcess process;

private:
    QTemporaryDir dir;
};
