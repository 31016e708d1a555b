// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

namespace sim {

// One piece of the reader's output. Emissions are written in order; each one
// waits delayMs after the previous one went out (the first after the bytes
// that caused it arrived).
//
// cancelPending marks the host's EOT: whoever writes the emissions drops
// every emission still waiting to be written, including ones returned
// earlier in the same batch, then carries on with what follows the marker.
// A marker carries no bytes.
struct Emission {
  int delayMs = 0;
  std::vector<uint8_t> bytes;
  bool cancelPending = false;
};

}  // namespace sim
