// SPDX-License-Identifier: MIT
// The contract between the reader's dispatcher and the code that carries out
// one command code. The dispatcher owns the framing, faults and the
// initialise gate; a handler only looks at the command and the reader state
// and says what the answer is. Handlers are registered per command code with
// Reader::addHandler, so card command families live in classes of their own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/reader_state.h"

namespace sim {

struct Command {
  uint8_t cm = 0;
  uint8_t pm = 0;
  std::vector<uint8_t> data;
};

struct Reply {
  bool positive = true;
  std::vector<uint8_t> data;  // after the status or error characters
  std::string error = "00";   // negative replies: two characters

  static Reply ok(std::vector<uint8_t> data = {}) {
    Reply r;
    r.data = std::move(data);
    return r;
  }
  static Reply ok(const std::string& text) {
    return ok(std::vector<uint8_t>(text.begin(), text.end()));
  }
  static Reply fail(std::string code, std::vector<uint8_t> extra = {}) {
    Reply r;
    r.positive = false;
    r.error = std::move(code);
    r.data = std::move(extra);
    return r;
  }
};

class CommandHandler {
 public:
  virtual ~CommandHandler() = default;
  // Carries out the command against the state. Unknown parameter codes should
  // answer Reply::fail(err::kBadParameter).
  virtual Reply handle(const Command& cmd, ReaderState& state) = 0;
};

}  // namespace sim
