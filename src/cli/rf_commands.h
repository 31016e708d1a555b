// SPDX-License-Identifier: MIT
#pragma once
// The contactless card sub-commands: rf-type, rf (activate, status, deactivate, apdu),
// mifare (keys, blocks, purses) and ultralight (pages). Each runs one button of the "RF
// CARD" tab. Sector, block and page numbers are hex as the page's lists show them
// ("27" is sector 39); block and page data are printed and taken as hex bytes.
#include <vector>

#include "commands.h"

namespace kvt::cli {

// Appends the entries to the command table.
void AddRfCommands(std::vector<CommandEntry>& table);

}  // namespace kvt::cli
