#pragma once
// A reader of a test's own making on a pseudo-terminal: it acknowledges every command frame
// and answers with the reply texts it was given, in order (the last one over and over), so
// a test can put replies on the line that the simulator never sends.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QByteArray>
#include <QString>
#include <atomic>
#include <thread>
#include <vector>

namespace ctl_test {

class ScriptedReader {
 public:
  explicit ScriptedReader(std::vector<QByteArray> replyTexts) : replies_(std::move(replyTexts)) {
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
  int commandsSeen() const { return commands_; }

 private:
  void serve() {
    QByteArray in;
    while (!stop_) {
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      char buf[512];
      const ssize_t n = ::read(master_, buf, sizeof buf);
      if (n <= 0) continue;
      in.append(buf, static_cast<int>(n));
      // Whole command frames: F2 ADDR LENhi LENlo text 03 BCC; anything before an F2 is our
      // host's ACK or EOT.
      for (;;) {
        const int start = in.indexOf('\xF2');
        if (start < 0 || in.size() - start < 4) break;
        const int len = 256 * static_cast<uint8_t>(in[start + 2]) + static_cast<uint8_t>(in[start + 3]);
        if (in.size() - start < 4 + len + 2) break;
        in.remove(0, start + 4 + len + 2);
        answer();
      }
    }
  }
  void answer() {
    const QByteArray text = replies_.at(std::min(static_cast<size_t>(commands_), replies_.size() - 1));
    ++commands_;
    QByteArray frame("\x06\xF2\x00", 3);
    frame.append(static_cast<char>(text.size() >> 8)).append(static_cast<char>(text.size() & 0xFF));
    frame.append(text).append('\x03');
    char bcc = 0;
    for (int i = 1; i < frame.size(); ++i) bcc = static_cast<char>(bcc ^ frame[i]);
    frame.append(bcc);
    (void)!::write(master_, frame.constData(), static_cast<size_t>(frame.size()));
  }

  std::vector<QByteArray> replies_;
  int master_ = -1;
  int slave_ = -1;
  QString path_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int> commands_{0};
};

}  // namespace ctl_test
