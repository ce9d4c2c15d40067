#pragma once

#include "CliOptions.h"
#include "CliResult.h"

// lumaplex-cli discover CIDR: every device of the range that answers the model query on the control port,
// one line (or JSON object) each as it answers. Exit 0 when one or more answered, 4 when none did, 2 for a
// range that is unreadable or too wide.
int discover(const CliOptions &options);

// --serial DEVICE:auto: finds the speed the device answers at and puts it into `device`; false with
// `failure` when the port cannot be opened or no speed brings an answer.
bool searchSerialSpeed(CliDevice *device, CliResult *failure);
