// SPDX-License-Identifier: MIT
#pragma once
// The whole-card sub-commands of mifare, ultralight, sle4442, sle4428 and 24cxx (dump and
// restore) and the offline "mifare access". Operands and files are checked, and a file to
// restore is read whole, before anything is opened or sent.
#include <optional>

#include "commands.h"

namespace kvt::cli {

// The runner of one of these sub-commands; nullopt when the sub-command is none of them.
// On a mistake sets *error and gives an empty runner.
std::optional<Runner> BindDumpCommand(const CliOptions& o, QString* error);

// True for sub-commands that need no reader ("mifare access").
bool RunsOffline(const CliOptions& o);

}  // namespace kvt::cli
