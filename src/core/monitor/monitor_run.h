// SPDX-License-Identifier: MIT
#pragma once
// A monitor run: the application's side and the reader's side opened, every byte passed on
// both ways as it comes, and then decoded into units that wait in a bounded queue for
// whoever shows them (kvt730ctl, the Line Monitor window). The forwarding has a thread of
// its own and never waits on the decoding or on the output: units that find the queue full
// are counted and said in an event once there is room.
#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "line_unit.h"
#include "side_port.h"
#include "stream_decoder.h"

namespace kvt::monitor {

struct MonitorSetup {
  QString reader;               // the reader's device, after the port map
  std::optional<QString> app;   // an existing port for the application; none: a new pseudo-terminal
  QString appLink;              // a symlink to that terminal; empty for none
  LineSettings line;            // until the application sets another
  DecoderWaits waits;
  int retryMs = 1000;           // a side that went away is opened again this often
  size_t maxQueued = 16384;     // units waiting to be shown
};

struct StartResult {
  bool ok = false;
  Side side = Side::Reader;  // the side that could not be opened
  OpenError error = OpenError::None;
  QString device;
  QString detail;  // the application terminal's own reason (its link), when there is one
};

// Microseconds since 1970 UTC, now.
qint64 NowUs();

class MonitorRun {
 public:
  MonitorRun() = default;
  ~MonitorRun();
  MonitorRun(const MonitorRun&) = delete;
  MonitorRun& operator=(const MonitorRun&) = delete;

  // Opens both sides and starts forwarding; on failure nothing runs.
  StartResult start(const MonitorSetup& setup);
  // The application's device: the pseudo-terminal made for it, or the port given.
  QString appDevice() const;
  // Up to `max` units, waiting up to waitMs for the first; empty when none came.
  std::vector<LineUnit> take(int waitMs, size_t max = 4096);
  // Ends the forwarding and closes both sides; what was decoded can still be taken.
  void stop();
  bool running() const { return thread_.joinable() && !finished_.load(); }

 private:
  friend class Forwarder;
  void push(std::vector<LineUnit>& units);

  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> finished_{false};
  int wake_ = -1;
  mutable std::mutex mu_;
  std::condition_variable ready_;
  std::deque<LineUnit> queue_;
  size_t maxQueued_ = 16384;
  qint64 dropped_ = 0;
  QString appDevice_;
};

}  // namespace kvt::monitor
