// SPDX-License-Identifier: MIT
#pragma once
// Execution control of the command-line window: Start, Resume, Setp, Stop and Cancel over
// the lines of the script, the repeat counter and the button states. The window (or the
// command line) implements ScriptView and applies what the controller tells it.
#include <QString>
#include <functional>

#include "core/base/app_state.h"
#include "core/base/notifier.h"
#include "script_transport.h"

namespace kvt {

enum class ButtonSet { Idle, Running, Stepping, Finished, Paused };

// Which of Start / Resume / Setp / Stop / Cancel and the script box a set enables.
struct ButtonStates {
  bool start, resume, setp, stop, cancel, script;
  bool operator==(const ButtonStates& o) const {
    return start == o.start && resume == o.resume && setp == o.setp && stop == o.stop && cancel == o.cancel &&
           script == o.script;
  }
};
ButtonStates StatesOf(ButtonSet set);

// The status labels: Label1 repetitions left, Label2 LineCount, Label3 CurrentLine,
// Label6 RepeatCount, Label7 RepeatsLeft, Label8 StepCounter.
enum class Figure { Label1, Label2, Label3, Label6, Label7, Label8 };

class ScriptView {
 public:
  virtual ~ScriptView() = default;
  virtual QString scriptText() const = 0;
  virtual void setScriptText(const QString& text) = 0;
  virtual int lineCount() const = 0;                // as the text box counts its lines
  virtual QString lineText(int line) const = 0;     // 0 <= line < lineCount()
  virtual QString repeatText() const = 0;           // LianXuText
  // The set's Start / Resume / Setp / Stop / Cancel states, and the script box's when
  // withScript is true.
  virtual void applyButtons(ButtonSet set, bool withScript) = 0;
  virtual void setScriptEnabled(bool on) = 0;
  virtual void markLine(int line) = 0;
  virtual void clearMark() = 0;
  virtual void showFigure(Figure f, const QString& text) = 0;
  // Handles the clicks that wait, once.
  virtual void processPendingInput() = 0;
};

// The text of a line, or an empty text when the line does not exist.
QString GetScriptLine(const ScriptView& view, int line);

extern const QString kConnectFirst;    // "Please Connect RAVI First"
extern const QString kValueAboveZero;  // "The Value should > 0"
extern const QString kValueAtMost;     // more repetitions than the counter holds

// What the exchanges of a controller's runs gave, for the command line's exit status.
struct ScriptTally {
  int sent = 0;      // frames handed to the transport
  int positive = 0;  // replies of kind "P"
  int negative = 0;  // replies of kind "N"
  int failed = 0;    // no usable reply: failures, stops, cancels, other kinds
  int refused = 0;   // lines that could not be turned into a frame
};

// One line a run handed to the transport, as the exchange left it.
struct SentScriptLine {
  int line = 0;            // index in the script, from 0
  qint64 repetition = 1;   // the pass over the script, from 1
  QString text;            // the line as parsed (spaces trimmed)
  QByteArray frame;        // the whole frame sent
  int result = 0;          // what ExecuteScriptCommand gave
  ReplyBuffer reply;       // the reply from its kind on; empty unless result is 0
  bool halted = false;     // Stop or Cancel ended the run on this line
  qint64 nsecs = 0;        // how long the exchange took
};

class ScriptController {
 public:
  // addressText: the device address box, read as hex for every line.
  ScriptController(AppState& state, ScriptView& view, ScriptTransport& transport, Notifier& notifier,
                   std::function<QString()> addressText);

  void load();    // the window opens: RunMode -1, Idle
  void start();   // CmdExBtn "Start"
  void resume();  // CmdResumeBtn "Resume"
  void setp();    // CmdStepBtn "Setp"
  void stop();    // CmdStopBtn "Stop"
  void cancel();  // CmdCANCLEBtn "Cancel"

  // A Start, Resume or Setp is under way (its clicks arrive while the transport lets the
  // window handle pending input); another one is not begun meanwhile.
  bool busy() const { return busy_; }

  int stepDelayMs = 200;  // Setp's pause before sending
  // Told of every line sent, once its exchange is over; may stay empty.
  std::function<void(const SentScriptLine&)> lineSent;

  qint64 repeatCount() const { return repeatCount_; }
  qint64 repeatsLeft() const { return repeatsLeft_; }
  qint64 label1() const { return label1_; }
  int runMode() const { return runMode_; }
  int StepCounter() const { return stepCounter_; }
  const ScriptTally& tally() const { return tally_; }

 private:
  void run(bool resume);
  void finish();
  bool readRepeatCount();
  bool portOpened();
  void setLabel1(qint64 v);
  void showPosition();
  // Parses and sends one line; false when it was refused or the transport gave non-zero.
  bool sendLine(int line, const QString& text, bool stepping);

  AppState& state_;
  ScriptView& view_;
  ScriptTransport& transport_;
  Notifier& notifier_;
  std::function<QString()> addressText_;

  qint64 repeatCount_ = 0;
  qint64 repeatsLeft_ = 0;
  qint64 label1_ = 0;
  int runMode_ = -1;
  int stepCounter_ = 0;
  bool busy_ = false;
  ScriptTally tally_;
};

}  // namespace kvt
