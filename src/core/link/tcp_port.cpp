// SPDX-License-Identifier: MIT
#include "tcp_port.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

namespace kvt {

TcpPort::TcpPort(WaitMode mode) : mode_(mode) {}

TcpPort::~TcpPort() { close(); }

LineKind TcpPort::kind() const { return LineKind::RawTcp; }

OpenError TcpPort::startLine(qint32) { return OpenError::None; }

void TcpPort::fromWire(const QByteArray& wire) { data_ += wire; }

QByteArray TcpPort::toWire(const QByteArray& data) const { return data; }

bool TcpPort::connectWithin(const QString& host, quint16 port, int ms) {
  socket_.connectToHost(host, port);
  if (mode_ == WaitMode::Block || !QCoreApplication::instance()) return socket_.waitForConnected(ms);
  if (socket_.state() == QAbstractSocket::ConnectedState) return true;
  KeepPaintingWait wait(mode_);
  QObject::connect(&socket_, &QTcpSocket::connected, wait.context(), [&] { wait.finish(true); });
  QObject::connect(&socket_, &QTcpSocket::errorOccurred, wait.context(), [&] { wait.finish(false); });
  return wait.exec(ms);
}

OpenError TcpPort::open(const QString& device, qint32 baud) {
  close();
  device_ = device;
  const auto address = ParseNetAddress(device);
  if (!address || address->kind != kind()) return OpenError::NoSuchPort;
  if (!connectWithin(address->host, address->port, kConnectMs)) {
    const auto err = socket_.error();
    socket_.abort();
    switch (err) {
      case QAbstractSocket::HostNotFoundError:
      case QAbstractSocket::ConnectionRefusedError:
      case QAbstractSocket::NetworkError:
      case QAbstractSocket::SocketTimeoutError:
      case QAbstractSocket::UnknownSocketError:  // our own wait ran out
        return OpenError::NoSuchPort;
      default: return OpenError::Other;
    }
  }
  // Frames are a few bytes each: send them at once instead of collecting a full segment.
  socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
  open_ = true;
  const OpenError e = startLine(baud);
  if (e != OpenError::None) close();
  return e;
}

void TcpPort::close() {
  if (socket_.state() != QAbstractSocket::UnconnectedState) {
    if (socket_.state() == QAbstractSocket::ConnectedState && lastWrite_.isValid() &&
        lastWrite_.elapsed() < kCloseGraceMs) {
      const QDeadlineTimer grace(kCloseGraceMs - lastWrite_.elapsed());
      while (!grace.hasExpired() && socket_.state() == QAbstractSocket::ConnectedState) {
        socket_.waitForReadyRead(static_cast<int>(std::max<qint64>(1, grace.remainingTime())));
        socket_.readAll();
      }
    }
    // Unread bytes at close make the kernel reset the connection, which may cost the
    // server our last bytes: read them first.
    if (socket_.state() == QAbstractSocket::ConnectedState) socket_.waitForReadyRead(0);
    socket_.readAll();
    socket_.disconnectFromHost();
    if (socket_.state() != QAbstractSocket::UnconnectedState) socket_.abort();
  }
  data_.clear();
  open_ = false;
  lastWrite_.invalidate();
}

void TcpPort::fail() {
  socket_.abort();
  data_.clear();
  open_ = false;
}

bool TcpPort::setRtsDtrOff() { return open_; }

bool TcpPort::sendWire(const QByteArray& wire) {
  if (!open_ || socket_.state() != QAbstractSocket::ConnectedState) {
    fail();
    return false;
  }
  if (socket_.write(wire) != wire.size()) {
    fail();
    return false;
  }
  lastWrite_.start();
  const QDeadlineTimer deadline(kWriteMs);
  while (socket_.bytesToWrite() > 0) {
    if (!socket_.waitForBytesWritten(static_cast<int>(std::max<qint64>(0, deadline.remainingTime()))) &&
        (socket_.state() != QAbstractSocket::ConnectedState || deadline.hasExpired())) {
      fail();
      return false;
    }
  }
  return true;
}

bool TcpPort::takeArrived() {
  if (socket_.bytesAvailable() == 0 && socket_.state() == QAbstractSocket::ConnectedState)
    socket_.waitForReadyRead(0);  // takes in what the operating system holds, never waits
  if (socket_.bytesAvailable() > 0) fromWire(socket_.readAll());
  return socket_.state() == QAbstractSocket::ConnectedState;
}

bool TcpPort::waitOnce(int ms) {
  if (mode_ == WaitMode::Block || !QCoreApplication::instance()) return socket_.waitForReadyRead(ms);
  KeepPaintingWait wait(mode_);
  QObject::connect(&socket_, &QTcpSocket::readyRead, wait.context(), [&] { wait.finish(true); });
  QObject::connect(&socket_, &QTcpSocket::disconnected, wait.context(), [&] { wait.finish(false); });
  QObject::connect(&socket_, &QTcpSocket::errorOccurred, wait.context(), [&](QAbstractSocket::SocketError e) {
    if (e != QAbstractSocket::SocketTimeoutError) wait.finish(false);
  });
  return wait.exec(ms);
}

TcpPort::Pump TcpPort::pump(int ms) {
  if (socket_.bytesAvailable() == 0) {
    if (socket_.state() != QAbstractSocket::ConnectedState) return Pump::Failed;
    waitOnce(ms);
    if (socket_.bytesAvailable() == 0)
      return socket_.state() == QAbstractSocket::ConnectedState ? Pump::Timeout : Pump::Failed;
  }
  fromWire(socket_.readAll());
  return open_ ? Pump::Got : Pump::Failed;
}

bool TcpPort::clearInput() {
  if (!open_) return false;
  if (socket_.bytesToWrite() > 0 && !sendWire(QByteArray())) return false;
  if (!takeArrived()) {
    fail();
    return false;
  }
  data_.clear();
  return true;
}

bool TcpPort::write(const QByteArray& bytes) {
  if (!open_) return false;
  return sendWire(toWire(bytes));
}

qint64 TcpPort::bytesWaiting() {
  if (!open_) return -1;
  if (!takeArrived() && data_.isEmpty()) {
    fail();
    return -1;
  }
  return data_.size();
}

WaitResult TcpPort::waitForBytes(qint64 n, int timeoutMs) {
  if (!open_) return WaitResult::Failed;
  const QDeadlineTimer deadline(std::max(0, timeoutMs));
  while (data_.size() < n) {
    const qint64 left = deadline.remainingTime();
    if (left <= 0) {
      // One last look at what has arrived, without waiting.
      if (!takeArrived() && data_.size() < n) {
        fail();
        return WaitResult::Failed;
      }
      return data_.size() >= n ? WaitResult::Ready : WaitResult::Timeout;
    }
    if (pump(static_cast<int>(left)) == Pump::Failed) {
      fail();
      return WaitResult::Failed;
    }
  }
  return WaitResult::Ready;
}

QByteArray TcpPort::read(qint64 max) {
  if (!open_) return {};
  takeArrived();
  const QByteArray out = max > 0 ? data_.left(max) : data_;
  data_.remove(0, out.size());
  return out;
}

}  // namespace kvt
