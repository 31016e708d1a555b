// SPDX-License-Identifier: MIT
#pragma once
// Qualification of one unit: a fixed list of named checks run one after the other through
// the session, each giving pass, fail or skip (with the reason), its time and what it found.
#include <functional>

#include "motion.h"
#include "run_results.h"

namespace kvt::qualify {

struct QualifyPlan {
  QString address = QStringLiteral("0");  // the device address, as the window's box holds it
  QString portName;                       // for the results; the session's port is open already
  bool cardInside = false;                // the user says a card is in the reader
  QStringList path = DefaultQualifyPath();
};

// Called as the run goes; all optional.
struct QualifyHooks {
  // The result so far, its last check the one just done.
  std::function<void(const QualifyResult&, int done, int total)> checkDone;
  std::function<bool()> stopRequested;  // looked at before each check
};

// What the checks share while they run.
struct QualifyContext {
  QualifyContext(RunSession& r, const QualifyPlan& p, QualifyResult& out) : run(r), plan(p), result(out) {}
  RunSession& run;
  const QualifyPlan& plan;
  QualifyResult& result;
  bool cardAvailable = false;  // a card is in the reader or the stacker can give one
  QString noCardReason;        // why not, once the card status has been asked
  bool atIc = false;           // the card stands at the IC position, confirmed
  bool atRf = false;
  bool linkLost = false;       // the reader stopped answering: what follows is skipped
};

struct Check {
  QString name;
  std::function<void(QualifyContext&, CheckResult&)> run;  // sets verdict and detail
};

// The checks for a plan, in their order: link, initialize, serial number, configuration,
// capture counter, card status, sensor status, entry allow, entry forbid, one "move NAME"
// per move of the path (the IC or RF type check right after the first move to its
// position), and the type checks the path did not reach.
std::vector<Check> QualifyChecks(const QualifyPlan& plan);

// Runs every check; the session's port must be open ("Comm. Port Setup First" otherwise,
// through the session's notifier, and nothing is sent).
QualifyResult RunQualify(Session& session, const QualifyPlan& plan, const QualifyHooks& hooks = {});

}  // namespace kvt::qualify
