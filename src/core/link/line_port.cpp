// SPDX-License-Identifier: MIT
#include "line_port.h"

namespace kvt {

LinePort::LinePort(WaitMode mode) : mode_(mode), serial_(mode), tcp_(mode), rfc2217_(mode) {}

LinePort::~LinePort() { close(); }

SerialPort& LinePort::current() {
  switch (kind_) {
    case LineKind::RawTcp: return tcp_;
    case LineKind::Rfc2217: return rfc2217_;
    case LineKind::Serial: break;
  }
  return serial_;
}

const SerialPort& LinePort::current() const { return const_cast<LinePort*>(this)->current(); }

OpenError LinePort::open(const QString& device, qint32 baud) {
  current().close();
  kind_ = LineKindOf(device);
  const OpenError e = current().open(device, baud);
  if (e == OpenError::None) {
    lastDevice_ = device;
    lastBaud_ = baud;
  }
  return e;
}

OpenError LinePort::reopen() {
  if (lastDevice_.isEmpty()) return OpenError::Other;
  return open(lastDevice_, lastBaud_);
}

void LinePort::close() { current().close(); }

bool LinePort::isOpen() const { return current().isOpen(); }

QString LinePort::device() const { return current().device(); }

bool LinePort::setRtsDtrOff() { return current().setRtsDtrOff(); }

bool LinePort::clearInput() { return current().clearInput(); }

bool LinePort::write(const QByteArray& bytes) { return current().write(bytes); }

qint64 LinePort::bytesWaiting() { return current().bytesWaiting(); }

WaitResult LinePort::waitForBytes(qint64 n, int timeoutMs) { return current().waitForBytes(n, timeoutMs); }

QByteArray LinePort::read(qint64 max) { return current().read(max); }

void LinePort::setWaitMode(WaitMode m) {
  mode_ = m;
  serial_.setWaitMode(m);
  tcp_.setWaitMode(m);
  rfc2217_.setWaitMode(m);
}

}  // namespace kvt
