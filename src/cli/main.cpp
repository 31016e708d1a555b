// SPDX-License-Identifier: MIT
// kvt730ctl: the reader operations from a terminal.
#include <QCoreApplication>
#include <memory>
#include <vector>

#include "cli_options.h"
#include "commands.h"
#include "core/base/tool_version.h"
#include "dump_commands.h"
#include "exit_status.h"
#include "many_ports.h"
#include "output.h"
#include "port_run.h"
#include "report_file.h"
#include "simulation/simulation.h"
#include "stop_signals.h"

using namespace kvt;
using namespace kvt::cli;

namespace {

int BadInput(const QString& error) {
  PrintError(error);
  PrintError(QStringLiteral("see kvt730ctl --help"));
  return kExitBadInput;
}

// What --ports cannot go with; empty when the command may run on several ports.
QString RefusalForPorts(const CliOptions& o, const CommandEntry& entry) {
  if (!entry.opensPort || RunsOffline(o))
    return QStringLiteral("--ports: %1 opens no port of its own to run on (it needs none, or searches the "
                          "ports itself)")
        .arg(CommandText(o));
  if (o.simulate) {
    for (const QString& name : o.ports)
      if (ComNumber(name) == 0)
        return QStringLiteral("--simulate with --ports starts one simulated reader per port and needs COMn "
                              "names: %1 is none")
            .arg(name);
  }
  return QString();
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);

  const ParsedArgs parsed = ParseArgs(args);
  if (!parsed.ok()) return BadInput(parsed.error);
  const CliOptions& o = parsed.options;
  if (!parsed.help.isEmpty()) {
    PrintRaw(parsed.help);
    return kExitOk;
  }
  if (o.version) {
    PrintLine(QStringLiteral("kvt730ctl ") + ToolVersion());
    return kExitOk;
  }
  if (o.command.isEmpty()) return BadInput(QStringLiteral("no command given"));
  const CommandEntry* entry = FindCommand(o.command);
  if (!entry) return BadInput(QStringLiteral("unknown command %1").arg(o.command));
  QString error;
  const Runner run = entry->bind(o, &error);
  if (!run) return BadInput(error);

  PortMap map;
  for (const QString& entry : o.portOverrides) map.parseOverride(entry);
  const bool manyPorts = !o.ports.isEmpty();
  if (manyPorts) {
    error = RefusalForPorts(o, *entry);
    if (error.isEmpty()) error = CheckPortList(o.ports, map);
    if (!error.isEmpty()) return BadInput(error);
  }
  if (o.report) {
    error = CheckReportPath(*o.report);
    if (!error.isEmpty()) return BadInput(error);
  }

  // Declared before the ports, so they close before the simulated readers stop.
  std::vector<std::unique_ptr<Simulation>> simulations;
  if (o.simulate) {
    const QStringList names = manyPorts ? o.ports : QStringList{QStringLiteral("COM1")};
    for (const QString& name : names) {
      simulations.push_back(std::make_unique<Simulation>());
      if (!simulations.back()->start(map, &error, ComNumber(name))) {
        PrintError(QStringLiteral("cannot start the simulated reader: %1").arg(error));
        return kExitPort;
      }
    }
  }

  // script's JUnit report, a part per port written as the runs go; qualify and wear
  // write their own.
  const bool junitReport = o.report && o.command == QLatin1String("script");
  const QString onePort = o.port.isEmpty() ? QStringLiteral("COM1") : o.port;
  std::vector<std::unique_ptr<JUnitPart>> junitParts;
  std::vector<JUnitPart*> junit;
  if (junitReport) {
    for (const QString& name : manyPorts ? o.ports : QStringList{onePort}) {
      junitParts.push_back(std::make_unique<JUnitPart>(name, o.operands.value(0), manyPorts));
      if (!junitParts.back()->open(*o.report, &error)) return BadInput(error);
      junit.push_back(junitParts.back().get());
    }
  }

  InstallStopSignals();
  const std::atomic<bool>& stop = StopRequest();
  std::vector<report::RunRecord> records;
  if (manyPorts) {
    records = RunOnPorts(o, run, map, stop, junit);
  } else {
    const PortRunSetup setup{o,       run, entry->opensPort && !RunsOffline(o), onePort, map, QString(),
                             junit.empty() ? nullptr : junit.front()};
    records.push_back(RunOnPort(setup, stop));
  }

  std::vector<int> codes;
  for (const report::RunRecord& r : records) codes.push_back(r.exitStatus);
  int rc = WorstExit(codes);
  if (junitReport && !WriteReport(*o.report, junit, &error)) {
    PrintError(error);
    rc = WorstExit({rc, kExitBadInput});
  }
  if (const int signal = StopSignal()) {
    PrintError(QStringLiteral("stopped by %1").arg(QLatin1String(StopSignalName(signal))));
    rc = kExitInterrupted;
  }
  return rc;
}
