// SPDX-License-Identifier: MIT
#pragma once
// The card moves a qualification or a wear run makes, named as kvt730ctl move names them,
// and the card status that confirms each.
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "core/machine/movement_ops.h"

namespace kvt::qualify {

struct PathMove {
  const char* name;  // "ic", "rf", "front-hold", "front", "bin"
  Movement movement;
  char cardPosition;  // st0 of the card status once the card is there ('0': gone, to the bin)
};

// The five moves in the order of their names.
const std::vector<PathMove>& PathMoves();
const PathMove* FindPathMove(const QString& name);

// The moves of a list of names; nullopt (and *bad the name) when one is unknown.
std::optional<std::vector<PathMove>> PathOf(const QStringList& names, QString* bad = nullptr);

// Qualification visits every position but the error card bin unless told; a wear run moves
// between the IC and RF positions and the front.
QStringList DefaultQualifyPath();
QStringList DefaultWearPath();

}  // namespace kvt::qualify
