#pragma once

#include "CliOptions.h"

#include <QString>

// The device list that the main window keeps (saved devices), from the command line.

// The saved device called `name`; false with `error` when there is none or the list cannot be read.
bool findSavedDevice(const QString &name, CliDevice *device, QString *error);
// Prints the saved devices, one line (or JSON object) each, and returns the exit code.
int listSavedDevices(bool json);
