// SPDX-License-Identifier: MIT
#pragma once
// The command-line window's own transport: ExecuteScriptCommand sends one script frame and
// receives the reply with the runner's waits, honours a pending Stop or Cancel, and writes
// the raw bytes to `lstResults` and decoded, time-stamped Command and Reply blocks to
// `CmdStrBackList`. It shares the serial port and the exchange handshake with the button
// operations, not their engine.
#include <QByteArray>
#include <QDateTime>
#include <QStringList>
#include <functional>

#include "core/base/app_state.h"
#include "core/base/local_clock.h"
#include "core/base/log_sink.h"
#include "core/base/notifier.h"
#include "core/link/frame.h"
#include "core/link/serial_port.h"
#include "entry_list.h"

namespace kvt {

// Waits of the script transport, in milliseconds.
struct ScriptTimeouts {
  int ack = 500;          // acknowledgement after a command
  int header = 10000;     // the 4 header bytes of the reply
  int remainder = 10000;  // text, ETX and BCC of the reply
  int eotAnswer = 3000;   // anything after a cancelling EOT

  // Every wait divided by `factor` (at least 1 ms).
  ScriptTimeouts scaled(int factor) const;
};

extern const QString kCommandRule;  // "----... Command ----..."
extern const QString kReplyRule;    // "----... Reply ----..."
extern const QString kStopMessage;      // "Stop communication process"
extern const QString kCancelMessage;    // "Cancel communication process"
constexpr int kListCap = 500;           // a list holding more is emptied before the next exchange

// "[2013/09/09      14:05:07:42]": two-digit month, day, hour, minute and second, the
// milliseconds as they are.
QString TimeStamp(const QDateTime& t);

// "SD: " / "RD: " entries: 25 bytes an entry ("F2 " each), continuation entries begin with
// four spaces.
QStringList RawEntries(const QString& prefix, const QByteArray& bytes);

// "Data(Hex):" lines: 16 bytes a line, " - " after the 8th, continuation lines indented by
// `indent` spaces; "Data(Hex):<No data>" for no data.
QStringList DataLines(const QByteArray& data, int indent);

// The Command block of a complete frame and the Reply block of a reply text (from the kind
// to the check byte), without the empty entry that follows each.
QStringList CommandBlock(const QByteArray& frame, const QDateTime& at);
// "SW 9000: ..." for the positive reply to a command that carries an APDU (its data ends in
// the card's status word); nothing otherwise.
std::optional<QString> ReplyStatusWordLine(const QByteArray& frame, const QByteArray& reply);
QStringList ReplyBlock(const QByteArray& reply, const QDateTime& at);

class ScriptTransport {
 public:
  ScriptTransport(AppState& state, SerialPort& port, Notifier& notifier, EntryList& lstResults,
                  EntryList& cmdStrBackList, ScriptTimeouts t = {});

  // Lets the window handle pending clicks once (Stop and Cancel); called as a command is
  // about to be sent.
  std::function<void()> processPendingInput;
  // Removes the mark from the script line being sent.
  std::function<void()> clearHighlight;
  // The local time for the time stamps.
  std::function<QDateTime()> now = LocalNow;
  // Also takes the bytes of every raw entry as data (LogSink::traffic); may stay null.
  LogSink* traffic = nullptr;
  // Asked when a wait ends without the bytes it waited for: true ends the exchange as a
  // pending Cancel ends a run (EOT, "Cancel communication process"). The window leaves it
  // empty; the command line answers Ctrl-C through it.
  std::function<bool()> cancelRequested;

  // Sends the complete frame and takes the reply into `reply` (from the reply kind on).
  // 0: exchange completed, or the port flag is clear (nothing sent, reply untouched);
  // -1: no acknowledgement, a refused one, a missing remainder or a failed port (reported);
  // -2: stopped, cancelled or no reply header (reply.len = 0).
  int ExecuteScriptCommand(const QByteArray& frame, ReplyBuffer& reply);

  const ScriptTimeouts& timeouts() const { return t_; }
  void setTimeouts(const ScriptTimeouts& t) { t_ = t; }

 private:
  void addRaw(const QStringList& entries);
  void addBack(const QStringList& entries);
  QString readFirstAnswerAfterEot();
  void logBytes(Direction d, const QByteArray& bytes);
  bool cancelling();
  int cancelRun(ReplyBuffer& reply);
  void endRun();
  int ackStageFailure();
  int dataFailure();

  AppState& state_;
  SerialPort& port_;
  Notifier& notifier_;
  EntryList& results_;
  EntryList& back_;
  ScriptTimeouts t_;
};

}  // namespace kvt
