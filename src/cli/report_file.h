#pragma once
// "--report FILE" of script: the JUnit XML report of the runs, written whole or not at all.
#include <QString>
#include <vector>

#include "report/run_record.h"

namespace kvt::cli {

// Empty when a report can be written at path (its folder exists and may be written, the
// path is no folder), else why not; checked before anything is opened.
QString CheckReportPath(const QString& path);

// The report of every run's lines (each run's port as its suites' package); suites name
// their port when `namePorts`. False with *error when the file could not be written.
bool WriteReport(const QString& path, const QString& scriptPath, const std::vector<report::RunRecord>& runs,
                 bool namePorts, QString* error);

}  // namespace kvt::cli
