// SPDX-License-Identifier: MIT
#include "sim/vpcd_card.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <utility>

namespace sim {

Bytes vpcdFrame(const Bytes& payload) {
  Bytes out;
  out.reserve(payload.size() + 2);
  out.push_back(static_cast<uint8_t>(payload.size() >> 8));
  out.push_back(static_cast<uint8_t>(payload.size() & 0xFF));
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

std::vector<Bytes> takeVpcdMessages(Bytes& buffer) {
  std::vector<Bytes> messages;
  size_t pos = 0;
  while (buffer.size() - pos >= 2) {
    const size_t len = (size_t(buffer[pos]) << 8) | buffer[pos + 1];
    if (buffer.size() - pos - 2 < len) break;
    messages.emplace_back(buffer.begin() + pos + 2, buffer.begin() + pos + 2 + len);
    pos += 2 + len;
  }
  buffer.erase(buffer.begin(), buffer.begin() + pos);
  return messages;
}

std::optional<Bytes> answerVpcdMessage(SimCard& card, const Bytes& payload) {
  if (payload.size() == 1) {
    switch (payload[0]) {
      case kVpcdPowerOff:
      case kVpcdPowerOn:
      case kVpcdReset:
        card.reset();
        return std::nullopt;
      case kVpcdAtr:
        return SimCard::atr();
      default:
        return std::nullopt;  // a control code this driver version does not know
    }
  }
  return card.process(payload);
}

VpcdCardHost::VpcdCardHost(SimCard& card, VpcdOptions options) : card_(card), options_(std::move(options)) {}

VpcdCardHost::~VpcdCardHost() { stop(); }

std::string VpcdCardHost::failure() const {
  std::lock_guard<std::mutex> lock(mu_);
  return failure_;
}

bool VpcdCardHost::start(std::string* error) {
  if (thread_.joinable()) {
    if (error) *error = "the card is already running";
    return false;
  }
  int fds[2];
  if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
    if (error) *error = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  wakeRead_ = fds[0];
  wakeWrite_ = fds[1];
  stopping_ = false;
  finished_ = false;
  thread_ = std::thread([this] { run(); });
  return true;
}

void VpcdCardHost::stop() {
  if (!thread_.joinable()) return;
  stopping_ = true;
  const uint8_t b = 1;
  (void)!write(wakeWrite_, &b, 1);
  thread_.join();
  close(wakeRead_);
  close(wakeWrite_);
  wakeRead_ = wakeWrite_ = -1;
}

bool VpcdCardHost::pause(int ms) {
  pollfd p{wakeRead_, POLLIN, 0};
  poll(&p, 1, ms);
  return !stopping_;
}

int VpcdCardHost::connectOnce() const {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(options_.port);
  if (getaddrinfo(options_.host.c_str(), port.c_str(), &hints, &found) != 0) return -1;
  int fd = -1;
  for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
    fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
    if (fd < 0) continue;
    int rc = connect(fd, a->ai_addr, a->ai_addrlen);
    if (rc != 0 && errno == EINPROGRESS) {
      // Wait at most a second, or until stop().
      pollfd p[2] = {{fd, POLLOUT, 0}, {wakeRead_, POLLIN, 0}};
      int err = ETIMEDOUT;
      if (poll(p, 2, 1000) > 0 && (p[0].revents & (POLLOUT | POLLERR | POLLHUP))) {
        socklen_t len = sizeof err;
        getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
      }
      rc = err == 0 ? 0 : -1;
    }
    if (rc != 0) {
      close(fd);
      fd = -1;
    }
  }
  freeaddrinfo(found);
  if (fd >= 0) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  }
  return fd;
}

void VpcdCardHost::run() {
  using Clock = std::chrono::steady_clock;
  auto giveUpAt = Clock::now() + std::chrono::seconds(options_.waitSeconds);
  while (!stopping_) {
    const int fd = connectOnce();
    if (fd < 0) {
      if (Clock::now() >= giveUpAt) {
        std::lock_guard<std::mutex> lock(mu_);
        failure_ = "no virtual reader at " + options_.host + ":" + std::to_string(options_.port) + " for " +
                   std::to_string(options_.waitSeconds) + " s";
        finished_ = true;
        return;
      }
      if (!pause(options_.retryMs)) return;
      continue;
    }
    ++connections_;
    connected_ = true;
    card_.reset();
    serve(fd);
    connected_ = false;
    close(fd);
    giveUpAt = Clock::now() + std::chrono::seconds(options_.waitSeconds);
  }
}

void VpcdCardHost::serve(int fd) {
  Bytes buffer;
  uint8_t chunk[4096];
  while (!stopping_) {
    pollfd p[2] = {{fd, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    if (poll(p, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (p[1].revents) return;  // stop()
    const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
    if (n <= 0) {
      if (n < 0 && errno == EINTR) continue;
      return;  // vpcd closed the link
    }
    buffer.insert(buffer.end(), chunk, chunk + n);
    for (const Bytes& message : takeVpcdMessages(buffer)) {
      const std::optional<Bytes> answer = answerVpcdMessage(card_, message);
      if (!answer) continue;
      const Bytes out = vpcdFrame(*answer);
      size_t sent = 0;
      while (sent < out.size()) {
        const ssize_t w = send(fd, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return;
        sent += size_t(w);
      }
    }
  }
}

}  // namespace sim
