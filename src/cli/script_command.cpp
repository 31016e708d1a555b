// SPDX-License-Identifier: MIT
#include "script_command.h"

#include <QFile>

#include "core/base/conversions.h"
#include "core/base/text_file.h"
#include "core/cmdline/script_control.h"
#include "core/cmdline/script_parse.h"
#include "core/cmdline/script_text.h"
#include "core/report/summary.h"
#include "exit_status.h"
#include "insight_commands.h"
#include "output.h"
#include "spool.h"

namespace kvt::cli {

namespace {

// The script box without a window: the run's marks, buttons and figures have nowhere to
// show and clicks never come.
class TerminalScript : public ScriptView {
 public:
  TerminalScript(const QString& text, const QString& repeat) : lines_(ScriptLines(text)), repeat_(repeat) {}
  QString scriptText() const override { return lines_.join(QLatin1Char('\n')); }
  void setScriptText(const QString& text) override { lines_ = ScriptLines(text); }
  int lineCount() const override { return static_cast<int>(lines_.size()); }
  QString lineText(int line) const override { return lines_.at(line); }
  QString repeatText() const override { return repeat_; }
  void applyButtons(ButtonSet, bool) override {}
  void setScriptEnabled(bool) override {}
  void markLine(int) override {}
  void clearMark() override {}
  void showFigure(Figure, const QString&) override {}
  // The only click that can come is Ctrl-C, taken as Cancel.
  void processPendingInput() override {
    if (stop && stop() && controller) controller->cancel();
  }

  std::function<bool()> stop;
  ScriptController* controller = nullptr;

 private:
  QStringList lines_;
  QString repeat_;
};

// A list of the window on the terminal: each entry printed as it is added, written to a
// spool to be printed at the end, or dropped. Emptying the full list only restarts its
// count: what was printed stays.
class TerminalEntries : public EntryList {
 public:
  enum class Mode { Print, Spool, Drop };
  explicit TerminalEntries(Mode mode) : mode_(mode) {}
  void add(const QString& entry) override {
    if (mode_ == Mode::Print) PrintLine(entry);
    else if (mode_ == Mode::Spool) spool.write((entry + QLatin1Char('\n')).toUtf8());
    ++count_;
  }
  int count() const override { return count_; }
  void clear() override { count_ = 0; }
  void note(const QString& text) override { add(text); }
  // Prints what was spooled, line by line.
  void printSpooled() {
    spool.replayLines([](const QByteArray& line) {
      PrintLine(QString::fromUtf8(line.endsWith('\n') ? line.chopped(1) : line));
      return true;
    });
    if (spool.failed()) PrintError(QStringLiteral("--log: the raw lines could not be kept: %1").arg(spool.errorText()));
  }
  Spool spool;

 private:
  Mode mode_;
  int count_ = 0;
};

// Passes every message on and keeps the last one, for the line being sent.
class LineMessages : public Notifier {
 public:
  explicit LineMessages(Notifier& to) : to_(to) {}
  void show(const Message& m) override {
    last = m.text;
    to_.show(m);
  }
  bool ask(const QString& title, const QString& text) override {
    last = text;
    return to_.ask(title, text);
  }
  QString last;

