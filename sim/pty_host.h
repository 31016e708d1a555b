// SPDX-License-Identifier: MIT
// Puts a Reader on a pseudo-terminal so a program can open the slave side
// like any serial device. One thread serves the master side: it sleeps in
// poll() until bytes arrive, an emission falls due, or stop() wakes it.
//
// The reader hears the host only while the speed set on the port matches its
// baud rate; bytes at any other speed are dropped, as a real reader would only
// see noise. An EOT from the host drops replies that are still waiting to be
// written. A frame left half-sent is forgotten after a quiet spell
// (idleResetMs), so a stray STX cannot swallow the next command.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/reader_line.h"
#include "sim/reader_model.h"

namespace sim {

class PtyHost {
 public:
  // A reader of its own, or one shared with other hosts (a socket beside the terminal).
  explicit PtyHost(std::shared_ptr<SharedReader> reader = nullptr);
  ~PtyHost();  // stops
  PtyHost(const PtyHost&) = delete;
  PtyHost& operator=(const PtyHost&) = delete;

  // Opens the pseudo-terminal (raw mode, the reader's baud as initial speed),
  // keeps the slave open so the device stays while clients come and go, and
  // starts serving. False with a message if anything fails or it is running.
  bool start(std::string* error = nullptr);
  // Stops serving and closes the pseudo-terminal. Safe to call twice.
  void stop();
  bool running() const { return thread_.joinable(); }

  std::string slavePath() const;  // e.g. /dev/pts/5; empty before start

  // Runs fn with the reader locked against the serving thread.
  void withReader(const std::function<void(Reader&)>& fn);

  // The device disappears at once, as if unplugged: the master and the held
  // slave are closed and serving ends; clients' reads and writes fail.
  void vanish() { stop(); }

  void setIdleResetMs(int ms) { line_.setIdleResetMs(ms); }  // before start
  void setHistoryLimit(size_t bytes) { line_.setHistoryLimit(bytes); }  // before start

  // Every byte the host wrote (whatever the speed) and every byte the reader wrote.
  std::vector<uint8_t> received() const;
  std::vector<uint8_t> sent() const;

 private:
  void run();
  void closeFds();

  std::shared_ptr<SharedReader> shared_;
  ReaderLine line_;
  mutable std::mutex mu_;  // path_
  std::string path_;

  std::thread thread_;
  std::atomic<bool> stopping_{false};
  int master_ = -1;
  int slave_ = -1;
  int wake_[2] = {-1, -1};
};

}  // namespace sim
