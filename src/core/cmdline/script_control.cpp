// SPDX-License-Identifier: MIT
#include "script_control.h"

#include <QElapsedTimer>
#include <algorithm>

#include "core/base/conversions.h"
#include "core/base/text_file.h"
#include "core/link/engine.h"
#include "core/link/negative_reply.h"
#include "script_parse.h"
#include "script_text.h"

namespace kvt {

const QString kConnectFirst = QStringLiteral("Please Connect RAVI First");
const QString kValueAboveZero = QStringLiteral("The Value should > 0");
const QString kValueAtMost = QStringLiteral("The Value should <= 2147483647");

namespace {
const QString kLowerCaution = QStringLiteral("caution");

// Holds the busy flag for the length of a handler.
class Busy {
 public:
  explicit Busy(bool& flag) : flag_(flag) { flag_ = true; }
  ~Busy() { flag_ = false; }

 private:
  bool& flag_;
};

bool BelowDigitZero(const QString& text) { return text.at(0).unicode() < 0x30; }
}  // namespace

ButtonStates StatesOf(ButtonSet set) {
  switch (set) {
    case ButtonSet::Idle: return {true, false, true, false, false, true};
    case ButtonSet::Running: return {false, false, false, true, true, false};
    case ButtonSet::Stepping: return {false, false, true, true, true, false};
    case ButtonSet::Finished: return {true, false, true, false, true, true};
    case ButtonSet::Paused: return {false, true, true, true, true, true};
  }
  return {};
}

QString GetScriptLine(const ScriptView& view, int line) {
  return line >= 0 && line < view.lineCount() ? view.lineText(line) : QString();
}

ScriptController::ScriptController(AppState& state, ScriptView& view, ScriptTransport& transport,
                                   Notifier& notifier, std::function<QString()> addressText)
    : state_(state), view_(view), transport_(transport), notifier_(notifier), addressText_(std::move(addressText)) {
  transport_.processPendingInput = [this] { view_.processPendingInput(); };
  transport_.clearHighlight = [this] { view_.clearMark(); };
}

void ScriptController::load() {
  runMode_ = -1;
  view_.applyButtons(ButtonSet::Idle, true);
}

bool ScriptController::portOpened() {
  if (state_.PortOpened) return true;
  notifier_.warn(kLowerCaution, kConnectFirst);
  return false;
}

bool ScriptController::readRepeatCount() {
  repeatCount_ = WholeValue(view_.repeatText());
  if (repeatCount_ > kMaxRepeatCount) {
    notifier_.warn(kCaution, kValueAtMost);
    return false;
  }
  if (repeatCount_ >= 1) return true;
  notifier_.warn(kCaution, kValueAboveZero);
  return false;
}

void ScriptController::setLabel1(qint64 v) {
  label1_ = v;
  view_.showFigure(Figure::Label1, QString::number(v));
}

void ScriptController::showPosition() {
  view_.showFigure(Figure::Label2, QString::number(state_.LineCount));
  view_.showFigure(Figure::Label3, QString::number(state_.CurrentLine));
}

bool ScriptController::sendLine(int line, const QString& text, bool stepping) {
  const QString trimmed = TrimSpaces(text);
  const auto address = ReadHexByte(addressText_ ? addressText_() : QString());
  if (!address) {
    notifier_.warn(kCaution, kDataError);
    ++tally_.refused;
    return false;
  }
  const ScriptFrame f = ParseScriptLine(trimmed, *address);
  if (!f.ok()) {
    notifier_.warn(kCaution, ScriptLineMessage(line, trimmed, f));
    ++tally_.refused;
    return false;
  }
  if (stepping) DelayMs(stepDelayMs);
  view_.markLine(line);
  ReplyBuffer reply;
  ++tally_.sent;
  QElapsedTimer clock;
  clock.start();
  const int result = transport_.ExecuteScriptCommand(f.frame, reply);
  const qint64 nsecs = clock.nsecsElapsed();
  if (result == 0 && reply.positive()) ++tally_.positive;
  else if (result == 0 && reply.negative()) ++tally_.negative;
  else ++tally_.failed;
  if (lineSent) {
    SentScriptLine sent;
    sent.line = line;
    sent.repetition = std::max<qint64>(1, repeatCount_ - repeatsLeft_ + 1);
    sent.text = trimmed;
    sent.frame = f.frame;
    sent.result = result;
    if (result == 0) sent.reply = reply;
    sent.halted = result != 0 && state_.RunControl != ScriptControl::Run;
    sent.nsecs = nsecs;
    lineSent(sent);
  }
  if (stepping && result == 0 && reply.negative())
    ShowNegativeReply(notifier_, static_cast<char>(reply.at(3)), static_cast<char>(reply.at(4)));
  return result == 0;
}

void ScriptController::start() { run(false); }

void ScriptController::resume() { run(true); }

void ScriptController::run(bool resume) {
  if (busy_) return;
  Busy busy(busy_);
  if (!readRepeatCount()) return;
  view_.applyButtons(ButtonSet::Running, true);
  if (!resume) runMode_ = 1;
  view_.setScriptText(TextIfOkBtn_fun(view_.scriptText()));
  if (!resume) setLabel1(repeatCount_);
  repeatsLeft_ = label1_;

  int first = resume ? state_.CurrentLine : 0;
  for (;;) {  // one pass over the lines
    state_.LineCount = view_.lineCount();
    state_.RunControl = ScriptControl::Run;
    view_.setScriptEnabled(false);
    for (int line = first;; ++line) {
      if (!state_.PortOpened) {
        notifier_.warn(kLowerCaution, kConnectFirst);
        return;
      }
      state_.CurrentLine = line;
      showPosition();
      view_.clearMark();
      const QString text = line < state_.LineCount ? GetScriptLine(view_, line) : QString();
      view_.setScriptEnabled(false);
      if (!text.isEmpty()) {
        if (BelowDigitZero(text) || !sendLine(line, text, false)) return finish();
        continue;
      }
      if (line == 0) return;  // an empty script: nothing to do, the buttons stay as they are
      // Past the last line: one repetition done.
      repeatsLeft_ -= 1;
      setLabel1(repeatsLeft_);
      if (repeatsLeft_ <= 0) return finish();
      state_.CurrentLine = 0;
      first = 0;
      break;
    }
  }
}

void ScriptController::finish() {
  if (state_.CurrentLine != 0) view_.clearMark();
  state_.CurrentLine = 0;
  view_.applyButtons(ButtonSet::Finished, true);
}

void ScriptController::setp() {
  if (busy_) return;
  Busy busy(busy_);
  if (!portOpened()) return;
  if (!readRepeatCount()) return;
  view_.applyButtons(ButtonSet::Stepping, true);
  runMode_ = 3;
  view_.setScriptText(TextIfOkBtn_fun(view_.scriptText()));
  if (label1_ == 0) setLabel1(repeatCount_);
  repeatsLeft_ = label1_;

  // Find the line to send.
  QString text;
  bool send = false;
  for (;;) {
    state_.LineCount = view_.lineCount();
    state_.RunControl = ScriptControl::Run;
    view_.setScriptEnabled(false);
    // The counter wraps at the line count (also when the script has become shorter).
    if (++stepCounter_ >= state_.LineCount) {
      stepCounter_ = 0;
      setLabel1(label1_ - 1);
    }
    showPosition();
    view_.showFigure(Figure::Label6, QString::number(repeatCount_));
    view_.showFigure(Figure::Label7, QString::number(repeatsLeft_));
    view_.showFigure(Figure::Label8, QString::number(stepCounter_));
    view_.clearMark();
    text = GetScriptLine(view_, state_.CurrentLine);
    if (!text.isEmpty()) {
      send = !BelowDigitZero(text);
      break;
    }
    repeatsLeft_ -= 1;
    if (label1_ == 0 || repeatsLeft_ == 0) break;
    if (state_.CurrentLine == 0) break;  // an empty script: nothing to send
    state_.CurrentLine = 0;
  }
  if (send) sendLine(state_.CurrentLine, text, true);

  // Advance to the line the next Setp sends.
  state_.CurrentLine += 1;
  if (state_.CurrentLine < state_.LineCount) {
    view_.markLine(state_.CurrentLine);
  } else {
    view_.clearMark();
    state_.CurrentLine = 0;
  }
  view_.applyButtons(label1_ == 0 ? ButtonSet::Finished : ButtonSet::Paused, true);
}

void ScriptController::stop() {
  if (!portOpened()) return;
  state_.RunControl = ScriptControl::Stop;
  if (runMode_ == 1) {
    view_.applyButtons(ButtonSet::Paused, false);
    setLabel1(0);
  } else {
    view_.applyButtons(ButtonSet::Idle, true);
  }
}

void ScriptController::cancel() {
  if (!portOpened()) return;
  state_.RunControl = ScriptControl::Cancel;
  view_.applyButtons(ButtonSet::Idle, true);
  setLabel1(0);
}

}  // namespace kvt
