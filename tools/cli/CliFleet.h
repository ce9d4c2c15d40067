#pragma once

struct CliOptions;

// Runs the command on every device of the options at once, each in a child process of this program with
// that one device, and prints one result row per device (in the order the devices were given): device,
// status and message, or with --json an array of the devices' result objects. The log command streams
// every device's lines prefixed with the device instead. Returns the highest exit code of the devices.
int runFleet(const CliOptions &options);
