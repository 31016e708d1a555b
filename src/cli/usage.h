// SPDX-License-Identifier: MIT
#pragma once
// The help texts: the program's (options, commands, whole-card forms, exit statuses) and
// one command's (its operands and the options it takes).
namespace CLI {
class App;
}

namespace kvt::cli {

// The groups the options are listed in.
inline constexpr const char* kOptionsGroup = "Options";
inline constexpr const char* kCommandOptionsGroup = "Options of some commands";

// Gives the program its description and closing text, and lays out its help and that of
// its commands.
void DescribeUsage(CLI::App& app);

}  // namespace kvt::cli
