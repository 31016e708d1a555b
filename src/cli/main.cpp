// kvt730ctl: the reader operations from a terminal.
#include <QCoreApplication>
#include <memory>

#include "app/simulation.h"
#include "cli_options.h"
#include "collected_log.h"
#include "commands.h"
#include "dump_commands.h"
#include "exit_status.h"
#include "link/port_setup.h"
#include "link/line_port.h"
#include "output.h"
#include "print_notifier.h"
#include "usage.h"

#ifndef KVT_VERSION
#define KVT_VERSION "0.0.0"
#endif

using namespace kvt;
using namespace kvt::cli;

namespace {

int BadInput(const QString& error) {
  PrintError(error);
  PrintError(QStringLiteral("see kvt730ctl --help"));
  return kExitBadInput;
}

// Opens the chosen port; on failure prints the port setup dialog's message.
int OpenPort(Session& s, const CliOptions& o) {
  const QString name = o.port.isEmpty() ? QStringLiteral("COM1") : o.port;
  const QString device = s.portMap.resolve(name);
  const OpenError e = s.port.open(device, o.baud);
  if (e == OpenError::None) {
    s.state.PortOpened = true;
    return kExitOk;
  }
  if (const auto text = OpenFailureText(e, device)) s.notifier.warn(kCaution, *text);
  else PrintError(QStringLiteral("cannot open %1 at %2 baud").arg(device).arg(o.baud));
  return kExitPort;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);

  const ParsedArgs parsed = ParseArgs(args);
  if (!parsed.ok()) return BadInput(parsed.error);
  const CliOptions& o = parsed.options;
  if (o.help) {
    PrintRaw(UsageText());
    return kExitOk;
  }
  if (o.version) {
    PrintLine(QStringLiteral("kvt730ctl " KVT_VERSION));
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
  // Declared before the port, so the port closes before the simulated reader stops.
  std::unique_ptr<Simulation> simulation;
  if (o.simulate) {
    simulation = std::make_unique<Simulation>();
    if (!simulation->start(map, &error)) {
      PrintError(QStringLiteral("cannot start the simulated reader: %1").arg(error));
      return kExitPort;
    }
  }

  AppState state;
  LinePort port(WaitMode::Block);
  CollectedLog log;
  PrintNotifier notifier;
  Session session(state, port, log, notifier, o.variant, map, Timeouts{}.scaled(o.timeoutScale));

  int rc = entry->opensPort && !RunsOffline(o) ? OpenPort(session, o) : kExitOk;
  if (rc == kExitOk) {
    Context context{session, o};
    rc = run(context);
  }
  if (o.log) log.print();
  port.close();
  return rc;
}
