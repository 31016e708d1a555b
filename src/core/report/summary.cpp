// SPDX-License-Identifier: MIT
#include "summary.h"

#include <algorithm>
#include <cmath>

namespace kvt::report {

namespace {

quint64 Microseconds(double ms) {
  if (!(ms > 0)) return 0;
  return ms >= 1e15 ? quint64(1e18) : static_cast<quint64>(std::llround(ms * 1000));
}

}  // namespace

// Below 256 us a bucket is one microsecond wide; above, 128 buckets share each power of two.
quint64 TimeTally::BucketOf(quint64 us) {
  if (us < 256) return us;
  int top = 63;
  while (!(us >> top)) --top;
  const int shift = top - 7;
  return (static_cast<quint64>(shift) << 8) | (us >> shift);
}

double TimeTally::MiddleOf(quint64 bucket) {
  const int shift = static_cast<int>(bucket >> 8);
  const quint64 low = (bucket & 0xFF) << shift;
  return (static_cast<double>(low) + (std::ldexp(1.0, shift) - 1) / 2) / 1000.0;
}

void TimeTally::coarsen() {
  std::unordered_map<quint64, qint64> buckets;
  for (const auto& [us, n] : counts_) buckets[BucketOf(us)] += n;
  counts_.swap(buckets);
  coarse_ = true;
}

void TimeTally::add(double ms) {
  min_ = count_ == 0 ? ms : std::min(min_, ms);
  max_ = count_ == 0 ? ms : std::max(max_, ms);
  ++count_;
  const quint64 us = Microseconds(ms);
  ++counts_[coarse_ ? BucketOf(us) : us];
  if (!coarse_ && counts_.size() > static_cast<size_t>(exactLimit_)) coarsen();
}

double TimeTally::medianMs() const {
  if (count_ == 0) return 0;
  std::vector<std::pair<quint64, qint64>> sorted(counts_.begin(), counts_.end());
  std::sort(sorted.begin(), sorted.end());
  const qint64 target = (count_ - 1) / 2;
  qint64 seen = 0;
  double median = max_;
  for (const auto& [key, n] : sorted) {
    seen += n;
    if (seen > target) {
      median = coarse_ ? MiddleOf(key) : static_cast<double>(key) / 1000.0;
      break;
    }
  }
  return std::clamp(median, min_, max_);
}

void SummaryTally::add(const ScriptLineResult& r) {
  const uint8_t cm = CommandCode(r.frame);
  const uint8_t pm = ParameterCode(r.frame);
  const auto [it, added] = index_.emplace(cm * 256 + pm, entries_.size());
  if (added) {
    entries_.push_back({});
    entries_.back().command = cm;
    entries_.back().parameter = pm;
    times_.emplace_back(exactLimit_);
  }
  CommandSummary& s = entries_[it->second];
  ++s.sent;
  if (r.status == LineStatus::Positive) ++s.positive;
  else if (r.status == LineStatus::Negative) ++s.negative;
  else ++s.failed;
  times_[it->second].add(r.ms);
}

std::vector<CommandSummary> SummaryTally::summaries() const {
  std::vector<CommandSummary> out = entries_;
  for (size_t i = 0; i < out.size(); ++i) {
    out[i].minMs = times_[i].minMs();
    out[i].medianMs = times_[i].medianMs();
    out[i].maxMs = times_[i].maxMs();
    out[i].medianEstimated = times_[i].estimated();
  }
  return out;
}

QStringList SummaryTally::lines() const {
  QStringList out;
  for (const CommandSummary& s : summaries()) out << SummaryLine(s);
  return out;
}

std::vector<CommandSummary> Summarise(const std::vector<ScriptLineResult>& lines) {
  SummaryTally tally;
  for (const ScriptLineResult& r : lines) tally.add(r);
  return tally.summaries();
}

QString SummaryLine(const CommandSummary& s) {
  const auto hex = [](uint8_t b) {
    return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper() + QLatin1Char('h');
  };
  const auto ms = [](double v) { return QString::number(v, 'f', 1); };
  QString line = QStringLiteral("Summary %1/%2: %3 sent, %4 positive, %5 negative, %6 failed, %7/%8/%9 ms")
                     .arg(hex(s.command), hex(s.parameter))
                     .arg(s.sent)
                     .arg(s.positive)
                     .arg(s.negative)
                     .arg(s.failed)
                     .arg(ms(s.minMs), ms(s.medianMs), ms(s.maxMs));
  if (s.medianEstimated) line += QStringLiteral(" (median estimated within 1 %)");
  return line;
}

QStringList SummaryLines(const std::vector<ScriptLineResult>& lines) {
  QStringList out;
  for (const CommandSummary& s : Summarise(lines)) out << SummaryLine(s);
  return out;
}

}  // namespace kvt::report
