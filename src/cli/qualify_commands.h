// SPDX-License-Identifier: MIT
#pragma once
// qualify (one verdict on a unit) and wear (thousands of card movements, timed).
#include <vector>

#include "commands.h"

namespace kvt::cli {

void AddQualifyCommands(std::vector<CommandEntry>& table);

}  // namespace kvt::cli
