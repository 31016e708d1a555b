// SPDX-License-Identifier: MIT
// kvt730-script-bench: script lines per second through the command-line runner (the
// ScriptController and its ScriptTransport, as "kvt730ctl script" drives them) beside a
// bare POSIX loop sending the same frames.
//
//   kvt730-script-bench [--seconds N] [--rounds N]
//
// The script asks five things that change nothing in the reader: card status, sensor
// status, serial number, configuration, counter. Both sides talk to the same in-process
// simulated reader on a pseudo-terminal and take turns in short rounds; the median of the
// per-round ratios is the figure least disturbed by other load on the machine. Build with
// optimisation (CMAKE_BUILD_TYPE=Release) before reading anything into the rates.
#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/base/notifier.h"
#include "core/cmdline/entry_list.h"
#include "core/cmdline/script_control.h"
#include "core/cmdline/script_parse.h"
#include "core/cmdline/script_text.h"
#include "core/cmdline/script_transport.h"
#include "raw_exchange.h"
#include "tool_port.h"
#include "sim/pty_host.h"

namespace {

using bench::Clock;
using bench::Rate;
using bench::SecondsSince;

const QStringList kScript{
    QStringLiteral("C10"),       // card status
    QStringLiteral("C11"),       // sensor status
    QStringLiteral("C$a20$12"),  // serial number
    QStringLiteral("C$a30"),     // configuration
    QStringLiteral("C$a50"),     // capture counter
};

// The script box without a window, as the command line has it.
class BenchView : public kvt::ScriptView {
 public:
  BenchView(const QStringList& lines, qint64 repeats) : lines_(lines), repeat_(QString::number(repeats)) {}
  QString scriptText() const override { return lines_.join(QLatin1Char('\n')); }
  void setScriptText(const QString& text) override { lines_ = kvt::ScriptLines(text); }
  int lineCount() const override { return static_cast<int>(lines_.size()); }
  QString lineText(int line) const override { return lines_.at(line); }
  QString repeatText() const override { return repeat_; }
  void applyButtons(kvt::ButtonSet, bool) override {}
  void setScriptEnabled(bool) override {}
  void markLine(int) override {}
  void clearMark() override {}
  void showFigure(kvt::Figure, const QString&) override {}
  void processPendingInput() override {}

 private:
  QStringList lines_;
  QString repeat_;
};

// One Start of the runner with the script repeated `repeats` times; every line must get a
// positive reply.
Rate ScriptRun(const QString& device, qint64 repeats) {
  Rate r;
  bench::ToolPort tool;
  if (!tool.open(device, r)) return r;
  kvt::StringEntryList raw, blocks;  // emptied by the transport past kListCap entries
  kvt::ScriptTransport transport(tool.state, tool.port, tool.notifier, raw, blocks);
  BenchView view(kScript, repeats);
  kvt::ScriptController control(tool.state, view, transport, tool.notifier, [] { return QStringLiteral("0"); });
  control.load();
  const auto t0 = Clock::now();
  control.start();
  r.seconds = SecondsSince(t0);
  const kvt::ScriptTally& t = control.tally();
  r.exchanges = t.positive;
  r.failed = t.positive != repeats * kScript.size() || t.sent != t.positive;
  if (r.failed)
    std::fprintf(stderr, "script run: %d sent, %d positive, %d negative, %d failed, %d refused\n", t.sent,
                 t.positive, t.negative, t.failed, t.refused);
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  double seconds = 4.0;
  int rounds = 20;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc) {
      seconds = std::atof(argv[++i]);
    } else if (!std::strcmp(argv[i], "--rounds") && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: kvt730-script-bench [--seconds N] [--rounds N]\n");
      return 2;
    }
  }
  if (seconds <= 0) seconds = 4.0;

  std::vector<QByteArray> frames;
  for (const QString& line : kScript) frames.push_back(kvt::ParseScriptLine(line, 0).frame);

  sim::PtyHost host;
  std::string error;
  if (!host.start(&error)) {
    std::fprintf(stderr, "cannot start the simulated reader: %s\n", error.c_str());
    return 1;
  }
  const std::string device = host.slavePath();
  const QString qdevice = QString::fromStdString(device);

  // Each round: one script run sized from the last one's rate to last about `perRound`,
  // then the raw loop for as long as that run took.
  const double perRound = seconds / rounds;
  Rate s = ScriptRun(qdevice, 20);  // warm-up
  bench::RawLoop(device, frames, 0.2);
  if (s.failed) return 1;
  Rate script, raw;
  std::vector<double> ratios;
  for (int i = 0; i < rounds; ++i) {
    const qint64 repeats =
        std::max<qint64>(1, std::llround(perRound * s.perSecond() / static_cast<double>(kScript.size())));
    s = ScriptRun(qdevice, repeats);
    const Rate r = bench::RawLoop(device, frames, s.seconds);
    script.add(s);
    raw.add(r);
    if (s.failed || r.failed) break;
    if (r.perSecond() > 0) ratios.push_back(s.perSecond() / r.perSecond());
  }
  host.stop();
  if (script.failed || raw.failed || ratios.empty()) {
    std::printf("an exchange failed (script %s, raw %s)\n", script.failed ? "failed" : "ok",
                raw.failed ? "failed" : "ok");
    return 1;
  }
  std::sort(ratios.begin(), ratios.end());
  std::printf("script of %lld lines, %d rounds of about %.2f s, the raw loop as long as each script run:\n",
              static_cast<long long>(kScript.size()), rounds, perRound);
  std::printf("  script runner (kvt730ctl script)  %8.0f lines/s      (%ld in %.2f s)\n", script.perSecond(),
              script.exchanges, script.seconds);
  std::printf("  raw POSIX loop, same frames       %8.0f exchanges/s  (%ld in %.2f s)\n", raw.perSecond(),
              raw.exchanges, raw.seconds);
  std::printf("  ratio script / raw                %8.3f  overall, %.3f median of rounds (%.3f .. %.3f)\n",
              script.perSecond() / raw.perSecond(), ratios[ratios.size() / 2], ratios.front(), ratios.back());
  return 0;
}
