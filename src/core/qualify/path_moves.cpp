// SPDX-License-Identifier: MIT
#include "path_moves.h"

namespace kvt::qualify {

const std::vector<PathMove>& PathMoves() {
  static const std::vector<PathMove> moves = {
      {"ic", Movement::IC, '2'},
      {"rf", Movement::RF, '2'},
      {"front-hold", Movement::FrontHold, '1'},
      {"front", Movement::Front, '1'},
      {"bin", Movement::ErrorBin, '0'},
  };
  return moves;
}

const PathMove* FindPathMove(const QString& name) {
  for (const PathMove& m : PathMoves())
    if (name == QLatin1String(m.name)) return &m;
  return nullptr;
}

std::optional<std::vector<PathMove>> PathOf(const QStringList& names, QString* bad) {
  std::vector<PathMove> path;
  for (const QString& n : names) {
    const PathMove* m = FindPathMove(n);
    if (!m) {
      if (bad) *bad = n;
      return std::nullopt;
    }
    path.push_back(*m);
  }
  return path;
}

QStringList DefaultQualifyPath() { return {"ic", "rf", "front-hold", "front"}; }

QStringList DefaultWearPath() { return {"ic", "rf", "front-hold"}; }

}  // namespace kvt::qualify
