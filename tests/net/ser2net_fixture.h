// SPDX-License-Identifier: MIT
#pragma once
// A private ser2net (version 4, YAML configuration) relaying one TCP port on 127.0.0.1 to
// a serial device, raw or with Telnet serial port control. Each object runs its own
// ser2net in the foreground on a port of its own and stops it by its process id.
//
// Traps of ser2net 4.3 this works around: one that cannot bind its port keeps running
// (and ignores SIGTERM), so the listening socket is checked to belong to our process
// before use, and a stop ends in SIGKILL after a grace period; a client arriving while
// ser2net still closes the device after the previous one is refused with text on the
// data stream, so waitIdle() waits for the device to be let go.
#include <signal.h>
#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

namespace net_test {

class Ser2net {
 public:
  enum class Mode { Raw, Rfc2217 };

  static QString program() {
    return QStandardPaths::findExecutable(QStringLiteral("ser2net"),
                                          {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin"), QStringLiteral("/sbin")});
  }

  ~Ser2net() { stop(); }

  // lineSettings as ser2net writes them, e.g. "9600n81"; port 0: a free one. False with the
  // reason when no ser2net came up listening on a port of its own.
  bool start(Mode mode, const QString& device, QString* why, const QString& lineSettings = QStringLiteral("9600n81"),
             int port = 0) {
    mode_ = mode;
    device_ = device;
    lineSettings_ = lineSettings;
    for (int attempt = 0; attempt < 4; ++attempt) {
      port_ = port ? port : FreePort();
      const QString config = dir_.filePath(QStringLiteral("ser2net-%1.yaml").arg(port_));
      QFile f(config);
      if (!f.open(QIODevice::WriteOnly)) break;
      const QString accepter = mode == Mode::Raw ? QStringLiteral("tcp,127.0.0.1,%1").arg(port_)
                                                 : QStringLiteral("telnet(rfc2217),tcp,127.0.0.1,%1").arg(port_);
      f.write(QStringLiteral("connection: &kvt\n  accepter: %1\n  connector: serialdev,%2,%3,local\n")
                  .arg(accepter, device, lineSettings)
                  .toUtf8());
      f.close();
      proc_.setProgram(program());
      proc_.setArguments({QStringLiteral("-n"), QStringLiteral("-d"), QStringLiteral("-u"), QStringLiteral("-c"), config,
                          QStringLiteral("-P"), dir_.filePath(QStringLiteral("ser2net.pid"))});
      proc_.setStandardOutputFile(dir_.filePath(QStringLiteral("ser2net.log")), QIODevice::Append);
      proc_.setStandardErrorFile(dir_.filePath(QStringLiteral("ser2net.log")), QIODevice::Append);
      proc_.start();
      if (!proc_.waitForStarted(5000)) break;
      QElapsedTimer t;
      t.start();
      while (proc_.state() == QProcess::Running && t.elapsed() < 10000) {
        if (ListenerOwnedBy(proc_.processId(), port_)) {
          pid_ = proc_.processId();
          return true;
        }
        QThread::msleep(50);
      }
      stop();  // somebody else holds the port, or ser2net did not come up
      QThread::msleep(port ? 500 : 0);  // the same port again: a moment for the old socket to go
    }
    if (why) *why = QStringLiteral("ser2net did not come up listening on a port of its own");
    return false;
  }

  // Stopped and started again on its port, as a server that goes away and comes back.
  bool restart(QString* why) {
    stop();
    return start(mode_, device_, why, lineSettings_, port_);
  }

  // SIGTERM, then SIGKILL after a grace period.
  void stop() {
    if (proc_.state() == QProcess::NotRunning) return;
    ::kill(static_cast<pid_t>(proc_.processId()), SIGTERM);
    if (!proc_.waitForFinished(2000)) {
      proc_.kill();
      proc_.waitForFinished(5000);
    }
  }
  // SIGTERM alone, callable from any thread; the destructor makes sure it ended.
  void signalStop() const {
    if (pid_ > 0) ::kill(static_cast<pid_t>(pid_), SIGTERM);
  }

  // Waits until ser2net has let the device go after the last client.
  bool waitIdle(int ms = 10000) const {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
      if (!HoldsFile(proc_.processId(), device_)) return true;
      QThread::msleep(20);
    }
    return false;
  }

  QString address() const {
    return QStringLiteral("%1://127.0.0.1:%2").arg(mode_ == Mode::Raw ? QStringLiteral("tcp") : QStringLiteral("rfc2217")).arg(port_);
  }

 private:
  static int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
      port = ntohs(a.sin_port);
    ::close(fd);
    return port;
  }

  // Whether a file descriptor of the process is the socket listening on 127.0.0.1:port.
  static bool ListenerOwnedBy(qint64 pid, int port) {
    QFile tcp(QStringLiteral("/proc/net/tcp"));
    if (!tcp.open(QIODevice::ReadOnly)) return false;
    const QString local = QStringLiteral("0100007F:%1").arg(port, 4, 16, QLatin1Char('0')).toUpper();
    QString inode;
    for (const QByteArray& raw : tcp.readAll().split('\n')) {
      const QStringList f = QString::fromLatin1(raw).simplified().split(QLatin1Char(' '));
      if (f.size() > 9 && f[1] == local && f[3] == QLatin1String("0A")) inode = f[9];
    }
    return !inode.isEmpty() && HoldsFile(pid, QStringLiteral("socket:[%1]").arg(inode));
  }

  // Whether a file descriptor of the process points at target (a path, or "socket:[N]").
  static bool HoldsFile(qint64 pid, const QString& target) {
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString& fd : fds.entryList(QDir::Files | QDir::System)) {
      char buf[256];
      const QByteArray path = QFile::encodeName(fds.filePath(fd));
      const ssize_t n = ::readlink(path.constData(), buf, sizeof buf - 1);
      if (n > 0 && QString::fromLocal8Bit(buf, static_cast<int>(n)) == target) return true;
    }
    return false;
  }

  QTemporaryDir dir_;
  QProcess proc_;
  qint64 pid_ = 0;
  Mode mode_ = Mode::Raw;
  QString device_;
  QString lineSettings_;
  int port_ = 0;
};

}  // namespace net_test
