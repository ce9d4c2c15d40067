#pragma once

struct CliOptions;

// Watches every device of `options` at once, each through its own link session in this process: reads each
// device's whole state, then again every --interval seconds, and prints one line per value that changed
// (standard output, flushed at once) until SIGINT or SIGTERM (exit 0), until a link is lost or a device stops
// answering (exit 3, one line naming the device on standard error), or until a device cannot be read at
// the start (its exit code).
int watchDevices(const CliOptions &options);
