// SPDX-License-Identifier: MIT
#include "qualify_commands.h"

#include <QDir>
#include <QFileInfo>
#include <QSysInfo>
#include <memory>

#include "core/base/text_file.h"
#include "core/qualify/qualify_run.h"
#include "core/qualify/run_json.h"
#include "core/base/tool_version.h"
#include "core/qualify/wear_run.h"
#include "core/report/check_junit.h"
#include "core/report/html_page.h"
#include "core/report/run_metrics.h"
#include "core/report/run_reports.h"
#include "exit_status.h"
#include "output.h"
#include "run_output.h"

namespace kvt::cli {

using namespace kvt::qualify;

namespace {

// Empty when a file can be written at path, else why not (checked before anything opens).
QString CheckOutputPath(const char* option, const QString& path) {
  const QFileInfo file(path);
  if (file.isDir()) return QStringLiteral("%1 %2: that is a folder").arg(QLatin1String(option), path);
  const QFileInfo folder(file.absolutePath());
  if (!folder.isDir()) return QStringLiteral("%1 %2: no folder %3").arg(QLatin1String(option), path, folder.filePath());
  return QString();
}

// With several ports each unit gets its own file: "rack.html" becomes
// "rack-COM3-KVT730MA10012345.html".
QString FileFor(const Context& c, const QString& path, const QString& serial) {
  if (c.options.ports.isEmpty()) return path;
  QString tag = c.record.port + (serial.isEmpty() ? QString() : QLatin1Char('-') + serial);
  for (QChar& ch : tag)
    if (!ch.isLetterOrNumber() && ch != QLatin1Char('-') && ch != QLatin1Char('.')) ch = QLatin1Char('_');
  const QFileInfo f(path);
  const QString suffix = f.suffix().isEmpty() ? QString() : QLatin1Char('.') + f.suffix();
  return f.dir().filePath(f.completeBaseName() + QLatin1Char('-') + tag + suffix);
}

// Writes a report whole; false (the reason printed) when it could not.
bool WriteFile(const QString& path, const QByteArray& bytes) {
  FileError e;
  if (WriteWholeFile(path, bytes, &e)) return true;
  PrintError(QStringLiteral("cannot write %1: %2").arg(path, e.text));
  return false;
}

// The endpoint of --metrics, started by the first run that needs it; its address printed
// once on the error output (so that --json keeps the output to itself).
std::optional<report::MetricsEndpoint*> Metrics(const CliOptions& o) {
  if (!o.metrics) return nullptr;
  QString error;
  bool created = false;
  report::MetricsEndpoint* e = report::MetricsEndpoint::Serve(*o.metrics, &error, &created);
  if (!e) {
    PrintError(error);
    return std::nullopt;
  }
  if (created) WriteWhole(true, (QStringLiteral("kvt730ctl: metrics at ") + e->url() + QLatin1Char('\n')).toUtf8());
  return e;
}

QString CheckLine(const CheckResult& c) {
  return QStringLiteral("%1  %2  %3 ms  %4").arg(VerdictWord(c.verdict), c.name, report::MsText(c.ms), c.detail);
}

int ExitFor(RunEnd end, bool passed) {
  if (end == RunEnd::Stopped) return kExitInterrupted;
  if (end == RunEnd::LinkFailed) return kExitExchange;
  return passed ? kExitOk : kExitNegative;
}

int RunQualifyCommand(Context& c, const QStringList& path) {
  const CliOptions& o = c.options;
  const auto endpoint = Metrics(o);
  if (!endpoint) return kExitBadInput;
  std::unique_ptr<report::UnitMetrics> metrics;

  QualifyPlan plan;
  plan.address = o.address;
  plan.portName = c.record.port;
  plan.cardInside = o.cardInside;
  plan.path = path;
  QualifyHooks hooks;
  hooks.stopRequested = [&c] { return c.stopRequested(); };
  hooks.checkDone = [&](const QualifyResult& r, int, int) {
    const CheckResult& check = r.checks.back();
    if (!o.json) PrintLine(CheckLine(check));
    // The series carry the serial number: they start once it has been asked for.
    if (*endpoint && !metrics && check.name == QLatin1String("serial number"))
      metrics = (*endpoint)->unit(plan.portName, r.unit.serial);
    if (!metrics) return;
    if (check.motion) {
      metrics->motion(check.move, check.motion->resultName(),
                      check.motion->us ? std::optional<double>(check.motion->ms() / 1000) : std::nullopt);
    }
    if (check.verdict == Verdict::Fail)
      metrics->failure(check.motion && check.motion->failure ? FailureClassName(*check.motion->failure)
                                                             : QStringLiteral("check"));
  };
  const QualifyResult r = RunQualify(c.session, plan, hooks);
  if (*endpoint && !metrics) metrics = (*endpoint)->unit(plan.portName, r.unit.serial);
  if (metrics) metrics->verdict(r.passed());

  int rc = ExitFor(r.end, r.passed());
  if (o.json) c.record.extra = QualifyJson(r);
  else PrintLine(r.passed() ? QStringLiteral("Verdict: PASS") : QStringLiteral("Verdict: FAIL"));
  if (o.report && !WriteFile(FileFor(c, *o.report, r.unit.serial), report::QualifyReport(r, ToolVersion())))
    rc = WorstExit({rc, kExitBadInput});
  if (o.junit && !WriteFile(FileFor(c, *o.junit, r.unit.serial), report::QualifyJUnit(r, QSysInfo::machineHostName())))
    rc = WorstExit({rc, kExitBadInput});
  return rc;
}

QString SummaryLine(const QString& lead, const MotionStats& m) {
  const MotionSummary s = m.summary();
  QStringList failures;
  for (FailureClass f : ReportedClasses()) failures << QStringLiteral("%1 %2").arg(s.failuresOf(f)).arg(FailureClassName(f));
  return QStringLiteral("%1%2: %3 motions, %4, min/median/p95/max %5/%6/%7/%8 ms")
      .arg(lead, m.name())
      .arg(s.count)
      .arg(failures.join(QStringLiteral(", ")), report::MsText(s.minMs), report::MsText(s.medianMs),
           report::MsText(s.p95Ms), report::MsText(s.maxMs));
}

int RunWearCommand(Context& c, const QStringList& path) {
  const CliOptions& o = c.options;
  const auto endpoint = Metrics(o);
  if (!endpoint) return kExitBadInput;
  std::unique_ptr<report::UnitMetrics> metrics;

  WearPlan plan;
  plan.address = o.address;
  plan.portName = c.record.port;
  plan.path = path;
  plan.cycles = o.cycles.value_or(0);
  plan.untilFailure = o.untilFailure;
  plan.maxMotionMs = o.maxMotionMs;
  WearResult r;
  WearHooks hooks;
  hooks.stopRequested = [&c] { return c.stopRequested(); };
  hooks.started = [&](const UnitFacts& unit) {
    if (*endpoint) metrics = (*endpoint)->unit(plan.portName, unit.serial);
    if (!o.json)
      PrintLine(QStringLiteral("Wear: serial %1, path %2, %3")
                    .arg(unit.serial.isEmpty() ? QStringLiteral("(not read)") : unit.serial, path.join(QLatin1Char(',')),
                         plan.cycles ? QStringLiteral("%1 cycles").arg(plan.cycles) : QStringLiteral("until a failure")));
  };
  hooks.motionDone = [&](int motion, qint64 cycle, const MotionOutcome& m) {
    const QString& name = r.motions[static_cast<size_t>(motion)].name();
    if (metrics) {
      metrics->motion(name, m.resultName(), m.us ? std::optional<double>(m.ms() / 1000) : std::nullopt);
      if (m.failure) metrics->failure(FailureClassName(*m.failure));
    }
    if (m.failure && !o.json)
      PrintLine(QStringLiteral("FAIL  cycle %1  %2  %3  %4 ms  %5")
                    .arg(cycle)
                    .arg(name, FailureClassName(*m.failure), report::MsText(m.ms()), m.detail));
  };
  hooks.cycleDone = [&](qint64 cycle) {
    if (metrics) metrics->cycle();
    if (!o.json && o.every && cycle % *o.every == 0)
      for (const MotionStats& m : r.motions) PrintLine(SummaryLine(QStringLiteral("Cycle %1: ").arg(cycle), m));
  };
  RunWear(c.session, plan, r, hooks);
  if (metrics) metrics->verdict(r.passed());

  int rc = ExitFor(r.end, r.passed());
  if (o.json) {
    c.record.extra = WearJson(r);
  } else {
    for (const MotionStats& m : r.motions)
      PrintLine(SummaryLine(QStringLiteral("Summary after %1 cycles, ").arg(r.cycles), m));
    PrintLine(r.passed() ? QStringLiteral("Verdict: PASS") : QStringLiteral("Verdict: FAIL"));
  }
  if (o.report && !WriteFile(FileFor(c, *o.report, r.unit.serial), report::WearReport(r, ToolVersion())))
    rc = WorstExit({rc, kExitBadInput});
  return rc;
}

// --path checked against the names, or the command's default.
std::optional<QStringList> PathFrom(const CliOptions& o, const QStringList& fallback, QString* error) {
  if (o.path.isEmpty()) return fallback;
  QString bad;
  if (!PathOf(o.path, &bad)) {
    *error = QStringLiteral("--path: unknown move %1").arg(bad);
    return std::nullopt;
  }
  return o.path;
}

Runner BindQualify(const CliOptions& o, QString* error) {
  if (!o.operands.isEmpty()) {
    *error = QStringLiteral("qualify takes no operands");
    return {};
  }
  const auto path = PathFrom(o, DefaultQualifyPath(), error);
  if (!path) return {};
  for (const auto& [option, value] : {std::make_pair("--report", o.report), std::make_pair("--junit", o.junit)}) {
    if (value) *error = CheckOutputPath(option, *value);
    if (!error->isEmpty()) return {};
  }
  const QStringList p = *path;
  return [p](Context& c) { return RunQualifyCommand(c, p); };
}

Runner BindWear(const CliOptions& o, QString* error) {
  if (!o.operands.isEmpty()) {
    *error = QStringLiteral("wear takes no operands");
    return {};
  }
  if (!o.cycles && !o.untilFailure) {
    *error = QStringLiteral("wear needs --cycles N or --until-failure");
    return {};
  }
  const auto path = PathFrom(o, DefaultWearPath(), error);
  if (!path) return {};
  if (o.report) *error = CheckOutputPath("--report", *o.report);
  if (!error->isEmpty()) return {};
  const QStringList p = *path;
  return [p](Context& c) { return RunWearCommand(c, p); };
}

}  // namespace

void AddQualifyCommands(std::vector<CommandEntry>& table) {
  table.push_back({"qualify", "[--card-inside] [--path LIST] [--report FILE.html] [--junit FILE] [--metrics HOST:PORT]",
                   "check the unit step by step: one verdict, one report", true, BindQualify});
  table.push_back({"wear",
                   "--cycles N|--until-failure [--path LIST] [--max-motion-ms MS] [--every N] [--report FILE.html] "
                   "[--metrics HOST:PORT]",
                   "move the card along the path N times, timing every motion", true, BindWear});
}

}  // namespace kvt::cli
