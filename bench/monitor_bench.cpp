// SPDX-License-Identifier: MIT
// kvt730-monitor-bench: what kvt730ctl monitor costs the line it watches, and what a long
// run costs it.
//
//   kvt730-monitor-bench latency [--rounds N] [--seconds S] [--engine] [--reply-ms MS]
//       Card Status exchanges by a bare POSIX loop (with --engine: the tool's own
//       ExecuteCommand on a QSerialPort, as kvt730ctl sends them), straight to a simulated
//       reader and through kvt730ctl monitor to a second one (pseudo-terminals both),
//       taking turns in short rounds; prints the median of the per-round ratios of
//       exchange time through / direct (goal <= 1.25). --reply-ms gives the readers a
//       time to answer in, as a real reader takes (default 0: at once).
//   kvt730-monitor-bench soak [--units N]
//       N units (default 1,000,000) through kvt730ctl monitor --json (to a file) --pcap;
//       prints the monitor's resident memory after the first 10,000 units and at the end
//       (goal: less than 10 MB growth).
//
// Build optimised (CMAKE_BUILD_TYPE=Release) before reading anything into the figures.
#include <signal.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/base/log_sink.h"
#include "core/base/notifier.h"
#include "core/link/engine.h"
#include "core/link/frame.h"
#include "core/link/qt_serial_port.h"
#include "raw_exchange.h"
#include "sim/pty_host.h"

#ifndef KVT730CTL_PATH
#define KVT730CTL_PATH "kvt730ctl"
#endif

namespace {

using bench::Rate;

// kvt730ctl monitor between a new terminal and `reader`, its units to `out`.
class Monitor {
 public:
  Monitor(const QString& reader, const QStringList& extra, const QString& out) {
    proc_.setStandardOutputFile(out);
    proc_.start(QStringLiteral(KVT730CTL_PATH), QStringList{"monitor", "--reader", reader, "--app-link",
                                                            dir_.filePath("app")} + extra);
    QElapsedTimer t;
    t.start();
    while (app_.isEmpty() && t.elapsed() < 10000 && proc_.state() != QProcess::NotRunning) {
      proc_.waitForReadyRead(100);
      const QString err = QString::fromUtf8(proc_.readAllStandardError());
      const int at = err.indexOf(QLatin1String("APP "));
      if (at >= 0) app_ = err.mid(at + 4).section(QLatin1Char('\n'), 0, 0).trimmed();
      if (QFileInfo::exists(dir_.filePath("app"))) app_ = QFileInfo(dir_.filePath("app")).symLinkTarget();
    }
  }
  ~Monitor() {
    ::kill(static_cast<pid_t>(proc_.processId()), SIGTERM);
    proc_.waitForFinished(10000);
  }
  std::string app() const { return app_.toStdString(); }
  // Resident memory in kB (VmRSS).
  long residentKb() const {
    QFile f(QStringLiteral("/proc/%1/status").arg(proc_.processId()));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
      if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
  }

