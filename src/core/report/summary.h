// SPDX-License-Identifier: MIT
#pragma once
// The figures of a script run per distinct command (command and parameter code), printed
// after the blocks. A run of any length keeps only these figures, not its lines.
#include <QString>
#include <QStringList>
#include <map>
#include <unordered_map>
#include <vector>

#include "script_results.h"

namespace kvt::report {

struct CommandSummary {
  uint8_t command = 0;
  uint8_t parameter = 0;
  qint64 sent = 0;
  qint64 positive = 0;
  qint64 negative = 0;
  qint64 failed = 0;  // everything else: failures, stops, replies of no known kind
  // Exchange times of every line sent with these codes. The median of an even count is
  // the lower of the two middle times.
  double minMs = 0;
  double medianMs = 0;
  double maxMs = 0;
  // The median comes from times counted in buckets (within 1 %), not to the microsecond.
  bool medianEstimated = false;
};

// The exchange times of one command. The least and the greatest are kept as they are; the
// median is found from counts: per microsecond (exact to the microsecond) while the times
// take at most `exactLimit` different values, then per bucket of 1/128 of a power of two
// of microseconds, whose middle is within 0.4 % of any time in it. Either way the store
// stays small, however many times are added.
class TimeTally {
 public:
  explicit TimeTally(int exactLimit = 4096) : exactLimit_(exactLimit) {}
  void add(double ms);
  qint64 count() const { return count_; }
  double minMs() const { return min_; }
  double maxMs() const { return max_; }
  double medianMs() const;
  bool estimated() const { return coarse_; }

 private:
  static quint64 BucketOf(quint64 us);
  static double MiddleOf(quint64 bucket);
  void coarsen();

  int exactLimit_;
  bool coarse_ = false;
  qint64 count_ = 0;
  double min_ = 0;
  double max_ = 0;
  std::unordered_map<quint64, qint64> counts_;  // microseconds, or bucket once coarse
};

// The summary of a run's lines, taken one by one as they come.
class SummaryTally {
 public:
  explicit SummaryTally(int exactLimit = 4096) : exactLimit_(exactLimit) {}
  void add(const ScriptLineResult& r);
  // One entry per command, in the order the commands were first sent.
  std::vector<CommandSummary> summaries() const;
  QStringList lines() const;

 private:
  int exactLimit_;
  std::vector<CommandSummary> entries_;
  std::vector<TimeTally> times_;
  std::map<int, size_t> index_;  // command * 256 + parameter -> entry
};

// One entry per command, in the order the commands were first sent.
std::vector<CommandSummary> Summarise(const std::vector<ScriptLineResult>& lines);

// "Summary 31h/30h: 12 sent, 12 positive, 0 negative, 0 failed, 0.4/0.5/1.2 ms", and
// " (median estimated within 1 %)" after it when it is.
QString SummaryLine(const CommandSummary& s);

// The lines of every entry.
QStringList SummaryLines(const std::vector<ScriptLineResult>& lines);

}  // namespace kvt::report
