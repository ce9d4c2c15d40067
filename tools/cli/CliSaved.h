#pragma once

#include "CliOptions.h"

#include <QString>

// The device list that the main window keeps (saved devices), from the command line.

// Uses the folders of the main window: DIR as with lumaplex --app-dir, else those that suit where the
// program lies (beside it in a build or portable copy, else the user's data folder).
void useCliFolders(const QString &appDir);
// The saved device called `name`; false with `error` when there is none or the list cannot be read.
bool findSavedDevice(const QString &name, CliDevice *device, QString *error);
// Prints the saved devices, one line (or JSON object) each, and returns the exit code.
int listSavedDevices(bool json);
