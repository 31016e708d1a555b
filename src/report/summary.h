#pragma once
// The figures of a script run per distinct command (command and parameter code), printed
// after the blocks.
#include <QString>
#include <QStringList>
#include <vector>

#include "report/script_results.h"

namespace kvt::report {

struct CommandSummary {
  uint8_t command = 0;
  uint8_t parameter = 0;
  int sent = 0;
  int positive = 0;
  int negative = 0;
  int failed = 0;  // everything else: failures, stops, replies of no known kind
  // Exchange times of every line sent with these codes. The median of an even count is
  // the lower of the two middle times.
  double minMs = 0;
  double medianMs = 0;
  double maxMs = 0;
};

// One entry per command, in the order the commands were first sent.
std::vector<CommandSummary> Summarise(const std::vector<ScriptLineResult>& lines);

// "Summary 31h/30h: 12 sent, 12 positive, 0 negative, 0 failed, 0.4/0.5/1.2 ms"
QString SummaryLine(const CommandSummary& s);

// The lines of every entry.
QStringList SummaryLines(const std::vector<ScriptLineResult>& lines);

}  // namespace kvt::report
