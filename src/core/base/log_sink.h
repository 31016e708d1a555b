// SPDX-License-Identifier: MIT
#pragma once
// The communication log: the exchange engine appends "SD: " / "RD: " lines, each
// operation its closing blank line. The MONITOR tab implements it in the windows.
#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace kvt {

// Which way bytes went on the line: "SD: " (sent) or "RD: " (received).
enum class Direction { Sent, Received };

class LogSink {
 public:
  virtual ~LogSink() = default;
  virtual void append(const QString& text) = 0;
  virtual void clear() = 0;
  virtual void caretToEnd() {}
  virtual bool recordData() const = 0;  // the "Record Data" box
  // The bytes of one "SD: " / "RD: " line as they went, beside its text; `at` in UTC. A
  // sink that keeps the exchanges as data (the command line's JSON output) takes them here
  // instead of reading the text back.
  virtual void traffic(Direction, const QByteArray&, const QDateTime&) {}

  // Every reader operation calls this once the port check passed, before sending.
  void startOperation() {
    if (!recordData()) clear();
  }
};

// The log held as a string: the command line and the tests use it.
class StringLog : public LogSink {
 public:
  void append(const QString& t) override { text += t; }
  void clear() override { text.clear(); }
  bool recordData() const override { return record; }
  QString text;
  bool record = false;
};

}  // namespace kvt
