// SPDX-License-Identifier: MIT
#pragma once
// One card motion of a run: the move, timed, then the card status that confirms where the
// card went, and the class of the failure if it did not get there in time.
#include <optional>

#include "motion_stats.h"
#include "path_moves.h"
#include "run_session.h"

namespace kvt::qualify {

// Moves the card and asks the card status. Slower than maxMotionMs (0: no limit) is a
// failure of its own class.
MotionOutcome MoveAndConfirm(RunSession& run, const QString& address, const PathMove& move, int maxMotionMs);

}  // namespace kvt::qualify
