// SPDX-License-Identifier: MIT
#include "exit_status.h"

#include <algorithm>

namespace kvt::cli {

int ExitCodeFor(OpStatus status) {
  switch (status) {
    case OpStatus::Done: return kExitOk;
    case OpStatus::Negative:
    case OpStatus::Unrecognised: return kExitNegative;  // a whole reply came, not a positive one
    case OpStatus::ExchangeFailed: return kExitExchange;
    case OpStatus::BadInput:
    case OpStatus::Cancelled: return kExitBadInput;
    case OpStatus::PortClosed: return kExitPort;
  }
  return kExitExchange;
}

int ExitCodeFor(OpenError error) { return error == OpenError::None ? kExitOk : kExitPort; }

int WorstExit(const std::vector<int>& codes) {
  int worst = kExitOk;
  for (int c : codes) {
    if (c == kExitInterrupted) return kExitInterrupted;
    worst = std::max(worst, c);
  }
  return worst;
}

}  // namespace kvt::cli
