// SPDX-License-Identifier: MIT
#include "script_records.h"

#include "output.h"
#include "report_file.h"
#include "run_output.h"

namespace kvt::cli {

namespace {

// Items of a JSON array one after the other, separated by commas.
void Append(Spool& spool, const QByteArray& item) { spool.write(spool.empty() ? item : ',' + item); }

}  // namespace

bool ScriptRecords::open(QString* error) {
  if (!json_) return true;
  if (lines_.open(QString(), error) && log_.open(QString(), error)) return true;
  *error = QStringLiteral("--json: %1").arg(*error);
  return false;
}

void ScriptRecords::add(const report::ScriptLineResult& r) {
  summary_.add(r);
  if (json_) Append(lines_, report::LineJson(r));
  if (junit_) junit_->add(r);
}

void ScriptRecords::addLog(const report::LogEntry& e) {
  if (json_) Append(log_, report::LogEntryJson(e));
}

void ScriptRecords::printJson(report::RunRecord& record) {
  const bool whole = !lines_.failed() && !log_.failed();
  if (!whole)
    PrintError(QStringLiteral("--json: the run's lines and log could not be kept: %1")
                   .arg(lines_.failed() ? lines_.errorText() : log_.errorText()));
  const report::RunJsonPieces pieces = report::ScriptRunJsonPieces(record, summary_.summaries());
  WriteWholeWith(false, [&](const PutBytes& put) {
    put(pieces.beforeLines);
    const auto pass = [&put](const QByteArray& b) {
      put(b);
      return true;
    };
    if (whole) lines_.replay(pass);
    put(pieces.betweenLinesAndLog);
    if (whole) log_.replay(pass);
    put(pieces.afterLog);
  });
}

}  // namespace kvt::cli
