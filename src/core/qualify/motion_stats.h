// SPDX-License-Identifier: MIT
#pragma once
// The times and failures of one motion of a wear run (all its "move ic", say): exact
// statistics from a compact store of times (four bytes a motion), and a trend over the
// cycles thinned to a bounded number of points for drawing.
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace kvt::qualify {

// Why a motion failed; a motion has one class at most, the first that applies in this order.
enum class FailureClass { Exchange = 0, Negative = 1, Position = 2, Slow = 3 };
constexpr int kFailureClasses = 4;

// "exchange", "negative", "position", "slow".
QString FailureClassName(FailureClass c);
// The classes in the order the reports list them: negative, exchange, position, slow.
const std::array<FailureClass, kFailureClasses>& ReportedClasses();

// One motion as it went.
struct MotionOutcome {
  std::optional<uint32_t> us;  // the move's time, when the reader answered it
  std::optional<FailureClass> failure;
  QString code;    // the error code of a negative reply
  QString detail;  // what the confirming status said, or what went wrong

  double ms() const { return us ? *us / 1000.0 : 0.0; }
  // "ok", or the failure's class name.
  QString resultName() const;
};

struct FailureEvent {
  qint64 cycle = 0;
  int motion = 0;  // index of the motion's statistics in the run
  FailureClass cls = FailureClass::Exchange;
  QString code;    // the negative reply's error code ("10")
  QString text;    // its text ("Card jam"), or what else went wrong
  double ms = 0;
};

// A run of consecutive cycles drawn as one point.
struct TrendPoint {
  qint64 firstCycle = 0;
  qint64 lastCycle = 0;
  uint32_t minUs = 0;
  uint32_t maxUs = 0;
  uint64_t sumUs = 0;
  uint32_t timed = 0;     // motions with a time in this span
  uint32_t failures = 0;  // failed motions in this span
  double meanMs() const { return timed ? double(sumUs) / timed / 1000.0 : 0.0; }
};

struct MotionSummary {
  qint64 count = 0;  // every motion, failed ones included
  std::array<qint64, kFailureClasses> failures{};
  qint64 timed = 0;  // motions the reader answered: the times below are theirs
  double minMs = 0, medianMs = 0, p95Ms = 0, maxMs = 0;

  qint64 failed() const;
  qint64 failuresOf(FailureClass c) const { return failures[static_cast<size_t>(c)]; }
};

class MotionStats {
 public:
  static constexpr size_t kTrendPoints = 512;

  explicit MotionStats(QString name = {}) : name_(std::move(name)) {}

  // One motion of `cycle` (counted from 1, never going back). `us` is its time when the
  // reader answered; `failure` its class when it failed.
  void add(qint64 cycle, std::optional<uint32_t> us, std::optional<FailureClass> failure);

  const QString& name() const { return name_; }
  // Count, failures and min / median / 95th percentile / max (nearest rank: the median of
  // an even count is the lower of the two middle times).
  MotionSummary summary() const;
  // At most kTrendPoints points, each spanning the same number of cycles (a power of two).
  const std::vector<TrendPoint>& trend() const { return trend_; }
  // The times in `bins` bins of equal width from the fastest to the slowest; *lowMs and
  // *binMs say where they lie. Empty without times.
  std::vector<qint64> histogram(int bins, double* lowMs, double* binMs) const;

 private:
  void addToTrend(qint64 cycle, std::optional<uint32_t> us, bool failed);

  QString name_;
  qint64 count_ = 0;
  std::array<qint64, kFailureClasses> failures_{};
  std::vector<uint32_t> us_;
  std::vector<TrendPoint> trend_;
  qint64 span_ = 1;  // cycles per trend point
};

}  // namespace kvt::qualify
