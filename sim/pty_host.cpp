#include "sim/pty_host.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>

#include "sim/serial_speed.h"

namespace sim {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kHangupRetryMs = 200;

bool fail(std::string* error, const std::string& what) {
  if (error) *error = what + ": " + std::strerror(errno);
  return false;
}

int msUntil(Clock::time_point t, Clock::time_point now) {
  if (t <= now) return 0;
  // Round up so we never wake just before the deadline and go round again.
  return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(t - now).count()) + 1;
}

int earlier(int a, int b) {
  if (a < 0) return b;
  if (b < 0) return a;
  return a < b ? a : b;
}

// Replies waiting for their turn; each falls due delayMs after the previous one went out.
class OutQueue {
 public:
  void add(const Emission& e, Clock::time_point now) {
    if (e.cancelPending) {
      items_.clear();
      return;
    }
    if (items_.empty()) due_ = now + std::chrono::milliseconds(e.delayMs);
    items_.push_back(e.bytes);
    delays_.push_back(e.delayMs);
  }
  // Moves every emission due by `now` into out.
  void takeDue(Clock::time_point now, std::vector<uint8_t>& out) {
    while (!items_.empty() && due_ <= now) {
      out.insert(out.end(), items_.front().begin(), items_.front().end());
      items_.pop_front();
      delays_.pop_front();
      if (!items_.empty()) due_ = now + std::chrono::milliseconds(delays_.front());
    }
  }
  int msToNext(Clock::time_point now) const { return items_.empty() ? -1 : msUntil(due_, now); }

 private:
  std::deque<std::vector<uint8_t>> items_;
  std::deque<int> delays_;
  Clock::time_point due_{};
};

}  // namespace

PtyHost::PtyHost() = default;

PtyHost::~PtyHost() { stop(); }

bool PtyHost::start(std::string* error) {
  if (running()) {
    if (error) *error = "already running";
    return false;
  }
  int master = -1;
  int slave = -1;
  if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return fail(error, "openpty");
  master_ = master;
  slave_ = slave;

  auto bail = [&](const char* what) {
    fail(error, what);
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
  if (pipe2(wake_, O_NONBLOCK | O_CLOEXEC) != 0) return bail("pipe");

  {
    std::lock_guard<std::mutex> lock(mu_);
    path_ = name;
  }
  stopping_ = false;
  thread_ = std::thread(&PtyHost::run, this);
  return true;
}

void PtyHost::stop() {
  if (thread_.joinable()) {
    stopping_ = true;
    const char x = 'x';
    while (write(wake_[1], &x, 1) < 0 && errno == EINTR) {
    }
    thread_.join();
  }
  closeFds();
}

void PtyHost::closeFds() {
  for (int* fd : {&master_, &slave_, &wake_[0], &wake_[1]}) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
}

std::string PtyHost::slavePath() const {
  std::lock_guard<std::mutex> lock(mu_);
  return path_;
}

void PtyHost::withReader(const std::function<void(Reader&)>& fn) {
  std::lock_guard<std::mutex> lock(mu_);
  fn(reader_);
}

std::vector<uint8_t> PtyHost::received() const {
  std::lock_guard<std::mutex> lock(mu_);
  return received_;
}

std::vector<uint8_t> PtyHost::sent() const {
  std::lock_guard<std::mutex> lock(mu_);
  return sent_;
}

void PtyHost::run() {
  OutQueue queue;
  std::vector<uint8_t> pendingWrite;
  Clock::time_point lastInput = Clock::now();
  bool hungUp = false;
  uint8_t buf[4096];

  while (!stopping_) {
    Clock::time_point now = Clock::now();
    queue.takeDue(now, pendingWrite);
    if (!pendingWrite.empty() && !hungUp) {
      const ssize_t w = write(master_, pendingWrite.data(), pendingWrite.size());
      if (w > 0) {
        std::lock_guard<std::mutex> lock(mu_);
        sent_.insert(sent_.end(), pendingWrite.begin(), pendingWrite.begin() + w);
        pendingWrite.erase(pendingWrite.begin(), pendingWrite.begin() + w);
      } else if (w < 0 && errno == EIO) {
        hungUp = true;
      }
    }

    int timeout = queue.msToNext(now);
    bool midFrame = false;
    {
      std::lock_guard<std::mutex> lock(mu_);
      midFrame = reader_.midFrame();
    }
    if (midFrame) {
      const auto idleDeadline = lastInput + std::chrono::milliseconds(idleResetMs_);
      if (idleDeadline <= now) {
        std::lock_guard<std::mutex> lock(mu_);
        reader_.resetLink();
      } else {
        timeout = earlier(timeout, msUntil(idleDeadline, now));
      }
    }
    // Without a slave end the master reports a hangup on every poll; look
    // again now and then instead of polling it continuously.
    if (hungUp) timeout = earlier(timeout, kHangupRetryMs);

    pollfd fds[2] = {{wake_[0], POLLIN, 0}, {hungUp ? -1 : master_, 0, 0}};
    fds[1].events = static_cast<short>(POLLIN | (pendingWrite.empty() ? 0 : POLLOUT));
    const int rc = poll(fds, 2, timeout);
    if (rc < 0 && errno != EINTR) break;
    hungUp = false;
    if (rc <= 0) continue;

    if (fds[0].revents & POLLIN) {
      char drain[64];
      while (read(wake_[0], drain, sizeof drain) > 0) {
      }
      continue;
    }
    if (fds[1].revents & POLLIN) {
      const ssize_t n = read(master_, buf, sizeof buf);
      if (n > 0) {
        now = Clock::now();
        lastInput = now;
        const int speed = lineBaud(slave_);
        std::vector<Emission> out;
        {
          std::lock_guard<std::mutex> lock(mu_);
          received_.insert(received_.end(), buf, buf + n);
          if (speed == reader_.baud()) out = reader_.feed(buf, static_cast<size_t>(n));
        }
        for (const auto& e : out) queue.add(e, now);
      } else if (n == 0 || errno == EIO) {
        hungUp = true;
      }
    } else if (fds[1].revents & (POLLHUP | POLLERR)) {
      hungUp = true;
    }
  }
}

}  // namespace sim
