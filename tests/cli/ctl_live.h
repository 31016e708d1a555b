// SPDX-License-Identifier: MIT
#pragma once
// kvt730ctl as a running process: its lines with the moment each arrived, and a signal
// sent while it runs.
#include <gtest/gtest.h>
#include <signal.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <functional>
#include <vector>

namespace ctl_test {

struct TimedLine {
  QString text;
  qint64 ms;  // since the start
};

struct LiveRun {
  int code = -1;  // -1: crashed or did not finish
  std::vector<TimedLine> lines;
  QString err;
  qint64 endMs = 0;     // when the process ended
  qint64 signalMs = -1;  // when the signal went, -1: none
};

// When to send the signal: asked with the lines so far and the milliseconds since the start,
// after each line and every 50 ms.
using SignalWhen = std::function<bool(const std::vector<TimedLine>&, qint64)>;

// Runs kvt730ctl, sending `signal` once `signalWhen` says so.
inline LiveRun RunLive(const QStringList& args, int signal = 0, const SignalWhen& signalWhen = {}) {
  QProcess p;
  QElapsedTimer clock;
  clock.start();
  p.start(QStringLiteral(KVT730CTL_PATH), args);
  LiveRun r;
  const auto maybeSignal = [&] {
    if (signalWhen && r.signalMs < 0 && p.state() == QProcess::Running && signalWhen(r.lines, clock.elapsed())) {
      ::kill(static_cast<pid_t>(p.processId()), signal);
      r.signalMs = clock.elapsed();
    }
  };
  const auto take = [&] {
    while (p.canReadLine()) {
      QString line = QString::fromUtf8(p.readLine());
      line.chop(1);
      r.lines.push_back({line, clock.elapsed()});
      maybeSignal();
    }
    maybeSignal();
  };
  while (p.state() != QProcess::NotRunning && clock.elapsed() < 60000) {
    p.waitForReadyRead(50);
    take();
  }
  if (p.state() != QProcess::NotRunning) {
    ADD_FAILURE() << "still running after a minute: " << args.join(QLatin1Char(' ')).toStdString();
    p.kill();
    p.waitForFinished(5000);
  }
  r.endMs = clock.elapsed();
  take();
  r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.err = QString::fromUtf8(p.readAllStandardError());
  return r;
}

}  // namespace ctl_test
