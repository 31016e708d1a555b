// SPDX-License-Identifier: MIT
#pragma once
// The pictures of the wear report as inline SVG: motion time per cycle (the trend that shows
// a motor wearing, failures marked on the time line) and the spread of the times. Their
// size depends on the thinned points only, never on the number of motions.
#include <QString>
#include <vector>

#include "core/qualify/motion_stats.h"

namespace kvt::report {

// A round number at or above v (1, 2, 2.5, 5 times a power of ten); at least `least`.
double NiceCeiling(double v, double least = 1.0);

// Mean motion time per point, the band between the fastest and the slowest of each point,
// a red mark under every point with failures; cycles 1 to lastCycle across.
QString TrendSvg(const std::vector<qualify::TrendPoint>& points, qint64 lastCycle, const QString& label);

// Bars of the histogram counts from lowMs, each binMs wide.
QString HistogramSvg(const std::vector<qint64>& counts, double lowMs, double binMs, const QString& label);

}  // namespace kvt::report
