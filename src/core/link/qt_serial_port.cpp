// SPDX-License-Identifier: MIT
#include "qt_serial_port.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace kvt {

QtSerialPort::QtSerialPort(WaitMode mode) : mode_(mode) {
  // A device that goes away while nobody waits on it (a pseudo-terminal closed at the far
  // end, an adapter pulled) would report read errors in a tight loop until closed.
  QObject::connect(&port_, &QSerialPort::errorOccurred, &port_, [this](QSerialPort::SerialPortError e) {
    if (e == QSerialPort::ResourceError || e == QSerialPort::ReadError) close();
  });
}

QtSerialPort::~QtSerialPort() { close(); }

OpenError QtSerialPort::open(const QString& device, qint32 baud) {
  close();
  device_ = device;
  if (!QFileInfo::exists(device)) return OpenError::NoSuchPort;
  // Qt reports a device we may not open and one locked by another program alike.
  if (::access(QFile::encodeName(device).constData(), R_OK | W_OK) != 0 && errno == EACCES)
    return OpenError::AccessDenied;
  port_.setPortName(device);
  port_.setBaudRate(baud);
  port_.setDataBits(QSerialPort::Data8);
  port_.setParity(QSerialPort::NoParity);
  port_.setStopBits(QSerialPort::OneStop);
  port_.setFlowControl(QSerialPort::NoFlowControl);
  if (port_.open(QIODevice::ReadWrite)) {
    // Qt applies the settings on open; a device that refuses the speed counts as unusable.
    if (port_.baudRate() != baud && !port_.setBaudRate(baud)) {
      port_.close();
      return OpenError::Other;
    }
    return OpenError::None;
  }
  const auto err = port_.error();
  port_.clearError();
  switch (err) {
    case QSerialPort::DeviceNotFoundError: return OpenError::NoSuchPort;
    case QSerialPort::PermissionError:
    case QSerialPort::OpenError: return OpenError::InUse;
    default: return OpenError::Other;
  }
}

void QtSerialPort::close() {
  if (closing_) return;  // an error reported while closing
  closing_ = true;
  if (port_.isOpen()) port_.close();
  port_.clearError();
  closing_ = false;
}

bool QtSerialPort::isOpen() const { return port_.isOpen(); }

QString QtSerialPort::device() const { return device_; }

bool QtSerialPort::failed() {
  const auto err = port_.error();
  if (err == QSerialPort::ResourceError || err == QSerialPort::NotOpenError ||
      err == QSerialPort::ReadError || err == QSerialPort::WriteError) {
    close();
    return true;
  }
  return !port_.isOpen();
}

bool QtSerialPort::setRtsDtrOff() {
  if (!port_.isOpen()) return false;
  bool ok = port_.setRequestToSend(false);
  ok = port_.setDataTerminalReady(false) && ok;
  return ok;
}

bool QtSerialPort::clearInput() {
  if (!port_.isOpen()) return false;
  // write() has handed everything to the driver; wait until the line has sent it. Then
  // only the receive side is cleared: flushing the output would drop our last ACK if the
  // reader has not taken it yet (on a pseudo-terminal it discards what the far side has
  // not read).
  const int fd = static_cast<int>(port_.handle());
  if (fd >= 0) {
    while (::tcdrain(fd) != 0 && errno == EINTR) {
    }
  }
  port_.clear(QSerialPort::Input);
  return !failed();
}

bool QtSerialPort::write(const QByteArray& bytes) {
  if (!port_.isOpen()) return false;
  const int fd = static_cast<int>(port_.handle());
  if (fd >= 0 && port_.bytesToWrite() == 0) return writeToDevice(fd, bytes);
  if (port_.write(bytes) != bytes.size()) {
    failed();
    return false;
  }
  QDeadlineTimer deadline(2000);
  while (port_.bytesToWrite() > 0) {
    if (!port_.waitForBytesWritten(static_cast<int>(deadline.remainingTime())) || deadline.hasExpired()) {
      if (port_.bytesToWrite() > 0) {
        failed();
        return false;
      }
    }
  }
  return !failed();
}

// Straight to the device, as Qt's own buffer would pass it on: a buffered write first polls
// for room and then writes, two system calls where one does for a frame or an ACK.
bool QtSerialPort::writeToDevice(int fd, const QByteArray& bytes) {
  const char* next = bytes.constData();
  qint64 left = bytes.size();
  QDeadlineTimer deadline(2000);
  while (left > 0) {
    const ssize_t k = ::write(fd, next, static_cast<size_t>(left));
    if (k > 0) {
      next += k;
      left -= k;
      continue;
    }
    if (k < 0 && errno == EINTR) continue;
    if (k < 0 && errno == EAGAIN && !deadline.hasExpired()) {
      pollfd room{fd, POLLOUT, 0};
      if (::poll(&room, 1, static_cast<int>(deadline.remainingTime())) >= 0 || errno == EINTR) continue;
    }
    close();
    return false;
  }
  return true;
}

qint64 QtSerialPort::bytesWaiting() {
  if (!port_.isOpen()) return -1;
  return port_.bytesAvailable();
}

bool QtSerialPort::waitOnce(int ms) {
  if (mode_ == WaitMode::Block || !QCoreApplication::instance()) return port_.waitForReadyRead(ms);
  KeepPaintingWait wait(mode_);
  QObject::connect(&port_, &QSerialPort::readyRead, wait.context(), [&] { wait.finish(true); });
  QObject::connect(&port_, &QSerialPort::errorOccurred, wait.context(), [&](QSerialPort::SerialPortError e) {
    if (e != QSerialPort::NoError) wait.finish(false);
  });
  return wait.exec(ms);
}

WaitResult QtSerialPort::waitForBytes(qint64 n, int timeoutMs) {
  if (!port_.isOpen()) return WaitResult::Failed;
  QDeadlineTimer deadline(timeoutMs);
  while (port_.bytesAvailable() < n) {
    const qint64 left = deadline.remainingTime();
    if (left <= 0) return WaitResult::Timeout;
    if (!waitOnce(static_cast<int>(left))) {
      if (port_.error() != QSerialPort::NoError && port_.error() != QSerialPort::TimeoutError) {
        if (failed()) return WaitResult::Failed;
      }
      port_.clearError();
    }
    if (!port_.isOpen()) return WaitResult::Failed;
  }
  return WaitResult::Ready;
}

QByteArray QtSerialPort::read(qint64 max) {
  if (!port_.isOpen()) return {};
  // readAll hands back its whole read buffer (64 KiB) behind a few bytes; whoever keeps
  // the reply would keep that too.
  QByteArray bytes = max > 0 ? port_.read(max) : port_.readAll();
  bytes.squeeze();
  return bytes;
}

}  // namespace kvt