 private:
  Notifier& to_;
};

report::LineStatus StatusOf(const SentScriptLine& s) {
  using report::LineStatus;
  if (s.halted) return LineStatus::Stopped;
  if (s.result != 0 || s.reply.len == 0) return LineStatus::Failed;
  if (s.reply.positive()) return LineStatus::Positive;
  if (s.reply.negative()) return LineStatus::Negative;
  return LineStatus::Unrecognised;
}

int ExitCodeFor(const ScriptTally& t) {
  if (t.refused > 0) return kExitBadInput;
  if (t.failed > 0) return kExitExchange;
  if (t.negative > 0) return kExitNegative;
  return kExitOk;
}

}  // namespace

Runner BindScript(const CliOptions& o, QString* error) {
  if (o.operands.size() != 1) {
    *error = QStringLiteral("script takes one operand: the script file");
    return {};
  }
  const QString path = o.operands[0];
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    *error = QStringLiteral("script %1: %2").arg(path, file.errorString());
    return {};
  }
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    *error = QStringLiteral("script %1: %2").arg(path, file.errorString());
    return {};
  }
  // As the window's Load and Start leave it.
  const QString text = TextIfOkBtn_fun(TrimSpaces(ScriptFromFile(bytes)));
  const QStringList lines = ScriptLines(text);
  if (text.isEmpty()) {
    *error = QStringLiteral("script %1: no command lines").arg(path);
    return {};
  }
  // The lines a run sends: up to the first one beginning below "0", which ends it.
  const uint8_t address = ReadHexByte(o.address).value_or(0);
  for (int i = 0; i < lines.size(); ++i) {
    if (lines[i].at(0).unicode() < 0x30) {
      if (i == 0) {
        *error = QStringLiteral("script %1: the first line \"%2\" ends the run before anything is sent "
                                "(a line beginning with a space, \"#\", \"$\", \"*\" or \"/\" ends a run)")
                     .arg(path, lines[i]);
        return {};
      }
      break;
    }
    const QString trimmed = TrimSpaces(lines[i]);
    const ScriptFrame f = ParseScriptLine(trimmed, address);
    if (!f.ok()) {
      *error = QStringLiteral("script %1: %2").arg(path, ScriptLineMessage(i, trimmed, f));
      return {};
    }
  }
  const int repeat = o.repeat.value_or(1);
  return [text, repeat](Context& c) {
    Session& s = c.session;
    c.record.script = true;
    TerminalScript view(text, QString::number(repeat));
    using Mode = TerminalEntries::Mode;
    // JSON output carries the lines as data instead of the blocks.
    TerminalEntries blocks(c.options.json ? Mode::Drop : Mode::Print);  // an APDU reply's status word gets a line of its own
    // "--log": the raw lines after the blocks, kept on disk until then.
    const bool rawAfter = c.options.log && !c.options.json;
    TerminalEntries raw(rawAfter ? Mode::Spool : Mode::Drop);
    QString error;
    if (rawAfter && !raw.spool.open(QString(), &error)) {
      PrintError(QStringLiteral("--log: %1").arg(error));
      return static_cast<int>(kExitBadInput);
    }
    LineMessages messages(s.notifier);
    ScriptTransport transport(s.state, s.port, messages, raw, blocks,
                              ScriptTimeouts{}.scaled(c.options.timeoutScale));
    transport.traffic = &s.log;
    transport.cancelRequested = [&c] { return c.stopRequested(); };
    ScriptController control(s.state, view, transport, messages, [&c] { return c.options.address; });
    view.stop = transport.cancelRequested;
    view.controller = &control;
    report::SummaryTally summary;
    control.lineSent = [&c, &messages, &summary](const SentScriptLine& sent) {
      report::ScriptLineResult r;
      r.repetition = sent.repetition;
      r.line = sent.line + 1;
      r.text = sent.text;
      r.frame = sent.frame;
      r.reply = sent.reply.bytes.left(sent.reply.len);
      r.status = StatusOf(sent);
      r.ms = static_cast<double>(sent.nsecs) / 1e6;
      r.at = QDateTime::currentDateTimeUtc().addMSecs(-sent.nsecs / 1000000);
      if (r.status != report::LineStatus::Positive && r.status != report::LineStatus::Negative)
        r.message = messages.last;
      summary.add(r);
      if (c.record.lineSink) c.record.lineSink->add(r);
      else c.record.lines.push_back(r);
      messages.last.clear();
    };
    control.load();
    control.start();
    if (!c.options.json)
      for (const QString& line : summary.lines()) PrintLine(line);
    if (rawAfter) raw.printSpooled();
    return ExitCodeFor(control.tally());
  };
}

}  // namespace kvt::cli
