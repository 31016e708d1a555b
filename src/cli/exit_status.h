// SPDX-License-Identifier: MIT
#pragma once
// The program's exit status for each way an operation can end.
#include <vector>

#include "core/link/serial_port.h"
#include "core/machine/operation.h"

namespace kvt::cli {

enum ExitCode {
  kExitOk = 0,         // the reader carried the command out
  kExitNegative = 1,   // the reader refused it (negative reply)
  kExitExchange = 2,   // no usable reply: time-out, no acknowledgement, broken reply
  kExitBadInput = 3,   // the command line itself is wrong; nothing was sent
  kExitPort = 4,       // the port could not be opened
  kExitService = 5,    // pcsc: the smart-card service returned an error code
  kExitInterrupted = 130,  // stopped by Ctrl-C (SIGINT) or SIGTERM, as the shells count it
};

int ExitCodeFor(OpStatus status);
int ExitCodeFor(OpenError error);

// The exit status of runs on several ports: 130 when any was interrupted (the whole run
// was), else the highest; 0 for none.
int WorstExit(const std::vector<int>& codes);

}  // namespace kvt::cli
