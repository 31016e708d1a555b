// SPDX-License-Identifier: MIT
// kvt730-cmdline-window-bench: the command-line window's Start run against the simulated
// reader, as "kvt730-tool --simulate" runs it (offscreen unless told otherwise): lines per
// second, CPU per line, how often the list of blocks is painted, memory over the run and
// after the window closes, and how soon a click on Stop ends a run. Run by hand:
//
//   kvt730-cmdline-window-bench [--lines N] [--stops N]     (default 50000 lines, 5 stops)
//
// The script is ten lines that change nothing in the reader (card and sensor status,
// firmware version, serial number, configuration, counter). Memory is read from
// /proc/self/status (VmRSS, VmHWM) and from malloc (the heap in use), after 1,000 lines,
// every 10% of the run and at its end. Each Stop is a mouse click posted from another
// thread a second into a long run; its figure is the time from the post until Start's
// handler has returned. Build with optimisation (CMAKE_BUILD_TYPE=Release) before reading
// anything into the rates.
#include <malloc.h>
#include <sys/resource.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "core/base/notifier.h"
#include "gui/app/reader_main_b.h"
#include "gui/cmdline/cmdline_window.h"
#include "simulation/simulation.h"

namespace {

using Form = kvt::KVT_730_B_CMDExuteForm;

const char* kScript = "C10\nC11\nC$DC1\nC$A20$12\nC$A30\nC$A50\nC10\nC11\nC$A30\nC$A50";
constexpr int kScriptLines = 10;

long StatusKib(const char* field) {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith(field)) return line.mid(static_cast<int>(std::strlen(field))).trimmed().split(' ')[0].toLong();
  return 0;
}

double HeapMib() { return static_cast<double>(mallinfo2().uordblks) / (1024.0 * 1024.0); }
double Mib(long kib) { return static_cast<double>(kib) / 1024.0; }

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void Click(QObject* root, const char* name) {
  if (auto* b = root->findChild<QAbstractButton*>(QString::fromLatin1(name))) b->click();
  else std::fprintf(stderr, "no button %s\n", name);
}

// Counts the times a widget is painted.
class PaintCounter : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++paints;
    return false;
  }
  long paints = 0;
};

void Line(const char* what, long lines, double heap, long rss) {
  std::printf("  %-26s %8ld lines   heap in use %7.1f MiB   resident %7.1f MiB\n", what, lines, heap, Mib(rss));
}

// One Start over `lines` lines of the script; the figures as it goes.
void Throughput(Form& form, long lines) {
  long sent = 0;
  long nextSample = 1000;
  form.controller().lineSent = [&](const kvt::SentScriptLine&) {
    if (++sent < nextSample) return;
    Line("after", sent, HeapMib(), StatusKib("VmRSS:"));
    nextSample = nextSample == 1000 ? std::max<long>(lines / 10, 2000) : nextSample + std::max<long>(lines / 10, 1000);
  };
  form.findChild<QPlainTextEdit*>(QStringLiteral("CmdStrText"))->setPlainText(QString::fromLatin1(kScript));
  form.findChild<QLineEdit*>(QStringLiteral("LianXuText"))->setText(QString::number(lines / kScriptLines));
  // The list of blocks on the page in view: it changes with every line.
  QWidget* list = form.findChild<QListWidget*>(QStringLiteral("CmdStrBackList"))->viewport();
  PaintCounter paints;
  list->installEventFilter(&paints);
  QElapsedTimer clock;
  const double cpu0 = CpuSeconds();
  clock.start();
  Click(&form, "CmdExBtn");
  const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
  const double cpu = CpuSeconds() - cpu0;
  list->removeEventFilter(&paints);
  form.controller().lineSent = nullptr;
  const kvt::ScriptTally& t = form.controller().tally();
  std::printf("  %ld lines in %.2f s: %.0f lines/s, %.3f ms CPU a line, the list painted %ld times (%.0f a "
              "second); %d positive replies\n",
              sent, seconds, static_cast<double>(sent) / seconds, cpu * 1000 / static_cast<double>(sent), paints.paints,
              static_cast<double>(paints.paints) / seconds, t.positive);
  Line("at the end", sent, HeapMib(), StatusKib("VmRSS:"));
}

// Clicks Stop from another thread a second into a long run; how long until the run ended.
double StopLatencyMs(Form& form) {
  form.findChild<QLineEdit*>(QStringLiteral("LianXuText"))->setText(QStringLiteral("1000000"));
  QWidget* stop = form.findChild<QWidget*>(QStringLiteral("CmdStopBtn"));
  std::chrono::steady_clock::time_point posted;
  std::thread clicker([&] {
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const QPointF at(stop->width() / 2.0, stop->height() / 2.0);
    posted = std::chrono::steady_clock::now();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
      QCoreApplication::postEvent(stop, new QMouseEvent(type, at, stop->mapToGlobal(at), Qt::LeftButton,
                                                        type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                                        Qt::NoModifier));
  });
  Click(&form, "CmdExBtn");
  const auto ended = std::chrono::steady_clock::now();
  clicker.join();
  return std::chrono::duration<double, std::milli>(ended - posted).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  long lines = 50000;
  int stops = 5;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--lines") && i + 1 < argc) {
      lines = std::max(kScriptLines, std::atoi(argv[++i]));
    } else if (!std::strcmp(argv[i], "--stops") && i + 1 < argc) {
      stops = std::max(0, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: kvt730-cmdline-window-bench [--lines N] [--stops N]\n");
      return 2;
    }
  }

  kvt::PortMap ports;
  kvt::Simulation simulation;
  QString error;
  if (!simulation.start(ports, &error)) {
    std::fprintf(stderr, "cannot start the simulated reader: %s\n", qPrintable(error));
    return 1;
  }
  kvt::AppState state;
  kvt::RecordingNotifier notifier;
  kvt::KVT_730_B_ReaderMain main(state, notifier, ports);
  main.show();
  main.runDialog = [](QDialog& d) { Click(&d, "Command1"); };
  Click(&main, "IROpencom");
  if (!state.PortOpened) {
    std::fprintf(stderr, "the port did not open\n");
    return 1;
  }
  std::printf("the command-line window's Start, %s, a %d-line script:\n", qPrintable(QGuiApplication::platformName()),
              kScriptLines);
  Line("before the window opens", 0, HeapMib(), StatusKib("VmRSS:"));
  std::vector<double> latencies;
  main.runDialog = [&](QDialog& d) {
    auto& form = dynamic_cast<Form&>(d);
    form.show();
    QCoreApplication::processEvents();
    Line("window open", 0, HeapMib(), StatusKib("VmRSS:"));
    Throughput(form, lines);
    for (int i = 0; i < stops; ++i) latencies.push_back(StopLatencyMs(form));
  };
  Click(&main, "OpenCmdFormBtn");
  QCoreApplication::processEvents();
  Line("window closed", 0, HeapMib(), StatusKib("VmRSS:"));
  std::printf("  peak resident %.1f MiB\n", Mib(StatusKib("VmHWM:")));
  if (!latencies.empty()) {
    std::sort(latencies.begin(), latencies.end());
    std::printf("  Stop: click to the end of the run %.0f ms median, %.0f .. %.0f ms over %zu clicks\n",
                latencies[latencies.size() / 2], latencies.front(), latencies.back(), latencies.size());
  }
  for (const kvt::Message& m : notifier.messages)
    if (m.text != QLatin1String("Stop communication process"))
      std::printf("  message: %s | %s\n", qPrintable(m.title), qPrintable(m.text));
  return 0;
}
