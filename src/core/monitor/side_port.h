// SPDX-License-Identifier: MIT
#pragma once
// The two sides of the monitor as it holds them: a serial device (or a pseudo-terminal of
// a simulated reader), a network port (tcp://, rfc2217://) or, for the application, a new
// pseudo-terminal. Each has a descriptor to wait on; reads and writes never block long.
#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

#include "core/link/rfc2217_codec.h"
#include "core/link/serial_port.h"

namespace kvt::monitor {

using LineSettings = rfc2217::LineSettings;

enum class Applied { Yes, NotHere, Refused };  // NotHere: the line's settings are not ours to set

class SidePort {
 public:
  virtual ~SidePort() = default;
  virtual OpenError open(const LineSettings& line) = 0;
  virtual void close() = 0;
  virtual bool isOpen() const = 0;
  // What to wait on for input; -1 while closed.
  virtual int descriptor() const = 0;
  // What has arrived, without waiting; nullopt when the port is gone (it is closed then).
  virtual std::optional<QByteArray> take() = 0;
  // Passes bytes on; what the system cannot take at once waits (see backlog()). False when
  // the port failed.
  virtual bool put(const QByteArray& bytes) = 0;
  // Bytes put but not yet taken by the system; the owner waits for the descriptor to be
  // writable and calls drain().
  virtual qsizetype backlog() const { return 0; }
  virtual bool drain() { return true; }
  // Bytes dropped since the last call because the far side did not take them.
  virtual qint64 takeDropped() { return 0; }
  virtual Applied apply(const LineSettings& line) = 0;
  // The device as given ("/dev/ttyUSB0", "rfc2217://host:2001", "/dev/pts/7").
  virtual QString name() const = 0;
};

// A port for a device text as kvt730ctl takes it (after the port map): tcp://, rfc2217://
// or a serial device.
std::unique_ptr<SidePort> MakeSidePort(const QString& device);

// The pseudo-terminal the monitor makes for the application. It holds the far end open
// itself, so the application may close and reopen it, and tells when the application did,
// and what line settings the application set on it.
class AppTerminal : public SidePort {
 public:
  // `link`: a symlink to make to the terminal (empty for none); removed again on close.
  explicit AppTerminal(QString link = {}) : link_(std::move(link)) {}
  ~AppTerminal() override;
  OpenError open(const LineSettings& line) override;
  void close() override;
  bool isOpen() const override { return master_ >= 0; }
  int descriptor() const override { return master_; }
  std::optional<QByteArray> take() override;
  // While the application has the terminal closed, bytes for it are dropped (a closed
  // serial port hears nothing either).
  bool put(const QByteArray& bytes) override;
  qsizetype backlog() const override { return backlog_.size(); }
  bool drain() override;
  qint64 takeDropped() override;
  Applied apply(const LineSettings&) override { return Applied::NotHere; }
  QString name() const override { return path_; }

  // Waited on for the application opening and closing the terminal.
  int noticeDescriptor() const { return notify_; }
  enum class Notice { Opened, Closed };
  // What happened since the last call, in order: the first open and the last close only.
  std::vector<Notice> notices();
  bool applicationOpen() const { return opens_ > 0; }
  // The settings the application set on the terminal (Linux shares them between both ends).
  LineSettings settings() const;
  // Why open() failed when it was the link.
  QString linkError() const { return linkError_; }

 private:
  bool makeLink();
  QString link_;
  QString linkError_;
  QString path_;
  int master_ = -1;
  int slave_ = -1;
  int notify_ = -1;
  int opens_ = 0;
  QByteArray backlog_;
  qint64 dropped_ = 0;
};

// Termios for a line: raw bytes, the speed, data bits, parity and stop bits. False when the
// speed has no constant.
bool SetTermios(int fd, const LineSettings& line);
// What the terminal is set to.
LineSettings ReadTermios(int fd);

}  // namespace kvt::monitor
