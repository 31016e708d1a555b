// SPDX-License-Identifier: MIT
#include "side_port.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <fcntl.h>
#include <pty.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "core/link/net_address.h"
#include "core/link/rfc2217_port.h"
#include "core/link/tcp_port.h"

namespace kvt::monitor {

namespace {

constexpr qsizetype kMaxBacklog = 64 * 1024;

struct Speed {
  qint32 baud;
  speed_t constant;
};
constexpr Speed kSpeeds[] = {{50, B50},         {75, B75},         {110, B110},       {134, B134},
                             {150, B150},       {200, B200},       {300, B300},       {600, B600},
                             {1200, B1200},     {1800, B1800},     {2400, B2400},     {4800, B4800},
                             {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
                             {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
                             {576000, B576000}, {921600, B921600}, {1000000, B1000000}};

speed_t SpeedConstant(quint32 baud) {
  for (const Speed& s : kSpeeds)
    if (static_cast<quint32>(s.baud) == baud) return s.constant;
  return B0;
}

quint32 BaudOf(speed_t constant) {
  for (const Speed& s : kSpeeds)
    if (s.constant == constant) return static_cast<quint32>(s.baud);
  return 0;
}

// Reads what a non-blocking descriptor holds; nullopt when it reports the far side gone.
std::optional<QByteArray> ReadAll(int fd) {
  QByteArray out;
  char buf[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n > 0) {
      out.append(buf, static_cast<qsizetype>(n));
      if (static_cast<size_t>(n) < sizeof buf) return out;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return out;
    return out.isEmpty() ? std::nullopt : std::optional<QByteArray>(out);  // hangup or EIO
  }
}

// Writes what the descriptor takes now; the rest stays in backlog (up to kMaxBacklog, the
// bytes beyond it are dropped and counted). False when the descriptor failed.
bool WriteSome(int fd, QByteArray& backlog, qint64& dropped) {
  while (!backlog.isEmpty()) {
    const ssize_t n = ::write(fd, backlog.constData(), static_cast<size_t>(backlog.size()));
    if (n > 0) {
      backlog.remove(0, n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
    return false;
  }
  if (backlog.size() > kMaxBacklog) {
    dropped += backlog.size() - kMaxBacklog;
    backlog.truncate(kMaxBacklog);
  }
  return true;
}

// A serial device, or the pseudo-terminal of a simulated reader.
class TtyPort : public SidePort {
 public:
  explicit TtyPort(QString device) : device_(std::move(device)) {}
  ~TtyPort() override { close(); }

  OpenError open(const LineSettings& line) override {
    close();
    const QByteArray path = QFile::encodeName(device_);
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
      switch (errno) {
        case ENOENT:
        case ENXIO:
        case ENODEV:
        case ENOTDIR: return OpenError::NoSuchPort;
        case EACCES:
        case EPERM: return OpenError::AccessDenied;
        case EBUSY: return OpenError::InUse;
        default: return OpenError::Other;
      }
    }
    if (!::isatty(fd)) {
      ::close(fd);
      return OpenError::NoSuchPort;
    }
    // Nobody else opens the line while the monitor holds it (as QSerialPort does).
    if (::ioctl(fd, TIOCEXCL) != 0 || !SetTermios(fd, line)) {
      ::close(fd);
      return OpenError::Other;
    }
    fd_ = fd;
    return OpenError::None;
  }
  void close() override {
    if (fd_ < 0) return;
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
    backlog_.clear();
  }
  bool isOpen() const override { return fd_ >= 0; }
  int descriptor() const override { return fd_; }
  std::optional<QByteArray> take() override {
    if (fd_ < 0) return std::nullopt;
    auto got = ReadAll(fd_);
    if (!got) close();
    return got;
  }
  bool put(const QByteArray& bytes) override {
    if (fd_ < 0) return false;
    backlog_ += bytes;
    return drain();
  }
  qsizetype backlog() const override { return backlog_.size(); }
  bool drain() override {
    if (fd_ >= 0 && WriteSome(fd_, backlog_, dropped_)) return true;
    close();
    return false;
  }
  qint64 takeDropped() override { return std::exchange(dropped_, 0); }
  Applied apply(const LineSettings& line) override {
    return fd_ >= 0 && SetTermios(fd_, line) ? Applied::Yes : Applied::Refused;
  }
  QString name() const override { return device_; }

 private:
  QString device_;
  int fd_ = -1;
  QByteArray backlog_;
  qint64 dropped_ = 0;
};

// TcpPort and Rfc2217Port with their socket to wait on.
template <class Base>
class Pollable : public Base {
 public:
  Pollable() : Base(WaitMode::Block) {}
  int descriptor() const { return Base::isOpen() ? static_cast<int>(Base::socket_.socketDescriptor()) : -1; }
};

// tcp:// and rfc2217://. The socket lives on the thread that made it, which is the one
// that uses it.
class NetPort : public SidePort {
 public:
  NetPort(QString device, LineKind kind) : device_(std::move(device)), kind_(kind) {}
  ~NetPort() override { close(); }

  OpenError open(const LineSettings& line) override {
    const auto baud = static_cast<qint32>(line.baud);
    if (kind_ == LineKind::RawTcp) return tcp_.open(device_, baud);
    const OpenError e = rfc2217_.open(device_, baud);
    // The opening sets 8N1; another format is set after it.
    if (e == OpenError::None && (line.dataBits != 8 || line.parity != rfc2217::kParityNone ||
                                 line.stopBits != rfc2217::kStopBitsOne) &&
        !rfc2217_.setLine(line)) {
      rfc2217_.close();
      return OpenError::Other;
    }
    return e;
  }
  void close() override { port().close(); }
  bool isOpen() const override { return kind_ == LineKind::RawTcp ? tcp_.isOpen() : rfc2217_.isOpen(); }
  int descriptor() const override { return kind_ == LineKind::RawTcp ? tcp_.descriptor() : rfc2217_.descriptor(); }
  std::optional<QByteArray> take() override {
    SerialPort& p = port();
    if (!p.isOpen() || p.bytesWaiting() < 0) {
      p.close();
      return std::nullopt;
    }
    return p.read(0);
  }
  bool put(const QByteArray& bytes) override { return port().write(bytes); }
  Applied apply(const LineSettings& line) override {
    if (kind_ == LineKind::RawTcp) return Applied::NotHere;
    return rfc2217_.setLine(line) ? Applied::Yes : Applied::Refused;
  }
  QString name() const override { return device_; }

 private:
  SerialPort& port() { return kind_ == LineKind::RawTcp ? static_cast<SerialPort&>(tcp_) : rfc2217_; }

  QString device_;
  LineKind kind_;
  Pollable<TcpPort> tcp_;
  Pollable<Rfc2217Port> rfc2217_;
};

}  // namespace

bool SetTermios(int fd, const LineSettings& line) {
  const speed_t speed = SpeedConstant(line.baud);
  termios t{};
  if (speed == B0 || ::tcgetattr(fd, &t) != 0) return false;
  ::cfmakeraw(&t);
  t.c_cflag |= CLOCAL | CREAD;
  t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  static const tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  t.c_cflag |= kSizes[std::clamp<int>(line.dataBits, 5, 8) - 5];
  switch (line.parity) {
    case rfc2217::kParityOdd: t.c_cflag |= PARENB | PARODD; break;
    case rfc2217::kParityEven: t.c_cflag |= PARENB; break;
    case rfc2217::kParityMark: t.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case rfc2217::kParitySpace: t.c_cflag |= PARENB | CMSPAR; break;
    default: break;
  }
  if (line.stopBits != rfc2217::kStopBitsOne) t.c_cflag |= CSTOPB;
  // At least one byte per read: a non-blocking read of nothing then fails with EAGAIN,
  // and only a line that hung up reads as 0 bytes.
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  ::cfsetispeed(&t, speed);
  ::cfsetospeed(&t, speed);
  return ::tcsetattr(fd, TCSANOW, &t) == 0;
}

LineSettings ReadTermios(int fd) {
  LineSettings line;
  termios t{};
  if (::tcgetattr(fd, &t) != 0) return line;
  speed_t speed = ::cfgetospeed(&t);
  if (speed == B0) speed = ::cfgetispeed(&t);
  line.baud = BaudOf(speed);
  switch (t.c_cflag & CSIZE) {
    case CS5: line.dataBits = 5; break;
    case CS6: line.dataBits = 6; break;
    case CS7: line.dataBits = 7; break;
    default: line.dataBits = 8; break;
  }
  if (!(t.c_cflag & PARENB)) line.parity = rfc2217::kParityNone;
  else if (t.c_cflag & CMSPAR) line.parity = (t.c_cflag & PARODD) ? rfc2217::kParityMark : rfc2217::kParitySpace;
  else line.parity = (t.c_cflag & PARODD) ? rfc2217::kParityOdd : rfc2217::kParityEven;
  line.stopBits = (t.c_cflag & CSTOPB) ? rfc2217::kStopBitsTwo : rfc2217::kStopBitsOne;
  return line;
}

std::unique_ptr<SidePort> MakeSidePort(const QString& device) {
  const LineKind kind = LineKindOf(device);
  if (kind == LineKind::Serial) return std::make_unique<TtyPort>(device);
  return std::make_unique<NetPort>(device, kind);
}

AppTerminal::~AppTerminal() { close(); }

OpenError AppTerminal::open(const LineSettings& line) {
  close();
  int master = -1, slave = -1;
  if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return OpenError::Other;
  master_ = master;
  // The far end stays open here: without it the terminal would hang up each time the
  // application closes it, and reading it would fail.
  slave_ = slave;
  ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  ::fcntl(master_, F_SETFD, FD_CLOEXEC);
  ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
  char name[128] = {};
  if (::ptsname_r(master_, name, sizeof name) != 0 || !SetTermios(slave_, line)) {
    close();
    return OpenError::Other;
  }
  path_ = QString::fromLocal8Bit(name);
  notify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (notify_ < 0 || ::inotify_add_watch(notify_, name, IN_OPEN | IN_CLOSE) < 0 || !makeLink()) {
    close();
    return OpenError::Other;
  }
  return OpenError::None;
}

bool AppTerminal::makeLink() {
  if (link_.isEmpty()) return true;
  const QByteArray link = QFile::encodeName(link_);
  struct stat st {};
  if (::lstat(link.constData(), &st) == 0) {
    if (!S_ISLNK(st.st_mode)) {
      linkError_ = QStringLiteral("%1 exists and is not a symlink: left as it is").arg(link_);
      return false;
    }
    ::unlink(link.constData());
  }
  if (::symlink(QFile::encodeName(path_).constData(), link.constData()) != 0) {
    linkError_ = QStringLiteral("cannot create %1: %2").arg(link_, QString::fromLocal8Bit(std::strerror(errno)));
    return false;
  }
  return true;
}

void AppTerminal::close() {
  if (!link_.isEmpty() && !path_.isEmpty() && linkError_.isEmpty() &&
      QFileInfo(link_).symLinkTarget() == path_)
    QFile::remove(link_);
  for (int* fd : {&notify_, &slave_, &master_}) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }
  opens_ = 0;
  backlog_.clear();
}

std::optional<QByteArray> AppTerminal::take() {
  if (master_ < 0) return std::nullopt;
  return ReadAll(master_).value_or(QByteArray());  // the held far end keeps it from hanging up
}

bool AppTerminal::put(const QByteArray& bytes) {
  if (master_ < 0) return false;
  if (opens_ == 0) return true;
  backlog_ += bytes;
  return drain();
}

bool AppTerminal::drain() { return master_ >= 0 && WriteSome(master_, backlog_, dropped_); }

qint64 AppTerminal::takeDropped() { return std::exchange(dropped_, 0); }

std::vector<AppTerminal::Notice> AppTerminal::notices() {
  std::vector<Notice> out;
  if (notify_ < 0) return out;
  alignas(inotify_event) char buf[4096];
  for (;;) {
    const ssize_t n = ::read(notify_, buf, sizeof buf);
    if (n <= 0) break;
    for (ssize_t at = 0; at < n;) {
      const auto* e = reinterpret_cast<const inotify_event*>(buf + at);
      if (e->mask & IN_OPEN) {
        if (opens_++ == 0) out.push_back(Notice::Opened);
      } else if (e->mask & IN_CLOSE) {
        if (opens_ > 0 && --opens_ == 0) {
          out.push_back(Notice::Closed);
          // Whatever the application left unread is gone with its port (its own last bytes
          // stay to be read), and an exclusive lock it did not release would keep it from
          // opening again.
          ::tcflush(slave_, TCIFLUSH);
          ::ioctl(slave_, TIOCNXCL);
          backlog_.clear();
        }
      }
      at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
    }
  }
  return out;
}

LineSettings AppTerminal::settings() const { return ReadTermios(slave_); }

}  // namespace kvt::monitor
