// SPDX-License-Identifier: MIT
#pragma once
// INITIALIZE with its option, then the firmware version request.
#include <functional>

#include "operation.h"

namespace kvt {

struct InitOption {
  const char* objectName;
  const char* caption;
  uint8_t code;
};
// The six choices of the "Initialize Option" dialog, top to bottom.
extern const InitOption kInitOptions[6];

// chooseOption runs after the log start and returns the parameter code, or 0 to send nothing
// (the dialog in the window, a fixed value on the command line). It is stored in
// AppState::InitializeParameter.
Outcome Initialize(Session& s, const QString& addressText, const std::function<int()>& chooseOption);

}  // namespace kvt
