// SPDX-License-Identifier: MIT
#pragma once
// The communication log of one run, kept as text and printed on request ("--log")
// exactly as the windows' MONITOR tab would hold it, and kept as data (the bytes of each
// line) for the JSON output.
#include <functional>
#include <vector>

#include "core/base/log_sink.h"
#include "core/report/run_record.h"

namespace kvt::cli {

class CollectedLog : public LogSink {
 public:
  // keepEntries: keep the bytes of every line (for the JSON output).
  explicit CollectedLog(bool keepEntries = true) : keepEntries_(keepEntries) {}
  void append(const QString& t) override { text_ += t; }
  // Only the text starts again with each operation; the bytes of every line stay.
  void clear() override { text_.clear(); }
  // One operation per run: each starts on an empty log, as with "Record Data" unticked.
  bool recordData() const override { return false; }
  void traffic(Direction d, const QByteArray& bytes, const QDateTime& at) override;

  // When set, takes the bytes of each line in place of entries() (a script's long run).
  std::function<void(const report::LogEntry&)> entrySink;

  const QString& text() const { return text_; }
  const std::vector<report::LogEntry>& entries() const { return entries_; }
  void print() const;

 private:
  bool keepEntries_;
  QString text_;
  std::vector<report::LogEntry> entries_;
};

}  // namespace kvt::cli
