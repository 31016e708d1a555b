// SPDX-License-Identifier: MIT
#pragma once
// One run of the command: its own program state, port, log, messages and output, so runs
// on several ports can go at once, each on a thread of its own.
#include <QString>
#include <atomic>

#include "cli_options.h"
#include "commands.h"
#include "core/link/port_map.h"
#include "core/report/run_record.h"
#include "report_file.h"

namespace kvt::cli {

struct PortRunSetup {
  const CliOptions& options;
  const Runner& run;
  bool opensPort = true;  // false: the command opens no port, or opens ports itself (scan)
  QString portName;       // as given: "COM3", a device, a network address
  PortMap map;
  QString prefix;         // put in front of every text line ("COM3: "); empty for one port
  JUnitPart* junit = nullptr;  // script --report: this port's part of the report
};

// The command's record on `portName`, its exit status set (130 when stopped). Prints as it
// goes in text mode, and the JSON object at the end with --json. A script's lines are not
// kept in the record: they go to the JSON spools and the report part as they come.
report::RunRecord RunOnPort(const PortRunSetup& setup, const std::atomic<bool>& stop);

// "card-status", "mifare read 1 3": the command and its operands as typed.
QString CommandText(const CliOptions& o);

}  // namespace kvt::cli
