#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One device the command runs on.
struct CliDevice
{
    bool serial = false;
    QString address; // host, or the serial port
    QString port;    // TCP port
    QString baud;    // serial baud rate, or "auto" to search it
    // As given on the command line ("host:port", "port:baud").
    QString text;
};

struct CliOptions
{
    QList<CliDevice> devices;
    // identify, sync, get, set, send, action, actions, settings, snapshot, log, watch, devices, discover
    QString command;
    QStringList arguments; // the command's arguments
    bool json = false;
    bool withLink = false;
    quint16 discoverPort = 2000; // discover: the control port asked
    int watchInterval = 10;      // watch: seconds between two reads of a device's whole state
    int model = -1;              // settings, actions: the model described without a device (a ModelIndex)
    QString language;            // settings, actions: the labels' language, english (empty) or other
};

// Outcome of reading the command line: run with the options, or leave at once with the exit code (after
// --help, --version or a usage error, whose message has been printed).
struct CliParse
{
    bool run = false;
    int exitCode = 0;
    CliOptions options;
};

CliParse parseCliOptions(const QStringList &arguments);
