#pragma once

#include "CliOptions.h"
#include "CliResult.h"

#include "session/LinkSession.h"
#include "setup/DeviceSetup.h"

#include <QByteArray>
#include <QObject>

#include <functional>
#include <memory>

class LinkExchange;
class SetupReader;
class SetupRestore;

// Runs the command on one device: opens the link through a link session (with the link rules of the main
// window: one command in flight, the gap before each write, reply time-outs, pauses), does the command's
// work and tells its result; the link closes with the runner. Nothing waits: every step goes on from the
// event loop, so that the runners of many devices work at once in one process. A snapshot file is read
// before the device is touched.
class CliRunner
{
public:
    using Done = std::function<void(const CliResult &)>;

    CliRunner(const CliOptions &options, const CliDevice &device);
    ~CliRunner();

    // Starts the command; `done` is called once with its result (at once for a usage error). The traffic of
    // a log goes to standard output meanwhile, each line after `logPrefix`, until its link is lost or
    // endLog() ends it.
    void start(const Done &done, const QByteArray &logPrefix = QByteArray());
    // Ends a log that is still running ("log ended"); nothing for any other command.
    void endLog();
    // Opens the link and reads the device's whole state into the session's device model; `done` is called
    // once with the result, and the link stays open. A serial speed to be searched for is searched for first.
    void startOpenAndReadAll(const Done &done);
    LinkSession &linkSession() { return session; }
    // The speed found for --serial DEVICE:auto (0 when none was searched).
    qint32 searchedBaud() const { return foundBaud; }

private:
    // Opens the link, then calls `next` (with Done, or the failure). The traffic log, the search for a serial
    // speed and the dialling.
    void open(const Done &next);
    // Reads `groups` (only the model when empty) into `reader`, then calls `next` (with Done, or the failure
    // that the read's outcome means).
    void read(const QList<SetupGroup> &groups, const Done &next);
    void restore(const DeviceSetup &target, bool withLink, const QString &what, const Done &next);
    void runCommand(const DeviceSetup &file);

    void identify();
    void sync();
    void get();
    void set();
    void send();
    // Sends the request and ends with the line that answered it (`complete` adds to that result), or with
    // the time-out or the lost link.
    void exchangeOne(const Request &request, const QString &what,
                     const std::function<void(CliResult &)> &complete);
    // action: the action named and its argument as the request takes it (an EDID image read from its file),
    // checked before the device is touched; a usage failure otherwise.
    CliResult prepareAction();
    void action();
    // settings, actions: the device's model described.
    void describe();
    void snapshot(const DeviceSetup &file);
    void log();
    CliResult restoreResult(const DeviceSetup &target, const QString &what) const;
    CliResult linkLost() const;
    void endStep();
    void finish(const CliResult &result);

    const CliOptions &options;
    CliDevice device;
    LinkSession session;
    std::unique_ptr<SetupReader> reader;
    std::unique_ptr<SetupRestore> restorer;
    std::unique_ptr<LinkExchange> exchange;
    // Holds the connections of the step under way (opening, a log), which end with it; a child of the
    // session.
    QObject *step = nullptr;
    Done whenDone;
    QByteArray prefix;
    bool logging = false;
    qint32 foundBaud = 0;
    QByteArray actionArgument;
    // An answer of the device that refused the request under way (a user EDID it did not take).
    QString refusedWith;
};
