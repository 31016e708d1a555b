// SPDX-License-Identifier: MIT
// A raw serial client on the simulator's device, as the tool would open it.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "sim/serial_speed.h"

namespace simtest {

class PtyClient {
 public:
  PtyClient(const std::string& path, int baud) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd_ < 0) return;
    termios t{};
    tcgetattr(fd_, &t);
    cfmakeraw(&t);
    cfsetispeed(&t, sim::speedFromBaud(baud));
    cfsetospeed(&t, sim::speedFromBaud(baud));
    tcsetattr(fd_, TCSANOW, &t);
  }
  ~PtyClient() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool ok() const { return fd_ >= 0; }

  bool send(const std::vector<uint8_t>& b) { return ::write(fd_, b.data(), b.size()) == ssize_t(b.size()); }

  // Collects bytes until `count` have come or `ms` have passed.
  std::vector<uint8_t> readFor(size_t count, int ms) {
    std::vector<uint8_t> got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (got.size() < count) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
      if (left <= 0) break;
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, int(left)) <= 0 || !(p.revents & POLLIN)) break;
      uint8_t buf[256];
      const ssize_t n = ::read(fd_, buf, sizeof buf);
      if (n <= 0) break;
      got.insert(got.end(), buf, buf + n);
    }
    return got;
  }

 private:
  int fd_ = -1;
};

}  // namespace simtest
