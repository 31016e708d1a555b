// SPDX-License-Identifier: MIT
#pragma once
// What a qualification or a wear run found, as plain data: the command line, the windows,
// the reports and the metrics all read these.
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "core/base/app_state.h"
#include "motion_stats.h"

namespace kvt::qualify {

enum class Verdict { Pass, Fail, Skip };

// "PASS", "FAIL", "SKIP".
QString VerdictWord(Verdict v);

struct CheckResult {
  QString name;    // "card status", "move ic"
  Verdict verdict = Verdict::Skip;
  double ms = 0;   // time the check took
  QString detail;  // what was found, why it failed or why it was skipped
  QString move;    // a move check's move ("ic"), with how the motion went
  std::optional<MotionOutcome> motion;
};

// The unit as it described itself; empty fields were not read.
struct UnitFacts {
  QString port;      // as given: "COM1", a device, a network address
  QString serial;
  QString firmware;
  Variant variant = Variant::B;
  QStringList configuration;  // the decoded rows of the configuration record
  QString counter;            // the capture counter digits
};

// "B" or "M".
QString VariantName(Variant v);

// How a run ended beside its checks.
enum class RunEnd {
  Finished,    // every check ran (or the cycles are done)
  PortClosed,  // "Comm. Port Setup First": nothing was sent
  LinkFailed,  // the reader did not answer (the probe, or several exchanges in a row)
  Stopped,     // Stop, Ctrl-C or SIGTERM
  StoppedAtFailure  // wear with --until-failure: ended at the first failure
};

struct QualifyResult {
  UnitFacts unit;
  QDateTime started;  // local time
  RunEnd end = RunEnd::Finished;
  std::vector<CheckResult> checks;
  QString log;  // the communication log of the run, as the MONITOR tab shows it

  // Pass when every check ran and none failed (a skip never fails).
  bool passed() const;
};

struct WearResult {
  UnitFacts unit;
  QDateTime started;
  RunEnd end = RunEnd::Finished;
  qint64 cyclesPlanned = 0;  // 0: until the first failure
  qint64 cycles = 0;         // cycles completed
  qint64 cyclesBegun = 0;    // one more than cycles when the run ended within a cycle
  int maxMotionMs = 3000;
  std::vector<MotionStats> motions;  // one per move of the path (a move made twice a cycle: one)
  std::vector<FailureEvent> failures;  // the first kFailuresKept failures in detail
  qint64 failureCount = 0;

  static constexpr size_t kFailuresKept = 200;

  // Pass when every planned cycle ran without a failure.
  bool passed() const { return failureCount == 0 && end == RunEnd::Finished; }
};

}  // namespace kvt::qualify
