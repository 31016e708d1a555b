// SPDX-License-Identifier: MIT
#include "motion_stats.h"

#include <algorithm>
#include <cmath>

namespace kvt::qualify {

QString FailureClassName(FailureClass c) {
  switch (c) {
    case FailureClass::Exchange: return QStringLiteral("exchange");
    case FailureClass::Negative: return QStringLiteral("negative");
    case FailureClass::Position: return QStringLiteral("position");
    case FailureClass::Slow: return QStringLiteral("slow");
  }
  return QString();
}

const std::array<FailureClass, kFailureClasses>& ReportedClasses() {
  static const std::array<FailureClass, kFailureClasses> order{FailureClass::Negative, FailureClass::Exchange,
                                                               FailureClass::Position, FailureClass::Slow};
  return order;
}

QString MotionOutcome::resultName() const { return failure ? FailureClassName(*failure) : QStringLiteral("ok"); }

qint64 MotionSummary::failed() const {
  qint64 n = 0;
  for (qint64 f : failures) n += f;
  return n;
}

void MotionStats::add(qint64 cycle, std::optional<uint32_t> us, std::optional<FailureClass> failure) {
  ++count_;
  if (failure) ++failures_[static_cast<size_t>(*failure)];
  if (us) us_.push_back(*us);
  addToTrend(cycle, us, failure.has_value());
}

void MotionStats::addToTrend(qint64 cycle, std::optional<uint32_t> us, bool failed) {
  const qint64 index = (std::max<qint64>(cycle, 1) - 1) / span_;
  if (trend_.empty() || (trend_.back().firstCycle - 1) / span_ != index) {
    TrendPoint p;
    p.firstCycle = index * span_ + 1;
    p.lastCycle = p.firstCycle + span_ - 1;
    trend_.push_back(p);
  }
  TrendPoint& p = trend_.back();
  if (us) {
    p.minUs = p.timed ? std::min(p.minUs, *us) : *us;
    p.maxUs = p.timed ? std::max(p.maxUs, *us) : *us;
    p.sumUs += *us;
    ++p.timed;
  }
  if (failed) ++p.failures;
  if (trend_.size() <= kTrendPoints) return;
  // Full: every point now spans twice the cycles, neighbours merged.
  span_ *= 2;
  std::vector<TrendPoint> merged;
  merged.reserve(kTrendPoints / 2 + 1);
  for (const TrendPoint& q : trend_) {
    const qint64 at = (q.firstCycle - 1) / span_;
    if (merged.empty() || (merged.back().firstCycle - 1) / span_ != at) {
      TrendPoint m = q;
      m.firstCycle = at * span_ + 1;
      m.lastCycle = m.firstCycle + span_ - 1;
      merged.push_back(m);
      continue;
    }
    TrendPoint& m = merged.back();
    if (q.timed) {
      m.minUs = m.timed ? std::min(m.minUs, q.minUs) : q.minUs;
      m.maxUs = m.timed ? std::max(m.maxUs, q.maxUs) : q.maxUs;
    }
    m.sumUs += q.sumUs;
    m.timed += q.timed;
    m.failures += q.failures;
  }
  trend_.swap(merged);
}

MotionSummary MotionStats::summary() const {
  MotionSummary s;
  s.count = count_;
  s.failures = failures_;
  s.timed = static_cast<qint64>(us_.size());
  if (us_.empty()) return s;
  std::vector<uint32_t> sorted = us_;
  std::sort(sorted.begin(), sorted.end());
  const auto rank = [&sorted](double p) {
    const size_t n = sorted.size();
    const size_t k = static_cast<size_t>(std::ceil(p * static_cast<double>(n)));
    return sorted[std::min(n, std::max<size_t>(k, 1)) - 1] / 1000.0;
  };
  s.minMs = sorted.front() / 1000.0;
  s.medianMs = rank(0.5);
  s.p95Ms = rank(0.95);
  s.maxMs = sorted.back() / 1000.0;
  return s;
}

std::vector<qint64> MotionStats::histogram(int bins, double* lowMs, double* binMs) const {
  if (us_.empty() || bins < 1) return {};
  const auto [lo, hi] = std::minmax_element(us_.begin(), us_.end());
  const double width = std::max(1.0, double(*hi - *lo + 1) / bins);
  std::vector<qint64> counts(static_cast<size_t>(bins), 0);
  for (uint32_t u : us_) ++counts[std::min<size_t>(static_cast<size_t>((u - *lo) / width), bins - 1)];
  *lowMs = *lo / 1000.0;
  *binMs = width / 1000.0;
  return counts;
}

}  // namespace kvt::qualify
