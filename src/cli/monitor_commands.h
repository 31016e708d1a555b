// SPDX-License-Identifier: MIT
#pragma once
// monitor (a decoding pass-through between an application and the reader) and pcap (a
// saved communication log turned into a capture).
#include <vector>

#include "commands.h"

namespace kvt::cli {

void AddMonitorCommands(std::vector<CommandEntry>& table);

}  // namespace kvt::cli
