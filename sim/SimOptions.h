#pragma once

#include <QHostAddress>
#include <QString>
#include <QStringList>

class QCoreApplication;

// Everything the simulator can be told on its command line.
struct SimOptions
{
    QString model = QStringLiteral("RKA204QE");
    bool modelGiven = false;
    // --model A,B,...: the models the devices of a fleet take in turn (the first one is `model`).
    QStringList models{QStringLiteral("RKA204QE")};

    // A fleet (--devices N): N independent devices in one process, each on a TCP port of its own.
    int devices = 1;
    bool devicesGiven = false;
    // The control port on which single devices are made to fail (--control).
    bool controlEnabled = false;
    QHostAddress controlAddress = QHostAddress(QHostAddress::LocalHost);
    quint16 controlPort = 0;
    // The device's index in its fleet, from 0; -1 for a simulator that is not part of a fleet.
    int index = -1;

    bool tcpEnabled = true;
    QHostAddress tcpAddress = QHostAddress(QHostAddress::LocalHost);
    quint16 tcpPort = 2000;
    bool tcpGiven = false;
    bool listenAny = false;

    QString ptyLink;
    // The device's serial speed; over the pseudo-terminal it then answers only a line set as its own.
    int baud = 0;
    QString stateFile;
    bool crOnly = false;
    int resetMs = 3000;

    bool silent = false;
    QStringList noReply;
    int delayMs = 0;
    int dropEvery = 0;
    int garbageEvery = 0;
    bool split = false;
    int disconnectAfter = 0;
    int flood = 0;
    // Milliseconds after start from which nothing is answered any more; -1: never.
    int freezeAfterMs = -1;
    bool announce = false;
    bool quiet = false;
};

// Outcome of reading the command line: run with the options, or leave at once with an exit code (after
// --help, --version or an invalid option, whose message has already been printed).
struct SimOptionsResult
{
    bool run = false;
    int exitCode = 0;
    SimOptions options;
};

SimOptionsResult parseSimOptions(const QCoreApplication &app);

// Writes one of the simulator's messages to standard error at once.
void printError(const QString &message);

// The largest fleet one process serves.
constexpr int MaxDevices = 1000;

// "[ADDR:]PORT" into an address and a port; false when it cannot be read.
bool parseListenAddress(const QString &text, QHostAddress *address, quint16 *port);
