// SPDX-License-Identifier: MIT
#include "sim/pty_host.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "sim/serial_speed.h"

namespace sim {
namespace {

constexpr int kHangupRetryMs = 200;

}  // namespace

PtyHost::PtyHost(std::shared_ptr<SharedReader> reader) : ServingHost(std::move(reader), ReaderLine::Carrier::Terminal) {}

PtyHost::~PtyHost() { stop(); }

bool PtyHost::start(std::string* error) {
  if (!idle(error)) return false;
  int master = -1;
  int slave = -1;
  if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return FailWithErrno(error, "openpty");
  master_ = master;
  slave_ = slave;

  auto bail = [&](const char* what) {
    FailWithErrno(error, what);
    closeFds();
    return false;
  };

  char name[128] = {};
  termios t{};
  if (ptsname_r(master_, name, sizeof name) != 0) return bail("ptsname");
  if (tcgetattr(slave_, &t) != 0) return bail("tcgetattr");
  cfmakeraw(&t);
  int baud = 9600;
  withReader([&](Reader& r) { baud = r.baud(); });
  const speed_t speed = speedFromBaud(baud) == B0 ? B9600 : speedFromBaud(baud);
  cfsetispeed(&t, speed);
  cfsetospeed(&t, speed);
  if (tcsetattr(slave_, TCSANOW, &t) != 0) return bail("tcsetattr");
  if (fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK) != 0) return bail("fcntl");
  fcntl(master_, F_SETFD, FD_CLOEXEC);
  fcntl(slave_, F_SETFD, FD_CLOEXEC);
  if (!openWakePipe()) return bail("pipe");

  {
    std::lock_guard<std::mutex> lock(mu_);
    path_ = name;
  }
  stopping_ = false;
  thread_ = std::thread(&PtyHost::run, this);
  return true;
}

void PtyHost::stop() {
  stopServing();
  closeFds();
}

void PtyHost::closeFds() {
  CloseAll({&master_, &slave_, &wake_[0], &wake_[1]});
}

std::string PtyHost::slavePath() const {
  std::lock_guard<std::mutex> lock(mu_);
  return path_;
}

void PtyHost::run() {
  line_.dropOutput();
  bool hungUp = false;
  uint8_t buf[4096];

  while (!stopping_) {
    Clock::time_point now = Clock::now();
    int timeout = line_.tick(now);
    if (!hungUp && !line_.flush(master_)) hungUp = true;
    // Without a slave end the master reports a hangup on every poll; look
    // again now and then instead of polling it continuously.
    if (hungUp && (timeout < 0 || timeout > kHangupRetryMs)) timeout = kHangupRetryMs;

    pollfd fds[2] = {wakePoll(), {hungUp ? -1 : master_, 0, 0}};
    fds[1].events = static_cast<short>(POLLIN | (line_.wantsWrite() ? POLLOUT : 0));
    const int rc = poll(fds, 2, timeout);
    if (rc < 0 && errno != EINTR) break;
    hungUp = false;
    if (rc <= 0) continue;

    if (woken(fds[0])) continue;
    if (fds[1].revents & POLLIN) {
      const ssize_t n = read(master_, buf, sizeof buf);
      if (n > 0) {
        const int speed = lineBaud(slave_);
        bool heard = false;
        withReader([&](Reader& r) { heard = speed == r.baud(); });
        line_.input(buf, static_cast<size_t>(n), heard, Clock::now());
      } else if (n == 0 || errno == EIO) {
        hungUp = true;
      }
    } else if (fds[1].revents & (POLLHUP | POLLERR)) {
      hungUp = true;
    }
  }
}

}  // namespace sim
