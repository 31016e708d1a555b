#include "report/summary.h"

#include <algorithm>
#include <map>

namespace kvt::report {

std::vector<CommandSummary> Summarise(const std::vector<ScriptLineResult>& lines) {
  std::vector<CommandSummary> out;
  std::vector<std::vector<double>> times;
  std::map<int, size_t> index;  // command * 256 + parameter -> entry
  for (const ScriptLineResult& r : lines) {
    const uint8_t cm = CommandCode(r.frame);
    const uint8_t pm = ParameterCode(r.frame);
    const auto [it, added] = index.emplace(cm * 256 + pm, out.size());
    if (added) {
      out.push_back({});
      out.back().command = cm;
      out.back().parameter = pm;
      times.emplace_back();
    }
    CommandSummary& s = out[it->second];
    ++s.sent;
    if (r.status == LineStatus::Positive) ++s.positive;
    else if (r.status == LineStatus::Negative) ++s.negative;
    else ++s.failed;
    times[it->second].push_back(r.ms);
  }
  for (size_t i = 0; i < out.size(); ++i) {
    std::vector<double>& t = times[i];
    std::sort(t.begin(), t.end());
    out[i].minMs = t.front();
    out[i].medianMs = t[(t.size() - 1) / 2];
    out[i].maxMs = t.back();
  }
  return out;
}

QString SummaryLine(const CommandSummary& s) {
  const auto hex = [](uint8_t b) {
    return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper() + QLatin1Char('h');
  };
  const auto ms = [](double v) { return QString::number(v, 'f', 1); };
  return QStringLiteral("Summary %1/%2: %3 sent, %4 positive, %5 negative, %6 failed, %7/%8/%9 ms")
      .arg(hex(s.command), hex(s.parameter))
      .arg(s.sent)
      .arg(s.positive)
      .arg(s.negative)
      .arg(s.failed)
      .arg(ms(s.minMs), ms(s.medianMs), ms(s.maxMs));
}

QStringList SummaryLines(const std::vector<ScriptLineResult>& lines) {
  QStringList out;
  for (const CommandSummary& s : Summarise(lines)) out << SummaryLine(s);
  return out;
}

}  // namespace kvt::report
