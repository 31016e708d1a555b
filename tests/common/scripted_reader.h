// SPDX-License-Identifier: MIT
#pragma once
// A reader of a test's own making on a pseudo-terminal: it acknowledges every command frame
// and answers with the reply texts it was given, in order (the last one over and over), so
// a test can put replies on the line that the simulator never sends. It can take its time
// before each reply (an EOT meanwhile drops the reply, as a reader does), and it keeps every
// byte it received.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace ctl_test {

class ScriptedReader {
  using Clock = std::chrono::steady_clock;

 public:
  explicit ScriptedReader(std::vector<QByteArray> replyTexts, int replyDelayMs = 0)
      : replies_(std::move(replyTexts)), delay_(replyDelayMs) {
    int slave = -1;
    if (openpty(&master_, &slave, nullptr, nullptr, nullptr) != 0) return;
    char name[128] = {};
    ptsname_r(master_, name, sizeof name);
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
    slave_ = slave;
    path_ = QString::fromLocal8Bit(name);
    thread_ = std::thread([this] { serve(); });
  }
  ~ScriptedReader() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    for (int fd : {master_, slave_})
      if (fd >= 0) ::close(fd);
  }
  const QString& device() const { return path_; }
  // Replies go out without their last byte, the check byte.
  std::atomic<bool> dropCheckByte{false};
  int commandsSeen() const { return commands_; }
  // Every byte the host wrote so far.
  QByteArray received() const {
    std::lock_guard<std::mutex> lock(mu_);
    return received_;
  }
  // What the host wrote, once it ends with `tail` or `ms` have passed: the last bytes of a
  // host that has just ended may still be on their way through the terminal.
  QByteArray receivedEndingWith(const QByteArray& tail, int ms = 2000) const {
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    QByteArray seen = received();
    while (!seen.endsWith(tail) && Clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      seen = received();
    }
    return seen;
  }

 private:
  void serve() {
    QByteArray in;
    bool waiting = false;  // a reply waits to go out at `due`
    Clock::time_point due{};
    while (!stop_) {
      int wait = 50;
      if (waiting) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now()).count();
        wait = static_cast<int>(std::clamp<long long>(left, 0, 50));
      }
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, wait) > 0) {
        char buf[512];
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n > 0) {
          {
            std::lock_guard<std::mutex> lock(mu_);
            received_.append(buf, static_cast<int>(n));
          }
          in.append(buf, static_cast<int>(n));
        }
      }
      if (waiting && in.contains('\x04')) waiting = false;  // the host gave up: the reply is dropped
      if (waiting && Clock::now() >= due) {
        waiting = false;
        answer();
      }
      // Whole command frames: F2 ADDR LENhi LENlo text 03 BCC; anything before an F2 is our
      // host's ACK or EOT.
      for (;;) {
        const int start = in.indexOf('\xF2');
        if (start < 0 || in.size() - start < 4) break;
        const int len = 256 * static_cast<uint8_t>(in[start + 2]) + static_cast<uint8_t>(in[start + 3]);
        if (in.size() - start < 4 + len + 2) break;
        in.remove(0, start + 4 + len + 2);
        (void)!::write(master_, "\x06", 1);
        if (delay_ > 0) {
          due = Clock::now() + std::chrono::milliseconds(delay_);
          waiting = true;
        } else {
          answer();
        }
      }
      if (!in.contains('\xF2')) in.clear();
    }
  }
  void answer() {
    const QByteArray text = replies_.at(std::min(static_cast<size_t>(commands_), replies_.size() - 1));
    ++commands_;
    QByteArray frame("\xF2\x00", 2);
    frame.append(static_cast<char>(text.size() >> 8)).append(static_cast<char>(text.size() & 0xFF));
    frame.append(text).append('\x03');
    char bcc = 0;
    for (char c : frame) bcc = static_cast<char>(bcc ^ c);
    if (!dropCheckByte) frame.append(bcc);
    (void)!::write(master_, frame.constData(), static_cast<size_t>(frame.size()));
  }

  std::vector<QByteArray> replies_;
  int delay_ = 0;
  int master_ = -1;
  int slave_ = -1;
  QString path_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int> commands_{0};
  mutable std::mutex mu_;
  QByteArray received_;
};

}  // namespace ctl_test
