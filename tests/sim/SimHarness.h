#pragma once

// The simulator harness lives with the shared test support, so that the end-to-end tests and the benchmark
// drive the simulator the same way.
#include "core/SimHarness.h"
