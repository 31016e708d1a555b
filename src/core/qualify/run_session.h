// SPDX-License-Identifier: MIT
#pragma once
// The session a qualification or wear run works through: the window's (or the command
// line's) state, port and log, with the messages of the operations taken down instead of
// shown, so that a refused move becomes a failure in the results and not a box to click
// away, and, when asked, a copy of the log kept for the report.
#include <memory>

#include "core/link/session.h"

namespace kvt::qualify {

// Keeps the messages until they are taken; questions are answered "no".
class CapturingNotifier : public Notifier {
 public:
  void show(const Message& m) override { messages_.push_back(m); }
  bool ask(const QString& title, const QString& text) override {
    messages_.push_back({MessageIcon::Question, title, text});
    return false;
  }
  // The messages since the last call, as one line each (MessageLine), joined by "; ".
  QString take();
  bool empty() const { return messages_.empty(); }

 private:
  std::vector<Message> messages_;
};

// Passes everything on to the log underneath and keeps a copy of the text that its
// clearing (each operation with "Record Data" unticked) does not touch.
class CopyingLog : public LogSink {
 public:
  explicit CopyingLog(LogSink& inner) : inner_(inner) {}
  void append(const QString& t) override {
    copy_ += t;
    inner_.append(t);
  }
  void clear() override { inner_.clear(); }
  void caretToEnd() override { inner_.caretToEnd(); }
  bool recordData() const override { return inner_.recordData(); }
  void traffic(Direction d, const QByteArray& b, const QDateTime& at) override { inner_.traffic(d, b, at); }
  const QString& copy() const { return copy_; }

 private:
  LogSink& inner_;
  QString copy_;
};

class RunSession {
 public:
  RunSession(Session& outer, bool keepLog);
  Session& session() { return *session_; }
  CapturingNotifier& notes() { return notes_; }
  // The log of the run (empty unless kept).
  QString log() const { return copy_ ? copy_->copy() : QString(); }

 private:
  CapturingNotifier notes_;
  std::unique_ptr<CopyingLog> copy_;
  std::unique_ptr<Session> session_;
};

}  // namespace kvt::qualify
