// SPDX-License-Identifier: MIT
#pragma once
// Where a script run's lines go as they come, instead of the run's record keeping them all:
// the figures of the JSON summary, the JSON "lines" and "log" arrays (spooled), the port's
// part of the JUnit report. What a run of any length holds stays the same size.
#include <QString>

#include "core/report/run_record.h"
#include "core/report/summary.h"
#include "spool.h"

namespace kvt::cli {

class JUnitPart;

class ScriptRecords : public report::ScriptLineSink {
 public:
  // json: keep the JSON arrays; junit: the port's part of the report, or null.
  ScriptRecords(bool json, JUnitPart* junit) : json_(json), junit_(junit) {}
  // Makes the spools the JSON output needs; false, with why, when it cannot.
  bool open(QString* error);

  void add(const report::ScriptLineResult& r) override;
  void addLog(const report::LogEntry& e);

  // The run's JSON line, its arrays read back from the spools, on stdout in one piece;
  // when they could not be kept the arrays stay empty and the record's errors say why.
  void printJson(report::RunRecord& record);

 private:
  bool json_;
  JUnitPart* junit_;
  report::SummaryTally summary_;
  Spool lines_;
  Spool log_;
};

}  // namespace kvt::cli
