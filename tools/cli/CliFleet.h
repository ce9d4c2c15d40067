#pragma once

struct CliOptions;

// Runs the command on every device of the options at once in this process, each through a link session of
// its own. One device prints its result as the command does; several print one result row per device (in
// the order the devices were given): device, status and message, or with --json an array of the devices'
// result objects. The log command streams every device's lines, prefixed with the device when there are
// several, until interrupted. Returns the highest exit code of the devices.
int runDevices(const CliOptions &options);
