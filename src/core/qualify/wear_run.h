// SPDX-License-Identifier: MIT
#pragma once
// A wear run: the card moved along the path cycle after cycle, each move confirmed by the
// card status and timed; failures recorded by class, the run going on unless told to end
// at the first one.
#include <functional>

#include "motion.h"
#include "run_results.h"

namespace kvt::qualify {

struct WearPlan {
  QString address = QStringLiteral("0");
  QString portName;
  QStringList path = DefaultWearPath();
  qint64 cycles = 0;          // 0: no end but a failure (with untilFailure) or a stop
  bool untilFailure = false;
  int maxMotionMs = 3000;
};

// Exchanges in a row that get no usable reply before the run gives the link up.
constexpr int kExchangeFailuresInARow = 3;

struct WearHooks {
  std::function<void(const UnitFacts&)> started;  // once the serial number was asked for
  // `motion`: the index of the move's statistics in the result.
  std::function<void(int motion, qint64 cycle, const MotionOutcome&)> motionDone;
  std::function<void(qint64 cycle)> cycleDone;
  std::function<bool()> stopRequested;  // looked at before each motion
};

// The statistics grow as the run goes: `result` may be read from the hooks.
void RunWear(Session& session, const WearPlan& plan, WearResult& result, const WearHooks& hooks = {});

}  // namespace kvt::qualify
