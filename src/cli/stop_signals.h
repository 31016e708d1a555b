// SPDX-License-Identifier: MIT
#pragma once
// Ctrl-C (SIGINT) and SIGTERM ask the run to stop instead of ending the program midway: the
// handler only sets a flag, and the port waits look at it between short slices. A second
// signal ends the program at once, as the default action does.
#include <atomic>

namespace kvt::cli {

// Installs the handlers for SIGINT and SIGTERM.
void InstallStopSignals();

// Set once a stop signal came.
const std::atomic<bool>& StopRequest();

// The signal that asked for the stop; 0 while none came.
int StopSignal();

// "SIGINT", "SIGTERM" or "a signal".
const char* StopSignalName(int signal);

}  // namespace kvt::cli
