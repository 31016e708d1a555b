// SPDX-License-Identifier: MIT
// What the pseudo-terminal and socket hosts have in common: a reader (their own or shared),
// the line that carries its bytes, and one serving thread that polls its descriptors and
// a wake-up pipe, so stopping it is a flag, a byte into the pipe and a join.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/reader_line.h"

namespace sim {

// Closes each descriptor that is open and marks it closed.
inline void CloseAll(std::initializer_list<int*> fds) {
  for (int* fd : fds) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
}

// "what: <errno text>" into *error; always false.
inline bool FailWithErrno(std::string* error, const std::string& what) {
  if (error) *error = what + ": " + std::strerror(errno);
  return false;
}

class ServingHost {
 public:
  ServingHost(const ServingHost&) = delete;
  ServingHost& operator=(const ServingHost&) = delete;

  bool running() const { return thread_.joinable(); }

  // Runs fn with the reader locked against the serving thread.
  void withReader(const std::function<void(Reader&)>& fn) {
    std::lock_guard<std::mutex> lock(shared_->mu);
    fn(shared_->reader);
  }

  void setHistoryLimit(size_t bytes) { line_.setHistoryLimit(bytes); }  // before start

  // Every byte the host wrote (whatever the speed) and every byte the reader wrote.
  std::vector<uint8_t> received() const { return line_.received(); }
  std::vector<uint8_t> sent() const { return line_.sent(); }

 protected:
  static constexpr int kIdleResetMs = 1000;

  ServingHost(std::shared_ptr<SharedReader> reader, ReaderLine::Carrier carrier)
      : shared_(reader ? std::move(reader) : std::make_shared<SharedReader>()),
        line_(*shared_, kIdleResetMs, carrier) {}
  ~ServingHost() = default;  // the host stops its thread before its descriptors go

  // False with "already running" while the thread serves.
  bool idle(std::string* error) const {
    if (!running()) return true;
    if (error) *error = "already running";
    return false;
  }
  bool openWakePipe() { return pipe2(wake_, O_NONBLOCK | O_CLOEXEC) == 0; }
  // Ends the serving thread, if it runs.
  void stopServing() {
    if (!thread_.joinable()) return;
    stopping_ = true;
    const char x = 'x';
    while (write(wake_[1], &x, 1) < 0 && errno == EINTR) {
    }
    thread_.join();
  }
  pollfd wakePoll() const { return {wake_[0], POLLIN, 0}; }
  // True when the poll entry from wakePoll() says stop() knocked; the pipe is then empty.
  bool woken(const pollfd& fd) {
    if (!(fd.revents & POLLIN)) return false;
    char drain[64];
    while (read(wake_[0], drain, sizeof drain) > 0) {
    }
    return true;
  }

  std::shared_ptr<SharedReader> shared_;
  ReaderLine line_;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  int wake_[2] = {-1, -1};
};

}  // namespace sim
