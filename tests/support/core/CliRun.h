#pragma once

#include "core/SimDevice.h"

#include <QString>
#include <QStringList>

// One run of lumaplex-cli built beside the tests: its exit code (-1 when it crashed or did not end within a
// minute) and what it printed.
struct CliRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

CliRun runCli(const QStringList &args);
// "127.0.0.1:PORT" of the simulator, as the CLI is given a TCP device.
QString cliAddress(SimDevice &sim);
