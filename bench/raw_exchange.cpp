// SPDX-License-Identifier: MIT
#include "raw_exchange.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "core/link/frame.h"

namespace bench {

double SecondsSince(Clock::time_point t0) {
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

namespace {

// Reads exactly n bytes within timeoutMs; false on timeout or error.
bool ReadExact(int fd, uint8_t* buf, size_t n, int timeoutMs) {
  size_t got = 0;
  const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (got < n) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    if (left <= 0) return false;
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left)) <= 0) return false;
    const ssize_t k = ::read(fd, buf + got, n - got);
    if (k < 0 && errno == EAGAIN) continue;
    if (k <= 0) return false;
    got += static_cast<size_t>(k);
  }
  return true;
}

bool WriteAll(int fd, const char* buf, size_t n) {
  return ::write(fd, buf, n) == static_cast<ssize_t>(n);
}

}  // namespace

Rate RawLoop(const std::string& device, const std::vector<QByteArray>& frames, double seconds) {
  Rate r;
  const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    std::perror("open");
    r.failed = true;
    return r;
  }
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  cfsetispeed(&t, B9600);
  cfsetospeed(&t, B9600);
  t.c_cflag |= CLOCAL | CREAD;
  tcsetattr(fd, TCSANOW, &t);

  const char ack = static_cast<char>(kvt::ACK);
  uint8_t buf[1100];
  size_t next = 0;
  const auto t0 = Clock::now();
  while (SecondsSince(t0) < seconds) {
    const QByteArray& f = frames[next];
    next = (next + 1) % frames.size();
    if (!WriteAll(fd, f.constData(), static_cast<size_t>(f.size())) || !ReadExact(fd, buf, 1, 3000) ||
        buf[0] != kvt::ACK || !ReadExact(fd, buf, 4, 10000)) {
      r.failed = true;
      break;
    }
    const size_t len = 256u * buf[2] + buf[3];
    if (len + 2 > sizeof buf || !ReadExact(fd, buf, len + 2, 6000) || buf[0] != 'P' || !WriteAll(fd, &ack, 1)) {
      r.failed = true;
      break;
    }
    ++r.exchanges;
  }
  r.seconds = SecondsSince(t0);
  ::close(fd);
  return r;
}

}  // namespace bench
