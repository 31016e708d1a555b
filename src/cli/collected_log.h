#pragma once
// The communication log of one run, kept as text and printed on request ("--log")
// exactly as the windows' MONITOR tab would hold it.
#include "app/log_sink.h"

namespace kvt::cli {

class CollectedLog : public LogSink {
 public:
  void append(const QString& t) override { text_ += t; }
  void clear() override { text_.clear(); }
  // One operation per run: each starts on an empty log, as with "Record Data" unticked.
  bool recordData() const override { return false; }

  const QString& text() const { return text_; }
  void print() const;

 private:
  QString text_;
};

}  // namespace kvt::cli
