// SPDX-License-Identifier: MIT
// Script files as anyone may write them: the file's bytes become the script text, each
// line is parsed into a frame, and the runner's Start, Resume and Setp go through scripts
// of up to 256 characters against a reader that answers every frame (positive for an even
// parameter code, negative for an odd one). A run is stopped after a bounded number of
// frames, as a user presses Stop.
//
// Input: byte 0 chooses the buttons (bits 0-1), the repeat count text (bits 2-4) and the
// device address text (bit 5); the rest is the file.
#include "core/base/conversions.h"
#include "core/base/text_file.h"
#include "core/cmdline/script_control.h"
#include "core/cmdline/script_parse.h"
#include "core/cmdline/script_text.h"
#include "fuzz_support.h"

using namespace kvt;

namespace {

// The user presses Stop before the fourth frame, or once more than 256 bytes went out.
// That is enough for three Setp presses and for a one-line script to end its second pass;
// every further frame, and every byte of a long one, costs logging (hex text twice over)
// and reaches no new road of the runner. The parser sees long lines all the same.
constexpr int kMostFrames = 4;
constexpr int kMostBytes = 256;
constexpr int kMostRunnerText = 256;
constexpr int kMostMessages = 8;
constexpr qint64 kHeldAt = 9000000000000000000;

class TextView : public ScriptView {
 public:
  QString repeat;
  ScriptController* controller = nullptr;
  int pending = 0;
  const QByteArray* sent = nullptr;  // what went to the reader so far

  QString scriptText() const override { return text_; }
  void setScriptText(const QString& t) override {
    text_ = t;
    lines_ = ScriptLines(t);
  }
  int lineCount() const override { return static_cast<int>(lines_.size()); }
  QString lineText(int line) const override {
    KVT_FUZZ_CHECK(line >= 0 && line < lines_.size());
    return lines_[line];
  }
  QString repeatText() const override { return repeat; }
  void applyButtons(ButtonSet, bool) override {}
  void setScriptEnabled(bool) override {}
  void markLine(int line) override { KVT_FUZZ_CHECK(line >= 0 && line < lineCount()); }
  void clearMark() override {}
  void showFigure(Figure, const QString&) override {}
  void processPendingInput() override {
    const bool enough = ++pending >= kMostFrames || (sent && sent->size() > kMostBytes);
    if (enough && controller) controller->stop();
  }

 private:
  QString text_;
  QStringList lines_;
};

// The transport's lists as counts: the entries themselves are checked by
// fuzz_script_transport.
class CountingList : public EntryList {
 public:
  void add(const QString&) override { ++entries_; }
  int count() const override { return entries_; }
  void clear() override { entries_ = 0; }

 private:
  int entries_ = 0;
};

// withMessage: also word the refusal, as the runner does for the line it stops at (a few
// lines a run: a script of a thousand empty lines would otherwise spend its time there).
void CheckLine(const QString& line, uint8_t address, bool withMessage) {
  const QString t = TrimSpaces(line);
  const ScriptFrame f = ParseScriptLine(t, address);
  if (!f.ok()) {
    KVT_FUZZ_CHECK(f.frame.isEmpty());
    if (withMessage) KVT_FUZZ_CHECK(!ScriptLineMessage(0, t, f).isEmpty());
    if (f.error == ScriptLineError::ByteTooLarge || f.error == ScriptLineError::NoSingleByte)
      KVT_FUZZ_CHECK(f.errorColumn >= 1 && f.errorColumn <= t.size());
    return;
  }
  const QByteArray& fr = f.frame;
  KVT_FUZZ_CHECK(fr.size() <= kMaxScriptFrame && f.end == fr.size() - 2);
  KVT_FUZZ_CHECK(static_cast<uint8_t>(fr[0]) == STX && static_cast<uint8_t>(fr[1]) == address);
  KVT_FUZZ_CHECK(256 * static_cast<uint8_t>(fr[2]) + static_cast<uint8_t>(fr[3]) == fr.size() - 6);
  KVT_FUZZ_CHECK(fr[4] == 'C' && static_cast<uint8_t>(fr[f.end]) == ETX);
  KVT_FUZZ_CHECK(CalcBCC(fr) == static_cast<uint8_t>(fr.back()));
  KVT_FUZZ_CHECK(ScriptBody(t) == fr.mid(4, fr.size() - 6));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 4096) return 0;
  const uint8_t how = data[0];
  const QByteArray file(reinterpret_cast<const char*>(data + 1), static_cast<int>(size - 1));

