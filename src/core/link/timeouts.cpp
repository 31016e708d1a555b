// SPDX-License-Identifier: MIT
#include "timeouts.h"

#include <algorithm>

namespace kvt {

Timeouts Timeouts::scaled(int factor) const {
  Timeouts t = *this;
  if (factor <= 1) return t;
  for (int* v : {&t.ack, &t.header, &t.remainder, &t.eotAnswer, &t.probeAck, &t.probeHeader,
                 &t.probeRemainder, &t.scanDelay, &t.scanHeader, &t.scanRemainder})
    *v = std::max(1, *v / factor);
  return t;
}

}  // namespace kvt
