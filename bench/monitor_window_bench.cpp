// SPDX-License-Identifier: MIT
// kvt730-monitor-window-bench: the Line Monitor window on a busy line.
//
//   kvt730-monitor-window-bench [--seconds S] [--rate UNITS_PER_S]
//
// The window (offscreen unless a display is given) monitors a simulated reader; a thread
// plays the application, Card Status exchanges at rate / 4 a second (four units each),
// for S seconds (default 600 at 200 units/s). Every second it samples how far the table is
// behind the line, the rows it holds and the process's resident memory; at the end it
// prints the largest lag (goal: under 100 ms) and the memory growth.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "core/base/notifier.h"
#include "core/link/frame.h"
#include "gui/monitor/line_monitor_window.h"
#include "raw_exchange.h"
#include "sim/pty_host.h"

namespace {

long ResidentKb() {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("DISPLAY") && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QStringList args = app.arguments();
  const auto value = [&](const char* name, double fallback) {
    const int at = args.indexOf(QLatin1String(name));
    return at >= 0 && at + 1 < args.size() ? args[at + 1].toDouble() : fallback;
  };
  const double seconds = value("--seconds", 600), rate = value("--rate", 200);

  sim::PtyHost reader;
  if (!reader.start()) return 1;
  kvt::RecordingNotifier notifier;
  kvt::LineMonitorWindow window({}, notifier);
  window.show();
  window.findChild<QComboBox*>(QStringLiteral("MonitorReaderCombo"))->setCurrentText(QString::fromStdString(reader.slavePath()));
  window.findChild<QPushButton*>(QStringLiteral("MonitorStartBtn"))->click();
  const std::string terminal = window.findChild<QLineEdit*>(QStringLiteral("MonitorTerminalText"))->text().toStdString();
  if (terminal.empty()) return 1;

  std::atomic<bool> done{false};
  std::atomic<long> exchanges{0};
  std::thread application([&] {
    const QByteArray frame = kvt::BuildFrame(0, '1', '0');
    const int fd = ::open(terminal.c_str(), O_RDWR | O_NOCTTY);
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
    const auto period = std::chrono::microseconds(static_cast<long>(4e6 / rate));
    auto next = bench::Clock::now();
    char reply[64];
    while (!done && fd >= 0) {
      // Command, then the reader's ACK and reply (13 bytes), then ours: four units.
      if (::write(fd, frame.constData(), static_cast<size_t>(frame.size())) != frame.size()) break;
      for (ssize_t got = 0, n = 0; got < 13; got += n) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 3000) <= 0 || (n = ::read(fd, reply, sizeof reply)) <= 0) break;
      }
      if (::write(fd, "\x06", 1) != 1) break;
      ++exchanges;
      next += period;
      std::this_thread::sleep_until(next);
    }
    if (fd >= 0) ::close(fd);
  });

  const long startKb = ResidentKb();
  long worstLag = 0, samples = 0;
  QElapsedTimer clock;
  clock.start();
  QTimer sample;
  QObject::connect(&sample, &QTimer::timeout, [&] {
    ++samples;
    worstLag = std::max(worstLag, static_cast<long>(window.viewLagMs()));
    if (samples % 60 == 0)
      std::printf("  %4lld s: %ld exchanges, %d rows, view %lld ms behind (worst %lld), resident %ld kB\n",
                  clock.elapsed() / 1000, exchanges.load(), window.units().rowCount(),
                  static_cast<long long>(window.viewLagMs()), static_cast<long long>(window.maxViewLagMs()), ResidentKb());
    std::fflush(stdout);
    // exit(), not quit(): quit() closes the window first, which stops the monitor.
    if (clock.elapsed() >= seconds * 1000) QCoreApplication::exit(0);
  });
  sample.start(1000);
  app.exec();
  done = true;
  application.join();
  std::printf("%.0f s at %.0f units/s: %ld exchanges, %d rows kept, worst view lag %lld ms (goal < 100), "
              "resident %ld -> %ld kB\n",
              seconds, rate, exchanges.load(), window.units().rowCount(), static_cast<long long>(window.maxViewLagMs()),
              startKb, ResidentKb());
  return 0;
}