  // The text, its lines and its file form.
  const QString text = ScriptFromFile(file);
  KVT_FUZZ_CHECK(ScriptFromFile(ScriptToFile(text)) == text);
  const QStringList lines = ScriptLines(text);
  KVT_FUZZ_CHECK(!lines.isEmpty());
  const QString kept = TextIfOkBtn_fun(text);
  if (!kept.isEmpty())
    for (const QString& l : ScriptLines(kept)) KVT_FUZZ_CHECK(!l.isEmpty());
  for (int i = 0; i < lines.size(); ++i) CheckLine(lines[i], 0, i < kMostMessages);
  // The first line as a repeat count text: beyond 64 bits the value is held at +-9e18 (the
  // runner checks the range it counts). One line a run is enough, the fuzzer writes it.
  const qint64 v = WholeValue(lines.first());
  KVT_FUZZ_CHECK(v >= -kHeldAt && v <= kHeldAt);

  // The runner over it, when it is short: the runner's roads depend on the kinds and the
  // number of lines, which a short text has all of; a long one only costs filtering and
  // logging.
  if (text.size() > kMostRunnerText) return 0;
  static const char* const repeats[] = {"1", "2", "0", "-1", "2.5", " 3", "1e9", nullptr};
  const char* repeat = repeats[(how >> 2) & 7];
  const QString addressText = how & 0x20 ? QStringLiteral("0A") : QStringLiteral("0");

  AppState state;
  state.PortOpened = true;
  fuzz::StreamPort port;
  port.onWrite = [&port](const QByteArray& w) {
    if (w.size() < 8) return;
    const char cm = w[5], pm = w[6];
    const QByteArray reply = pm % 2 == 0 ? QByteArray("P") + cm + pm + "000" : QByteArray("N") + cm + pm + "10";
    port.append(fuzz::AckAndReply(reply));
  };
  RecordingNotifier notifier;
  CountingList results, back;
  ScriptTransport transport(state, port, notifier, results, back, ScriptTimeouts{}.scaled(100000));
  static const QDateTime at(QDate(2013, 9, 9), QTime(14, 5, 7, 42));
  transport.now = [] { return at; };
  TextView view;
  view.setScriptText(text);
  view.repeat = repeat ? QString::fromLatin1(repeat) : lines.first();
  ScriptController controller(state, view, transport, notifier, [&] { return addressText; });
  controller.stepDelayMs = 0;
  view.controller = &controller;
  view.sent = &port.written;
  controller.load();
  switch (how & 3) {
    case 0: controller.start(); break;
    case 1: for (int i = 0; i < 3; ++i) controller.setp(); break;
    case 2: controller.start(); controller.resume(); break;
    default: controller.setp(); controller.start(); break;
  }
  const ScriptTally& t = controller.tally();
  // A repeat count the counter cannot hold is refused before anything is sent.
  const qint64 count = WholeValue(view.repeat);
  if (count < 1 || count > kMaxRepeatCount) KVT_FUZZ_CHECK(t.sent == 0 && port.writes == 0);
  KVT_FUZZ_CHECK(t.positive + t.negative + t.failed == t.sent);
  KVT_FUZZ_CHECK(state.CurrentLine >= 0 && state.CurrentLine <= state.LineCount);
  KVT_FUZZ_CHECK(!controller.busy());
  return 0;
}
