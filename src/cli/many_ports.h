// SPDX-License-Identifier: MIT
#pragma once
// "--ports LIST": the same command on every port at once, one connection, session and
// thread each; every line carries its port in front.
#include <QString>
#include <QStringList>
#include <atomic>
#include <vector>

#include "cli_options.h"
#include "commands.h"
#include "core/link/port_map.h"
#include "core/report/run_record.h"
#include "report_file.h"

namespace kvt::cli {

// Checks the list against the map before anything opens: no port twice (also not under two
// names of one device). Empty when fine, else what is wrong.
QString CheckPortList(const QStringList& names, const PortMap& map);

// "COM3" -> 3 (any case); 0 for a device or an address.
int ComNumber(const QString& name);

// Runs the command on each port on a thread of its own and waits for all of them; the
// records in the order of the list. `junit`: each port's part of script's report, in the
// order of the list, or empty.
std::vector<report::RunRecord> RunOnPorts(const CliOptions& o, const Runner& run, const PortMap& map,
                                          const std::atomic<bool>& stop, const std::vector<JUnitPart*>& junit);

}  // namespace kvt::cli
