// SPDX-License-Identifier: MIT
#pragma once
// "script FILE [--repeat N]": runs a command-line script as the command-line window's Start
// does, printing the decoded Command and Reply blocks as its list holds them; "--log" adds
// the raw "SD: " / "RD: " lines after them.
#include <QString>

#include "cli_options.h"
#include "commands.h"

namespace kvt::cli {

// Reads the file and checks every line the run would send before anything is opened.
Runner BindScript(const CliOptions& o, QString* error);

}  // namespace kvt::cli
