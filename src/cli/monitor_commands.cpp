// SPDX-License-Identifier: MIT
#include "monitor_commands.h"

#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

#include "core/base/text_file.h"
#include "core/link/engine.h"
#include "core/link/port_setup.h"
#include "core/monitor/capture_files.h"
#include "core/monitor/comm_log.h"
#include "core/monitor/monitor_run.h"
#include "core/monitor/pcapng.h"
#include "core/monitor/unit_text.h"
#include "exit_status.h"
#include "output.h"
#include "run_output.h"

namespace kvt::cli {

namespace {

using namespace kvt::monitor;

// How often the files are handed to the system while units keep coming.
constexpr qint64 kFlushEveryUs = 200000;

QString CheckAppLink(const QString& path) {
  const QByteArray name = QFile::encodeName(path);
  struct stat st {};
  if (::lstat(name.constData(), &st) == 0 && !S_ISLNK(st.st_mode))
    return QStringLiteral("--app-link: %1 exists and is not a symlink: refused, nothing is overwritten").arg(path);
  const QFileInfo info(path);
  if (!QFileInfo(info.absolutePath()).isDir())
    return QStringLiteral("--app-link: the folder %1 does not exist").arg(info.absolutePath());
  return {};
}

QString CheckMonitorOptions(const CliOptions& o) {
  if (!o.operands.isEmpty()) return QStringLiteral("monitor takes no operands");
  if (!o.reader) return QStringLiteral("monitor needs --reader PORT");
  if (o.app && o.appLink) return QStringLiteral("monitor takes --app-link PATH or --app PORT, not both");
  if (!o.app && !o.appLink) return QStringLiteral("monitor needs --app-link PATH (a new pseudo-terminal) or --app PORT");
  if (o.appLink) {
    const QString why = CheckAppLink(*o.appLink);
    if (!why.isEmpty()) return why;
  }
  for (const auto& [option, path] : {std::pair{"--pcap", o.pcap}, std::pair{"--log", o.logFile}}) {
    if (!path) continue;
    const QString why = CheckOutputPath(*path);
    if (!why.isEmpty()) return QStringLiteral("%1: %2").arg(QLatin1String(option), why);
  }
  if (o.pcap && o.logFile && QFileInfo(*o.pcap).absoluteFilePath() == QFileInfo(*o.logFile).absoluteFilePath())
    return QStringLiteral("--pcap and --log name the same file");
  return {};
}

void Show(const std::vector<LineUnit>& units, bool json) {
  if (units.empty()) return;
  QByteArray out;
  for (const LineUnit& u : units) {
    out += json ? JsonLine(u) : TextLine(u).toUtf8();
    out += '\n';
  }
  WriteWhole(false, out);
}

int RunMonitor(Context& c) {
  const CliOptions& o = c.options;
  CaptureFiles files;
  QString error;
  if (o.pcap && !files.openCapture(*o.pcap, &error)) {
    PrintError(QStringLiteral("cannot write %1: %2").arg(*o.pcap, error));
    return kExitBadInput;
  }
  if (o.logFile && !files.openLog(*o.logFile, &error)) {
    PrintError(QStringLiteral("cannot write %1: %2").arg(*o.logFile, error));
    return kExitBadInput;
  }
  MonitorSetup setup;
  setup.reader = c.session.portMap.resolve(*o.reader);
  if (o.app) setup.app = c.session.portMap.resolve(*o.app);
  if (o.appLink) setup.appLink = *o.appLink;
  setup.line.baud = static_cast<quint32>(o.baud);
  MonitorRun run;
  const StartResult started = run.start(setup);
  if (!started.ok) {
    if (!started.detail.isEmpty()) {
      PrintError(started.detail);
      return kExitBadInput;
    }
    if (const auto text = OpenFailureText(started.error, started.device)) c.session.notifier.warn(kCaution, *text);
    else PrintError(QStringLiteral("cannot open %1").arg(started.device.isEmpty() ? QStringLiteral("a pseudo-terminal") : started.device));
    return kExitPort;
  }
  // JSON Lines stay JSON on stdout: the terminal's path goes to stderr there.
  WriteWhole(o.json, QStringLiteral("APP %1\n").arg(run.appDevice()).toUtf8());
  qint64 flushed = NowUs();
  while (!c.stopRequested()) {
    const std::vector<LineUnit> units = run.take(50);
    Show(units, o.json);
    files.write(units);
    if (units.empty() || NowUs() - flushed > kFlushEveryUs) {
      files.flush();
      flushed = NowUs();
    }
  }
  run.stop();
  for (std::vector<LineUnit> rest = run.take(0); !rest.empty(); rest = run.take(0)) {
    Show(rest, o.json);
    files.write(rest);
  }
  files.close();
  return kExitInterrupted;
}

Runner BindMonitor(const CliOptions& o, QString* error) {
  *error = CheckMonitorOptions(o);
  return error->isEmpty() ? Runner(RunMonitor) : Runner();
}

// A saved log has no times: the units get the log file's time, one millisecond apart.
QByteArray CaptureOfLog(const std::vector<LogChunk>& chunks, qint64 startUs, int* units) {
  DecoderWaits never;
  never.ackUs = never.replyUs = never.remainderUs = qint64(1) << 50;
  StreamDecoder decoder(never);
  std::vector<LineUnit> out;
  qint64 t = startUs;
  for (const LogChunk& chunk : chunks) decoder.feed(chunk.from, chunk.bytes, t += 1000, out);
  decoder.flush(out);
  QByteArray file = pcapng::FileHeader();
  for (const LineUnit& u : out) file += pcapng::UnitBlock(u);
  *units = static_cast<int>(out.size());
  return file;
}

Runner BindPcap(const CliOptions& o, QString* error) {
  if (o.operands.size() != 2) {
    *error = QStringLiteral("pcap needs two operands: LOG OUT.pcapng");
    return {};
  }
  const QString log = o.operands[0], out = o.operands[1];
  *error = CheckOutputPath(out);
  if (!error->isEmpty()) {
    *error = QStringLiteral("pcap: ") + *error;
    return {};
  }
  return [log, out](Context&) {
    QFile in(log);
    if (!in.open(QIODevice::ReadOnly)) {
      PrintError(QStringLiteral("cannot read %1: %2").arg(log, in.errorString()));
      return int(kExitBadInput);
    }
    const LogReadResult read = ReadCommLog(in.readAll());
    if (!read.ok()) {
      PrintError(QStringLiteral("%1 is not a communication log: %2").arg(log, read.error));
      return int(kExitBadInput);
    }
    int units = 0;
    const QByteArray capture = CaptureOfLog(read.chunks, QFileInfo(in).lastModified().toMSecsSinceEpoch() * 1000, &units);
    FileError failed;
    if (!WriteWholeFile(out, capture, &failed)) {
      PrintError(QStringLiteral("cannot write %1: %2").arg(out, failed.text));
      return int(kExitBadInput);
    }
    PrintLine(QStringLiteral("%1 units from %2 written to %3").arg(units).arg(log, out));
    return int(kExitOk);
  };
}

}  // namespace

void AddMonitorCommands(std::vector<CommandEntry>& table) {
  table.push_back({"monitor", "--reader PORT (--app-link PATH | --app PORT) [--pcap FILE] [--log FILE] [--json]",
                   "pass everything between an application and the reader through, decoding each unit", false,
                   BindMonitor});
  table.push_back({"pcap", "LOG OUT.pcapng", "turn a saved communication log into a capture for Wireshark", false,
                   BindPcap});
}

}  // namespace kvt::cli