 private:
  QTemporaryDir dir_;
  QProcess proc_;
  QString app_;
};

// Exchanges for `seconds` the way kvt730ctl makes them.
Rate EngineExchanges(const std::string& device, double seconds) {
  Rate r;
  kvt::AppState state;
  state.PortOpened = true;
  kvt::QtSerialPort port(kvt::WaitMode::Block);
  kvt::StringLog log;
  kvt::RecordingNotifier notifier;
  kvt::Engine engine(state, port, log, notifier);
  const QByteArray frame = kvt::BuildFrame(0, '1', '0');
  r.failed = port.open(QString::fromStdString(device), 9600) != kvt::OpenError::None;
  const auto t0 = bench::Clock::now();
  while (!r.failed && bench::SecondsSince(t0) < seconds) {
    kvt::ReplyBuffer reply;
    log.clear();
    r.failed = engine.ExecuteCommand(frame, frame.size(), reply) != 0 || !reply.positive();
    r.exchanges += r.failed ? 0 : 1;
  }
  r.seconds = bench::SecondsSince(t0);
  return r;
}

int Latency(int rounds, double seconds, bool useEngine, int replyMs) {
  sim::PtyHost direct, behind;
  if (!direct.start() || !behind.start()) return 1;
  for (sim::PtyHost* h : {&direct, &behind}) h->withReader([replyMs](sim::Reader& r) { r.setReplyDelayMs(replyMs); });
  Monitor monitor(QString::fromStdString(behind.slavePath()), {}, QStringLiteral("/dev/null"));
  if (monitor.app().empty()) return 1;
  const std::vector<QByteArray> frames{kvt::BuildFrame(0, '1', '0')};
  const auto exchanges = [&](const std::string& device, double s) {
    return useEngine ? EngineExchanges(device, s) : bench::RawLoop(device, frames, s);
  };
  exchanges(direct.slavePath(), 0.3);  // warm-up
  exchanges(monitor.app(), 0.3);
  std::vector<double> ratios;
  Rate d, t;
  for (int i = 0; i < rounds; ++i) {
    const Rate a = exchanges(direct.slavePath(), seconds / rounds);
    const Rate b = exchanges(monitor.app(), seconds / rounds);
    if (a.failed || b.failed || b.exchanges == 0) {
      std::printf("an exchange failed (direct %s, through %s)\n", a.failed ? "failed" : "ok", b.failed ? "failed" : "ok");
      return 1;
    }
    d.add(a);
    t.add(b);
    ratios.push_back(a.perSecond() / b.perSecond());
  }
  std::sort(ratios.begin(), ratios.end());
  std::printf("Card Status exchanges (%s, reader answering after %d ms) over pseudo-terminals, %d rounds of %.2f s "
              "each way:\n",
              useEngine ? "ExecuteCommand" : "bare POSIX loop", replyMs, rounds, seconds / rounds);
  std::printf("  direct            %8.0f exchanges/s  %7.1f us each\n", d.perSecond(), 1e6 / d.perSecond());
  std::printf("  through monitor   %8.0f exchanges/s  %7.1f us each\n", t.perSecond(), 1e6 / t.perSecond());
  std::printf("  through / direct  %8.3f median of rounds (%.3f .. %.3f)  (goal <= 1.25)\n", ratios[ratios.size() / 2],
              ratios.front(), ratios.back());
  return 0;
}

int Soak(long units) {
  sim::PtyHost reader;
  if (!reader.start()) return 1;
  QTemporaryDir dir;
  const QString json = dir.filePath("units.jsonl");
  Monitor monitor(QString::fromStdString(reader.slavePath()), {"--json", "--pcap", dir.filePath("units.pcapng")}, json);
  if (monitor.app().empty()) return 1;
  const std::vector<QByteArray> frames{kvt::BuildFrame(0, '1', '0')};
  // Each exchange is four units (command, ACK, reply, ACK); each loop opens and closes the
  // terminal, two events more.
  long sent = 0, baseline = -1, nextReport = 250000;
  QElapsedTimer clock;
  clock.start();
  while (sent < units) {
    const Rate r = bench::RawLoop(monitor.app(), frames, baseline < 0 ? 0.05 : 1.0);
    if (r.failed) {
      dir.setAutoRemove(false);
      std::printf("an exchange failed after %ld units; the units are in %s\n", sent, qPrintable(json));
      return 1;
    }
    sent += 4 * r.exchanges + 2;
    if (sent >= nextReport) {
      std::printf("  after %8ld units: resident %ld kB\n", sent, monitor.residentKb());
      nextReport += 250000;
    }
    if (baseline < 0 && sent >= 10000) {
      QThread::msleep(200);
      baseline = monitor.residentKb();
      std::printf("  after %8ld units: resident %ld kB\n", sent, baseline);
    }
  }
  QThread::msleep(500);  // the last units reach the files
  const long end = monitor.residentKb();
  std::printf("  after %8ld units: resident %ld kB (%.0f s, %.0f units/s)\n", sent, end, clock.elapsed() / 1000.0,
              sent * 1000.0 / clock.elapsed());
  std::printf("  growth %.2f MB  (goal < 10 MB); JSON %.1f MB, capture %.1f MB\n", (end - baseline) / 1024.0,
              QFileInfo(json).size() / 1048576.0, QFileInfo(dir.filePath("units.pcapng")).size() / 1048576.0);
  // Every unit shown, or the events that say how many were not.
  QFile lines(json);
  long shown = 0, notShown = 0;
  if (lines.open(QIODevice::ReadOnly)) {
    while (!lines.atEnd()) {
      const QByteArray line = lines.readLine();
      ++shown;
      if (line.contains("units were not shown")) {
        const QByteArray count = line.mid(line.indexOf("event: ") + 7);
        notShown += count.left(count.indexOf(' ')).toLong();
      }
    }
  }
  std::printf("  %ld JSON lines, %ld units not shown\n", shown, notShown);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments().mid(1);
  const auto value = [&](const char* name, double fallback) {
    const int at = args.indexOf(QLatin1String(name));
    return at >= 0 && at + 1 < args.size() ? args[at + 1].toDouble() : fallback;
  };
  if (args.value(0) == QLatin1String("latency"))
    return Latency(static_cast<int>(value("--rounds", 40)), value("--seconds", 8), args.contains("--engine"),
                   static_cast<int>(value("--reply-ms", 0)));
  if (args.value(0) == QLatin1String("soak")) return Soak(static_cast<long>(value("--units", 1000000)));
  std::fprintf(stderr,
               "usage: kvt730-monitor-bench latency [--rounds N] [--seconds S] [--engine] [--reply-ms MS] | soak "
               "[--units N]\n");
  return 2;
}
