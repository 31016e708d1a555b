#include "script_command.h"

#include <QFile>

#include "app/conversions.h"
#include "app/text_file.h"
#include "cmdline/script_control.h"
#include "cmdline/script_parse.h"
#include "cmdline/script_text.h"
#include "exit_status.h"
#include "insight_commands.h"
#include "output.h"

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
  void processPendingInput() override {}

 private:
  QStringList lines_;
  QString repeat_;
};

// A list of the window on the terminal: each entry printed as it is added (echo) or kept
// for the end. Emptying the full list only restarts its count: what was printed stays.
class TerminalEntries : public EntryList {
 public:
  explicit TerminalEntries(bool echo) : echo_(echo) {}
  void add(const QString& entry) override {
    if (echo_) PrintLine(entry);
    else kept << entry;
    ++count_;
  }
  int count() const override { return count_; }
  void clear() override { count_ = 0; }
  void note(const QString& text) override { add(text); }
  QStringList kept;

 private:
  bool echo_;
  int count_ = 0;
};

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
    TerminalScript view(text, QString::number(repeat));
    TerminalEntries blocks(true);  // an APDU reply's status word gets a line of its own
    TerminalEntries raw(false);
    ScriptTransport transport(s.state, s.port, s.notifier, raw, blocks,
                              ScriptTimeouts{}.scaled(c.options.timeoutScale));
    ScriptController control(s.state, view, transport, s.notifier, [&c] { return c.options.address; });
    control.load();
    control.start();
    if (c.options.log)
      for (const QString& line : raw.kept) PrintLine(line);
    return ExitCodeFor(control.tally());
  };
}

}  // namespace kvt::cli
