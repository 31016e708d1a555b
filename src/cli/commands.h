// SPDX-License-Identifier: MIT
#pragma once
// The sub-commands: one reader operation each, run through the same core functions
// as the windows' buttons.
#include <QString>
#include <atomic>
#include <functional>
#include <vector>

#include "cli_options.h"
#include "core/link/session.h"
#include "core/report/run_record.h"

namespace kvt::cli {

struct Context {
  Session& session;
  const CliOptions& options;
  report::RunRecord& record;     // what the run shows, as data (script lines, for the report)
  const std::atomic<bool>& stop;  // set by Ctrl-C: the run ends as the window's Cancel ends it

  bool stopRequested() const { return stop.load(std::memory_order_relaxed); }
};

// Runs the operation on an open port and gives the exit status.
using Runner = std::function<int(Context&)>;

struct CommandEntry {
  const char* name;
  const char* synopsis;  // operands, for the help text
  const char* summary;
  bool opensPort;        // false: the command opens ports itself (scan)
  // Checks the operands before anything is opened or sent. On a mistake sets *error
  // and gives an empty runner.
  std::function<Runner(const CliOptions&, QString* error)> bind;
};

const std::vector<CommandEntry>& Commands();
const CommandEntry* FindCommand(const QString& name);

}  // namespace kvt::cli
