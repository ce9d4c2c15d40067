#pragma once

#include "CliOptions.h"
#include "CliResult.h"

#include "session/LinkSession.h"
#include "setup/DeviceSetup.h"

#include <QObject>

#include <functional>
#include <memory>

class SetupReader;
class SetupRestore;

// Runs the command on one device: opens the link through a link session (with the link rules of the main
// window: one command in flight, the gap before each write, reply time-outs, pauses), does the command's
// work and closes the link. A snapshot file is read before the device is touched.
class CliRunner
{
public:
    CliRunner(const CliOptions &options, const CliDevice &device);
    ~CliRunner();

    CliResult run();
    // Opens the link and reads the device's whole state into the session's device model; the link stays open.
    CliResult openAndReadAll();
    // The same without waiting for it: `done` is called once with the result, when the read has ended or the
    // link could not be opened (a serial speed to be searched for is searched for first, before it returns).
    void startOpenAndReadAll(const std::function<void(const CliResult &)> &done);
    LinkSession &linkSession() { return session; }
    // The speed found for --serial DEVICE:auto (0 when none was searched).
    qint32 searchedBaud() const { return foundBaud; }

private:
    bool open(CliResult *failure);
    // What opening does before it dials (the traffic log, the search for a serial speed); false with
    // *failure set when the search found none.
    bool beginOpen(CliResult *failure);
    void dialDevice();
    CliResult openFailure(int code, const QString &reason) const;
    // Done, or the failure that the read's outcome means.
    CliResult readResult(const SetupReader &reader) const;
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
    std::unique_ptr<SetupReader> reader;
    qint32 foundBaud = 0;
};
