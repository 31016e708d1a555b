// SPDX-License-Identifier: MIT
#include "wear_run.h"

#include "core/link/engine.h"
#include "core/machine/unit_ops.h"

namespace kvt::qualify {

namespace {

bool Stop(const WearHooks& h) { return h.stopRequested && h.stopRequested(); }

}  // namespace

void RunWear(Session& session, const WearPlan& plan, WearResult& r, const WearHooks& hooks) {
  r = WearResult{};
  r.started = QDateTime::currentDateTime();
  r.unit.port = plan.portName;
  r.unit.variant = session.variant;
  r.cyclesPlanned = plan.cycles;
  r.maxMotionMs = plan.maxMotionMs;
  const std::vector<PathMove> path = PathOf(plan.path).value_or(std::vector<PathMove>{});
  // One set of statistics per move, however often the path makes it.
  std::vector<size_t> statsOf;
  for (const PathMove& m : path) {
    const QString name = QString::fromLatin1(m.name);
    size_t k = 0;
    while (k < r.motions.size() && r.motions[k].name() != name) ++k;
    if (k == r.motions.size()) r.motions.emplace_back(name);
    statsOf.push_back(k);
  }
  if (!session.state.PortOpened) {
    session.notifier.warn(kCaution, kPortSetupFirst);
    r.end = RunEnd::PortClosed;
    return;
  }
  RunSession run(session, false);
  if (ReadSN(run.session(), plan.address).status == OpStatus::Done) r.unit.serial = SerialNumberText(session.state);
  run.notes().take();
  if (hooks.started) hooks.started(r.unit);

  if (path.empty()) return;
  int exchangeFailures = 0;
  for (qint64 cycle = 1; plan.cycles == 0 || cycle <= plan.cycles; ++cycle) {
    for (size_t i = 0; i < path.size(); ++i) {
      if (Stop(hooks)) {
        r.end = RunEnd::Stopped;
        return;
      }
      const MotionOutcome m = MoveAndConfirm(run, plan.address, path[i], plan.maxMotionMs);
      // A stop on the command line cuts the exchange in flight short: that motion, left
      // without an answer, is not counted. One that was answered counts.
      if (m.failure == FailureClass::Exchange && Stop(hooks)) {
        r.end = RunEnd::Stopped;
        return;
      }
      r.cyclesBegun = cycle;
      const int motion = static_cast<int>(statsOf[i]);
      r.motions[statsOf[i]].add(cycle, m.us, m.failure);
      if (m.failure) {
        ++r.failureCount;
        if (r.failures.size() < WearResult::kFailuresKept)
          r.failures.push_back({cycle, motion, *m.failure, m.code, m.detail, m.ms()});
      }
      exchangeFailures = m.failure == FailureClass::Exchange ? exchangeFailures + 1 : 0;
      if (hooks.motionDone) hooks.motionDone(motion, cycle, m);
      if (exchangeFailures >= kExchangeFailuresInARow) {
        r.end = RunEnd::LinkFailed;
        return;
      }
      if (m.failure && plan.untilFailure) {
        r.end = RunEnd::StoppedAtFailure;
        return;
      }
    }
    r.cycles = cycle;
    if (hooks.cycleDone) hooks.cycleDone(cycle);
  }
}

}  // namespace kvt::qualify
