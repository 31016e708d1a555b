// SPDX-License-Identifier: MIT
#include "sim/reader_line.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace sim {
namespace {

int msUntil(Clock::time_point t, Clock::time_point now) {
  if (t <= now) return 0;
  // Round up so we never wake just before the deadline and go round again.
  return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(t - now).count()) + 1;
}

// Appends, then drops the older half once the history is over its limit.
void Keep(std::vector<uint8_t>& history, const uint8_t* begin, const uint8_t* end, size_t limit) {
  history.insert(history.end(), begin, end);
  if (limit == 0 || history.size() <= limit) return;
  history.erase(history.begin(), history.end() - static_cast<std::ptrdiff_t>(limit / 2));
}

int earlier(int a, int b) {
  if (a < 0) return b;
  if (b < 0) return a;
  return a < b ? a : b;
}

}  // namespace

void ReaderLine::input(const uint8_t* bytes, size_t n, bool heard, Clock::time_point now) {
  lastInput_ = now;
  std::vector<Emission> out;
  {
    std::lock_guard<std::mutex> lock(shared_.mu);
    Keep(received_, bytes, bytes + n, historyLimit_);
    if (heard) out = shared_.reader.feed(bytes, n);
  }
  for (Emission& e : out) {
    if (e.cancelPending) {
      queue_.clear();
      continue;
    }
    if (queue_.empty()) due_ = now + std::chrono::milliseconds(e.delayMs);
    queue_.push_back(std::move(e));
  }
}

int ReaderLine::tick(Clock::time_point now) {
  while (!queue_.empty() && due_ <= now) {
    pending_.insert(pending_.end(), queue_.front().bytes.begin(), queue_.front().bytes.end());
    queue_.pop_front();
    if (!queue_.empty()) due_ = now + std::chrono::milliseconds(queue_.front().delayMs);
  }
  int timeout = queue_.empty() ? -1 : msUntil(due_, now);
  std::lock_guard<std::mutex> lock(shared_.mu);
  if (shared_.reader.midFrame()) {
    const auto idleDeadline = lastInput_ + std::chrono::milliseconds(idleResetMs_);
    if (idleDeadline <= now) shared_.reader.resetLink();
    else timeout = earlier(timeout, msUntil(idleDeadline, now));
  }
  return timeout;
}

bool ReaderLine::flush(int fd) {
  if (pending_.empty()) return true;
  // A socket whose peer has gone must not raise SIGPIPE.
  const ssize_t w = carrier_ == Carrier::Socket ? ::send(fd, pending_.data(), pending_.size(), MSG_NOSIGNAL)
                                                : ::write(fd, pending_.data(), pending_.size());
  if (w > 0) {
    std::lock_guard<std::mutex> lock(shared_.mu);
    Keep(sent_, pending_.data(), pending_.data() + w, historyLimit_);
    pending_.erase(pending_.begin(), pending_.begin() + w);
    return true;
  }
  return !(w < 0 && (errno == EIO || errno == EPIPE || errno == ECONNRESET));
}

void ReaderLine::dropOutput() {
  queue_.clear();
  pending_.clear();
  std::lock_guard<std::mutex> lock(shared_.mu);
  shared_.reader.resetLink();
}

std::vector<uint8_t> ReaderLine::received() const {
  std::lock_guard<std::mutex> lock(shared_.mu);
  return received_;
}

std::vector<uint8_t> ReaderLine::sent() const {
  std::lock_guard<std::mutex> lock(shared_.mu);
  return sent_;
}

}  // namespace sim
