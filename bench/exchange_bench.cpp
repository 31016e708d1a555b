// SPDX-License-Identifier: MIT
// kvt730-bench: how close ExecuteCommand comes to a bare POSIX exchange loop, and how
// much CPU one exchange with a silent reader costs while it runs out its timeouts.
//
//   kvt730-bench [--seconds N] [--rounds N] [--no-silent]
//
// Both loops talk to the same in-process simulated reader on a pseudo-terminal and do
// the same exchange: Card Status frame -> ACK -> reply frame -> our ACK. They take turns
// in short rounds, so a burst of load from elsewhere on the machine hits both alike; the
// median of the per-round ratios is the figure least disturbed by such bursts. Build
// with optimisation (CMAKE_BUILD_TYPE=Release) before reading anything into the rates.
#include <sys/resource.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/base/log_sink.h"
#include "core/base/notifier.h"
#include "core/link/engine.h"
#include "core/link/frame.h"
#include "raw_exchange.h"
#include "tool_port.h"
#include "sim/pty_host.h"

namespace {

using bench::Clock;
using bench::Rate;
using bench::SecondsSince;

double CpuSeconds(int who) {
  rusage u{};
  getrusage(who, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The tool's way: the exchange engine on a QSerialPort that blocks in the OS.
Rate EngineLoop(const QString& device, double seconds) {
  Rate r;
  bench::ToolPort tool;
  if (!tool.open(device, r)) return r;
  kvt::StringLog log;
  kvt::Engine engine(tool.state, tool.port, log, tool.notifier);
  const QByteArray frame = kvt::BuildFrame(0, '1', '0');
  const auto t0 = Clock::now();
  while (SecondsSince(t0) < seconds) {
    kvt::ReplyBuffer reply;
    log.clear();
    if (engine.ExecuteCommand(frame, frame.size(), reply) != 0 || !reply.positive()) {
      r.failed = true;
      break;
    }
    ++r.exchanges;
  }
  r.seconds = SecondsSince(t0);
  return r;
}

int MeasureRates(sim::PtyHost& host, double seconds, int rounds) {
  const std::string device = host.slavePath();
  const QString qdevice = QString::fromStdString(device);
  const std::vector<QByteArray> frames{kvt::BuildFrame(0, '1', '0')};
  Rate engine, raw;
  std::vector<double> ratios;
  EngineLoop(qdevice, 0.2);  // warm-up
  bench::RawLoop(device, frames, 0.2);
  for (int i = 0; i < rounds; ++i) {
    const Rate e = EngineLoop(qdevice, seconds / rounds);
    const Rate r = bench::RawLoop(device, frames, seconds / rounds);
    engine.add(e);
    raw.add(r);
    if (r.perSecond() > 0) ratios.push_back(e.perSecond() / r.perSecond());
  }
  if (engine.failed || raw.failed || ratios.empty()) {
    std::printf("an exchange failed (engine %s, raw %s)\n", engine.failed ? "failed" : "ok",
                raw.failed ? "failed" : "ok");
    return 1;
  }
  std::sort(ratios.begin(), ratios.end());
  std::printf("exchange rate (Card Status over a pseudo-terminal, %.1f s each in %d rounds):\n", seconds,
              rounds);
  std::printf("  ExecuteCommand + QtSerialPort  %8.0f exchanges/s  (%ld in %.2f s)\n", engine.perSecond(),
              engine.exchanges, engine.seconds);
  std::printf("  raw POSIX loop                 %8.0f exchanges/s  (%ld in %.2f s)\n", raw.perSecond(),
              raw.exchanges, raw.seconds);
  std::printf("  ratio engine / raw             %8.3f  overall, %.3f median of rounds (%.3f .. %.3f)"
              "  (target >= 0.9)\n",
              engine.perSecond() / raw.perSecond(), ratios[ratios.size() / 2], ratios.front(), ratios.back());
  return 0;
}

int MeasureSilentCpu(sim::PtyHost& host) {
  host.withReader([](sim::Reader& r) {
    sim::Fault f;
    f.kind = sim::FaultKind::Silent;
    f.once = false;
    r.setFault(f);
  });
  bench::ToolPort tool;
  if (tool.port.open(QString::fromStdString(host.slavePath()), 9600) != kvt::OpenError::None) return 1;
  kvt::StringLog log;
  kvt::Engine engine(tool.state, tool.port, log, tool.notifier);
  const QByteArray frame = kvt::BuildFrame(0, '1', '0');
  kvt::ReplyBuffer reply;

  std::printf("silent reader: one ExecuteCommand with the full 3 + 10 + 3 s timeouts...\n");
  std::fflush(stdout);
  const double process0 = CpuSeconds(RUSAGE_SELF);
  const double thread0 = CpuSeconds(RUSAGE_THREAD);
  const auto t0 = Clock::now();
  const int result = engine.ExecuteCommand(frame, frame.size(), reply);
  const double wall = SecondsSince(t0);
  const double process = CpuSeconds(RUSAGE_SELF) - process0;
  const double thread = CpuSeconds(RUSAGE_THREAD) - thread0;
  std::printf("  result %d after %.2f s wall\n", result, wall);
  std::printf("  CPU of the exchanging thread   %.4f s\n", thread);
  std::printf("  CPU of the whole process       %.4f s  (includes the simulator thread; target < 0.1)\n", process);
  return result == -2 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  double seconds = 4.0;
  int rounds = 20;
  bool silent = true;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc) {
      seconds = std::atof(argv[++i]);
    } else if (!std::strcmp(argv[i], "--rounds") && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else if (!std::strcmp(argv[i], "--no-silent")) {
      silent = false;
    } else {
      std::fprintf(stderr, "usage: kvt730-bench [--seconds N] [--rounds N] [--no-silent]\n");
      return 2;
    }
  }
  if (seconds <= 0) seconds = 4.0;

  sim::PtyHost host;
  std::string error;
  if (!host.start(&error)) {
    std::fprintf(stderr, "cannot start the simulated reader: %s\n", error.c_str());
    return 1;
  }
  int rc = MeasureRates(host, seconds, rounds);
  if (silent && rc == 0) rc = MeasureSilentCpu(host);
  host.stop();
  return rc;
}
