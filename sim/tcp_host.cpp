// SPDX-License-Identifier: MIT
#include "sim/tcp_host.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace sim {

bool parseListenAddress(const std::string& text, std::string* host, int* port) {
  const std::string scheme = "tcp://";
  if (text.compare(0, scheme.size(), scheme) != 0) return false;
  const std::string rest = text.substr(scheme.size());
  const auto colon = rest.rfind(':');
  if (colon == std::string::npos) return false;
  std::string h = rest.substr(0, colon);
  const std::string p = rest.substr(colon + 1);
  if (h.size() >= 2 && h.front() == '[' && h.back() == ']') h = h.substr(1, h.size() - 2);
  else if (h.find(':') != std::string::npos) return false;
  if (h.empty() || p.empty() || p.size() > 5 || p.find_first_not_of("0123456789") != std::string::npos) return false;
  const long v = std::strtol(p.c_str(), nullptr, 10);
  if (v > 65535) return false;
  *host = h;
  *port = static_cast<int>(v);
  return true;
}

TcpHost::TcpHost(std::shared_ptr<SharedReader> reader) : ServingHost(std::move(reader), ReaderLine::Carrier::Socket) {}

TcpHost::~TcpHost() { stop(); }

bool TcpHost::start(const std::string& host, int port, std::string* error) {
  if (!idle(error)) return false;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &found); rc != 0) {
    if (error) *error = "cannot listen on " + host + ": " + gai_strerror(rc);
    return false;
  }
  std::string what = "socket";
  for (addrinfo* a = found; a && listen_ < 0; a = a->ai_next) {
    const int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
    if (fd < 0) continue;
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (bind(fd, a->ai_addr, a->ai_addrlen) != 0) {
      what = "cannot listen on " + host + ":" + service;
    } else if (listen(fd, 4) != 0) {
      what = "listen";
    } else {
      listen_ = fd;
      break;
    }
    const int saved = errno;
    close(fd);
    errno = saved;
  }
  freeaddrinfo(found);
  if (listen_ < 0) return FailWithErrno(error, what);

  sockaddr_storage bound{};
  socklen_t len = sizeof bound;
  getsockname(listen_, reinterpret_cast<sockaddr*>(&bound), &len);
  port_ = ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                            : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
  host_ = host;
  if (!openWakePipe()) {
    FailWithErrno(error, "pipe");
    closeFds();
    return false;
  }
  stopping_ = false;
  thread_ = std::thread(&TcpHost::run, this);
  return true;
}

void TcpHost::stop() {
  stopServing();
  closeFds();
}

void TcpHost::closeFds() {
  CloseAll({&listen_, &client_, &wake_[0], &wake_[1]});
}

std::string TcpHost::address() const {
  const bool v6 = host_.find(':') != std::string::npos;
  return "tcp://" + (v6 ? "[" + host_ + "]" : host_) + ":" + std::to_string(port_);
}

void TcpHost::dropClient() {
  if (client_ >= 0) close(client_);
  client_ = -1;
  line_.dropOutput();
}

void TcpHost::run() {
  line_.dropOutput();
  uint8_t buf[4096];
  while (!stopping_) {
    int timeout = line_.tick(Clock::now());
    if (client_ >= 0 && !line_.flush(client_)) dropClient();

    pollfd fds[3] = {wakePoll(), {listen_, POLLIN, 0}, {client_, 0, 0}};
    fds[2].events = static_cast<short>(POLLIN | (line_.wantsWrite() ? POLLOUT : 0));
    const int rc = poll(fds, 3, timeout);
    if (rc < 0 && errno != EINTR) break;
    if (rc <= 0) continue;

    if (woken(fds[0])) continue;
    if (fds[1].revents & POLLIN) {
      const int fd = accept4(listen_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (fd >= 0) {
        dropClient();  // a new client replaces the old one
        const int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        client_ = fd;
        ++connections_;
        continue;
      }
    }
    if (client_ < 0) continue;
    if (fds[2].revents & POLLIN) {
      const ssize_t n = recv(client_, buf, sizeof buf, 0);
      if (n > 0) line_.input(buf, static_cast<size_t>(n), true, Clock::now());
      else if (n == 0 || (errno != EAGAIN && errno != EINTR)) dropClient();
    } else if (fds[2].revents & (POLLHUP | POLLERR)) {
      dropClient();
    }
  }
}

}  // namespace sim
