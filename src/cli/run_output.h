// SPDX-License-Identifier: MIT
#pragma once
// Where the output of one run goes. Each run installs its own on the thread it runs on, so
// runs on several ports at once never print from two threads into one line: the text
// output writes each line whole (with the port in front when asked), the record output
// keeps everything for the JSON object printed at the end.
#include <QString>
#include <functional>

#include "core/base/notifier.h"
#include "core/report/run_record.h"

namespace kvt::cli {

class RunOutput {
 public:
  virtual ~RunOutput() = default;
  virtual void line(const QString& text) = 0;
  virtual void field(const QString& name, const QString& value) { line(name + QStringLiteral(": ") + value); }
  virtual void message(const Message& m) { line(MessageLine(m)); }
  // Text with its own line ends (the log as the MONITOR tab holds it).
  virtual void raw(const QString& text) = 0;
  // A diagnostic, without the program's name.
  virtual void error(const QString& text) = 0;
};

// The output installed on this thread; null when none is.
RunOutput* CurrentOutput();

// Installs an output on this thread for as long as it lives.
class OutputScope {
 public:
  explicit OutputScope(RunOutput& output);
  ~OutputScope();
  OutputScope(const OutputScope&) = delete;
  OutputScope& operator=(const OutputScope&) = delete;

 private:
  RunOutput* previous_;
};

// Lines on stdout, diagnostics on stderr, each line starting with `prefix` ("COM3: ") when
// one is given.
class TextOutput : public RunOutput {
 public:
  explicit TextOutput(QString prefix = {}) : prefix_(std::move(prefix)) {}
  void line(const QString& text) override;
  void raw(const QString& text) override;
  void error(const QString& text) override;

 private:
  QString prefix_;
};

// Everything kept in a record; diagnostics also go to stderr as TextOutput writes them.
class RecordOutput : public RunOutput {
 public:
  RecordOutput(report::RunRecord& record, QString prefix = {}) : record_(record), errors_(std::move(prefix)) {}
  void line(const QString& text) override { record_.text << text; }
  void field(const QString& name, const QString& value) override { record_.fields.push_back({name, value}); }
  void message(const Message& m) override { record_.messages.push_back(m); }
  void raw(const QString&) override {}  // the log is kept as data
  void error(const QString& text) override;

 private:
  report::RunRecord& record_;
  TextOutput errors_;
};

// Writes the bytes to stdout (or stderr) in one piece while no other thread writes.
void WriteWhole(bool toStderr, const QByteArray& bytes);

// The same for text too long to hold: `write` hands the pieces to the function it gets.
using PutBytes = std::function<void(const QByteArray&)>;
void WriteWholeWith(bool toStderr, const std::function<void(const PutBytes&)>& write);

}  // namespace kvt::cli
