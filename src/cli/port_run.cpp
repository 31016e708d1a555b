// SPDX-License-Identifier: MIT
#include "port_run.h"

#include <memory>

#include "collected_log.h"
#include "core/link/engine.h"
#include "core/link/line_port.h"
#include "core/link/log_format.h"
#include "core/link/port_setup.h"
#include "core/link/stoppable_port.h"
#include "exit_status.h"
#include "output.h"
#include "print_notifier.h"
#include "run_output.h"
#include "script_records.h"

namespace kvt::cli {

namespace {

// Opens the port; on failure prints the port setup dialog's message.
int OpenPort(Session& s, const QString& name, int baud) {
  const QString device = s.portMap.resolve(name);
  const OpenError e = s.port.open(device, baud);
  if (e == OpenError::None) {
    s.state.PortOpened = true;
    return kExitOk;
  }
  if (const auto text = OpenFailureText(e, device)) s.notifier.warn(kCaution, *text);
  else PrintError(QStringLiteral("cannot open %1 at %2 baud").arg(device).arg(baud));
  return kExitPort;
}

}  // namespace

QString CommandText(const CliOptions& o) { return (QStringList{o.command} + o.operands).join(QLatin1Char(' ')); }

report::RunRecord RunOnPort(const PortRunSetup& setup, const std::atomic<bool>& stop) {
  const CliOptions& o = setup.options;
  report::RunRecord record;
  record.command = CommandText(o);
  if (setup.opensPort) record.port = setup.portName;

  std::unique_ptr<RunOutput> output;
  if (o.json) output = std::make_unique<RecordOutput>(record, setup.prefix);
  else output = std::make_unique<TextOutput>(setup.prefix);
  const OutputScope scope(*output);

  AppState state;
  LinePort line(WaitMode::Block);
  StoppablePort port(line, stop);
  CollectedLog log(o.json);
  PrintNotifier notifier;
  Session session(state, port, log, notifier, o.variant, setup.map, Timeouts{}.scaled(o.timeoutScale));

  int rc = kExitOk;
  const bool script = o.command == QLatin1String("script");
  ScriptRecords scriptRecords(o.json, setup.junit);
  if (script) {
    record.lineSink = &scriptRecords;
    log.entrySink = [&scriptRecords](const report::LogEntry& e) { scriptRecords.addLog(e); };
    QString error;
    if (!scriptRecords.open(&error)) {
      PrintError(error);
      rc = kExitBadInput;
    }
  }
  if (rc == kExitOk && setup.opensPort) rc = OpenPort(session, setup.portName, o.baud);
  if (rc == kExitOk) {
    Context context{session, o, record, stop};
    rc = setup.run(context);
  }
  if (stop.load()) {
    rc = kExitInterrupted;
    // An exchange cut short: the reader is told, as the window's Cancel tells it.
    if (port.endPendingExchange()) {
      log.append(ControlLine("SD: ", EOT));
      log.traffic(Direction::Sent, QByteArray(1, static_cast<char>(EOT)), QDateTime::currentDateTimeUtc());
    }
  }
  port.close();
  if (o.log && !o.json) log.print();
  record.exitStatus = rc;
  record.log = log.entries();
  if (script) record.lineSink = nullptr;
  if (o.json && script) scriptRecords.printJson(record);
  else if (o.json) WriteWhole(false, report::RunJsonLine(record));
  return record;
}

}  // namespace kvt::cli
