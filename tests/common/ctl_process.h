// SPDX-License-Identifier: MIT
#pragma once
// kvt730ctl and kvt730-sim as separate processes, as a user runs them.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStringList>

#include "qt_print.h"

namespace ctl_test {

struct CtlRun {
  int code = -1;  // -1: crashed or did not finish
  QByteArray out;
  QStringList lines;  // stdout split at line feeds, empty lines left out unless asked for
  QString err;
};

inline CtlRun runCtl(const QStringList& args, bool keepEmptyLines = false) {
  QProcess p;
  p.start(QStringLiteral(KVT730CTL_PATH), args);
  EXPECT_TRUE(p.waitForFinished(60000)) << args.join(QLatin1Char(' ')).toStdString();
  CtlRun r;
  r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  r.out = p.readAllStandardOutput();
  r.lines = QString::fromUtf8(r.out).split(QLatin1Char('\n'), keepEmptyLines ? Qt::KeepEmptyParts : Qt::SkipEmptyParts);
  if (keepEmptyLines) r.lines.removeLast();  // after the last line feed
  r.err = QString::fromUtf8(p.readAllStandardError());
  return r;
}

#ifdef KVT730SIM_PATH
// kvt730-sim in a process of its own, with the given options, for as long as the object lives.
class SimProcess {
 public:
  explicit SimProcess(const QStringList& args = {}) {
    proc_.start(QStringLiteral(KVT730SIM_PATH), args);
    // "LISTEN tcp://..." comes first when asked for; "DEVICE ..." unless --no-pty.
    const bool socketOnly = args.contains(QStringLiteral("--no-pty"));
    while ((socketOnly ? listen_.isEmpty() : device_.isEmpty()) &&
           (proc_.canReadLine() || proc_.waitForReadyRead(10000))) {
      const QString line = QString::fromUtf8(proc_.readLine()).trimmed();
      if (line.startsWith(QLatin1String("DEVICE "))) device_ = line.mid(7);
      if (line.startsWith(QLatin1String("LISTEN "))) listen_ = line.mid(7);
    }
  }
  ~SimProcess() { stop(); }
  // Stops the reader; gives the count of replies the host never acknowledged (-1: unknown).
  int stop() {
    if (proc_.state() != QProcess::NotRunning) {
      proc_.terminate();
      if (!proc_.waitForFinished(5000)) proc_.kill();
      proc_.waitForFinished(5000);
    }
    const QString rest = QString::fromUtf8(proc_.readAllStandardOutput());
    for (const QString& line : rest.split(QLatin1Char('\n')))
      if (line.startsWith(QLatin1String("UNACKNOWLEDGED-REPLIES "))) return line.mid(23).trimmed().toInt();
    return -1;
  }
  bool ok() const { return !device_.isEmpty() || !listen_.isEmpty(); }
  const QString& device() const { return device_; }
  const QString& listenAddress() const { return listen_; }  // "tcp://HOST:PORT" with --listen
  // kvt730ctl on this reader.
  CtlRun ctl(const QStringList& args) const { return runCtl(QStringList{"--port", device_} + args); }

 private:
  QProcess proc_;
  QString device_;
  QString listen_;
};
#endif

}  // namespace ctl_test
