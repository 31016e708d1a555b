// SPDX-License-Identifier: MIT
#pragma once
// kvt730ctl monitor in a process of its own, with --json, as a user runs it; its units read
// as they come. And the in-process simulated reader the fault tests set faults on.
#include <gtest/gtest.h>
#include <signal.h>

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <functional>

#include "ctl_process.h"

namespace monitor_test {

class MonitorProcess {
 public:
  // kvt730ctl monitor with --json and the given options; waits for "APP <device>".
  explicit MonitorProcess(const QStringList& options) {
    proc_.start(QStringLiteral(KVT730CTL_PATH), QStringList{"monitor", "--json"} + options);
    QElapsedTimer t;
    t.start();
    while (app_.isEmpty() && proc_.state() != QProcess::NotRunning && t.elapsed() < 15000) {
      proc_.waitForReadyRead(100);
      err_ += QString::fromUtf8(proc_.readAllStandardError());
      for (const QString& line : err_.split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("APP "))) app_ = line.mid(4).trimmed();
    }
  }
  ~MonitorProcess() {
    if (proc_.state() != QProcess::NotRunning) {
      proc_.kill();
      proc_.waitForFinished(5000);
    }
  }
  bool ok() const { return !app_.isEmpty(); }
  const QString& app() const { return app_; }

  // The units printed so far.
  const QList<QJsonObject>& units() {
    proc_.waitForReadyRead(0);
    buffer_ += proc_.readAllStandardOutput();
    for (int end = buffer_.indexOf('\n'); end >= 0; end = buffer_.indexOf('\n')) {
      const QJsonObject o = QJsonDocument::fromJson(buffer_.left(end)).object();
      if (o.contains(QStringLiteral("kind"))) units_ << o;
      else closing_ = o;
      buffer_.remove(0, end + 1);
    }
    return units_;
  }
  // The object every kvt730ctl --json run ends with (command, exit_status, messages, ...).
  const QJsonObject& closing() const { return closing_; }
  // Waits until a unit after the first `from` matches; its index, or -1.
  int waitFor(const std::function<bool(const QJsonObject&)>& match, int from = 0, int ms = 15000) {
    QElapsedTimer t;
    t.start();
    do {
      const QList<QJsonObject>& all = units();
      for (int i = from; i < all.size(); ++i)
        if (match(all[i])) return i;
      QThread::msleep(20);
    } while (t.elapsed() < ms);
    return -1;
  }
  int waitForText(const QString& text, int from = 0, int ms = 15000) {
    return waitFor([&](const QJsonObject& u) { return u.value(QStringLiteral("text")).toString() == text; }, from, ms);
  }
  // SIGTERM; the exit status (-1 when it did not end).
  int stop() {
    ::kill(static_cast<pid_t>(proc_.processId()), SIGTERM);
    if (!proc_.waitForFinished(15000)) return -1;
    units();
    err_ += QString::fromUtf8(proc_.readAllStandardError());
    return proc_.exitStatus() == QProcess::NormalExit ? proc_.exitCode() : -1;
  }
  const QString& err() const { return err_; }

 private:
  QProcess proc_;
  QString app_;
  QString err_;
  QByteArray buffer_;
  QList<QJsonObject> units_;
  QJsonObject closing_;
};

// "kind text" of each unit from `from` on, events left out unless asked for.
inline QStringList KindsAndTexts(const QList<QJsonObject>& units, int from = 0, bool events = false) {
  QStringList out;
  for (int i = from; i < units.size(); ++i) {
    const QString kind = units[i].value(QStringLiteral("kind")).toString();
    if (kind == QLatin1String("event") && !events) continue;
    out << kind + QLatin1Char(' ') + units[i].value(QStringLiteral("text")).toString();
  }
  return out;
}

inline QString Tshark() { return QStandardPaths::findExecutable(QStringLiteral("tshark")); }

// The dissector from the source tree: one line per packet, the given fields joined by tabs.
inline QStringList Dissect(const QString& capture, const QStringList& fields) {
  QStringList args{"-X", QStringLiteral("lua_script:" KVT_DISSECTOR_PATH), "-r", capture, "-T", "fields",
                   "-E", "separator=/t"};
  for (const QString& f : fields) args << "-e" << f;
  QProcess p;
  p.start(Tshark(), args);
  p.waitForFinished(60000);
  QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'));
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

}  // namespace monitor_test
