// SPDX-License-Identifier: MIT
#pragma once
// The five card movements and the two entry controls.
#include "operation.h"

namespace kvt {

enum class Movement { Front, FrontHold, IC, RF, ErrorBin, AllowEntry, ForbidEntry };

struct MovementInfo {
  Movement movement;
  const char* objectName;
  const char* captionB;
  const char* captionM;
  uint8_t cm;
  uint8_t pm;
  const char* title;
  const char* success;
};
extern const MovementInfo kMovements[7];
const MovementInfo& MovementOf(Movement m);

Outcome MoveCard(Session& s, const QString& addressText, Movement m);

}  // namespace kvt
