// SPDX-License-Identifier: MIT
#pragma once
// "--report FILE" of script: the JUnit XML report of the runs, written whole or not at all.
// Each repetition's suite is written out as the run goes (to a spool beside the report);
// the file itself appears once the runs are over, complete, in place of the old one.
#include <QString>
#include <memory>
#include <vector>

#include "core/report/junit_report.h"
#include "spool.h"

namespace kvt::cli {

// Empty when a report can be written at path (its folder exists and may be written, the
// path is no folder), else why not; checked before anything is opened.
QString CheckReportPath(const QString& path);

// One port's part of the report: its runs' lines, a suite per repetition.
class JUnitPart {
 public:
  // `port` names the suites' package (and their names when `namePort`); `scriptPath` is
  // the script as given.
  JUnitPart(const QString& port, const QString& scriptPath, bool namePort);
  // Makes the spool in the report's folder; false, with why, when it cannot.
  bool open(const QString& reportPath, QString* error);

  // A line as it ran: the suite under way is written out when a new repetition begins.
  void add(const report::ScriptLineResult& r);
  // Writes out the suite under way.
  void finish();

  const report::JUnitTotals& totals() const { return totals_; }
  qint64 suites() const { return suites_; }
  // The suites' text into `out`, their ids raised by `idOffset`; false with *error when
  // it cannot be read back.
  bool copyTo(QIODevice& out, qint64 idOffset, QString* error);

 private:
  QString port_;
  QString scriptName_;
  bool namePort_;
  QString hostname_;
  report::JUnitSuite current_;
  report::JUnitTotals totals_;
  qint64 suites_ = 0;
  Spool spool_;
};

// The report of every part, in their order; false with *error when the file could not be
// written (the old file then stays as it was).
bool WriteReport(const QString& path, const std::vector<JUnitPart*>& parts, QString* error);

}  // namespace kvt::cli
