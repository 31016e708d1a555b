// SPDX-License-Identifier: MIT
#pragma once
// The contact card sub-commands: ic-type, sle4442, sle4428, 24cxx, cpu and sam. Each runs
// one button of the "IC CARD" tab or of the CPU and SAM card windows. Grid contents are
// printed as rows of 16 bytes ("00: A2 13 10 91 ..."); data to write is taken as hex
// operands ("0A 1B 2C" or "0A1B2C").
#include <vector>

#include "commands.h"

namespace kvt::cli {

// Appends the entries to the command table.
void AddContactCommands(std::vector<CommandEntry>& table);

}  // namespace kvt::cli
