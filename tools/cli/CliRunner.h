#pragma once

#include "CliOptions.h"
#include "CliResult.h"

#include "session/LinkSession.h"
#include "setup/DeviceSetup.h"

#include <QObject>

#include <functional>

class SetupReader;
class SetupRestore;

// Runs the command on one device: opens the link through a link session (with the link rules of the main
// window: one command in flight, the gap before each write, reply time-outs, pauses), does the command's
// work and closes the link. A snapshot file is read before the device is touched.
class CliRunner
{
public:
    CliRunner(const CliOptions &options, const CliDevice &device);

    CliResult run();
    // Opens the link and reads the device's whole state into the session's device model; the link stays open.
    CliResult openAndReadAll();
    LinkSession &linkSession() { return session; }
    // The speed found for --serial DEVICE:auto (0 when none was searched).
    qint32 searchedBaud() const { return foundBaud; }

private:
    bool open(CliResult *failure);
    CliResult identify();
    CliResult sync();
    CliResult get();
    CliResult set();
    CliResult send();
    CliResult snapshot(const DeviceSetup &file);
    CliResult log();

    // Reads `groups`; false with *failure set when the read did not finish with every value.
    bool read(SetupReader &reader, const QList<SetupGroup> &groups, quint32 model, CliResult *failure);
    CliResult restore(const DeviceSetup &target, bool withLink, const QString &what);
    // Runs the event loop until `done` holds; it is checked after every event of `sender`'s `signal`.
    template <class Sender, class Signal>
    void waitFor(Sender *sender, Signal signal, const std::function<bool()> &done);

    const CliOptions &options;
    CliDevice device;
    LinkSession session;
    qint32 foundBaud = 0;
};
