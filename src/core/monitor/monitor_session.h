// SPDX-License-Identifier: MIT
#pragma once
// A monitor run for a window: the run itself, and a capture and a log of everything it
// passed, kept in a private folder while it lasts, so the window may show only its latest
// units and still save the whole exchange.
#include <QString>
#include <QTemporaryDir>
#include <optional>
#include <vector>

#include "capture_files.h"
#include "core/base/notifier.h"
#include "monitor_run.h"

namespace kvt::monitor {

struct SessionStart {
  bool ok = false;
  std::optional<Message> message;  // why it could not start
  QString appDevice;               // the application's terminal or port
};

class MonitorSession {
 public:
  MonitorSession() = default;
  ~MonitorSession() { stop(); }

  // Starts a new run; the previous run's capture and log are dropped.
  SessionStart start(const MonitorSetup& setup);
  // What came since the last call (at most max units), already in the capture and the log.
  std::vector<LineUnit> poll(size_t max = 20000);
  void stop();
  bool running() const { return run_.running(); }
  quint64 unitCount() const { return count_; }

  // Copies the capture or the log so far to path: the file is replaced only once the copy
  // is complete. A message box when it failed; nothing before the first start.
  std::optional<Message> saveCapture(const QString& path);
  std::optional<Message> saveLog(const QString& path);

 private:
  std::optional<Message> copyOut(const QString& from, const QString& to);

  MonitorRun run_;
  std::optional<QTemporaryDir> folder_;
  CaptureFiles files_;
  quint64 count_ = 0;
};

}  // namespace kvt::monitor
