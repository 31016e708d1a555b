// SPDX-License-Identifier: MIT
#include "stoppable_port.h"

#include <QDeadlineTimer>
#include <algorithm>

#include "frame.h"

namespace kvt {

StoppablePort::StoppablePort(SerialPort& inner, const std::atomic<bool>& stop, int sliceMs)
    : inner_(inner), stop_(stop), sliceMs_(std::max(1, sliceMs)) {}

OpenError StoppablePort::open(const QString& device, qint32 baud) {
  pending_ = false;
  return inner_.open(device, baud);
}

OpenError StoppablePort::reopen() {
  if (stopped()) return OpenError::Other;
  pending_ = false;
  return inner_.reopen();
}

bool StoppablePort::endPendingExchange() {
  if (!stopped() || !pending_ || !inner_.isOpen()) return false;
  return write(QByteArray(1, static_cast<char>(EOT)));
}

void StoppablePort::close() {
  endPendingExchange();
  pending_ = false;
  inner_.close();
}

bool StoppablePort::write(const QByteArray& bytes) {
  const bool lone = bytes.size() == 1;
  const bool eot = lone && static_cast<uint8_t>(bytes[0]) == EOT;
  if (stopped() && !eot) return false;
  if (!inner_.write(bytes)) return false;
  if (eot || (lone && static_cast<uint8_t>(bytes[0]) == ACK)) pending_ = false;
  else if (!bytes.isEmpty() && static_cast<uint8_t>(bytes[0]) == STX) pending_ = true;
  return true;
}

WaitResult StoppablePort::waitForBytes(qint64 n, int timeoutMs) {
  const QDeadlineTimer deadline(std::max(0, timeoutMs));
  for (;;) {
    if (stopped()) {
      const qint64 waiting = inner_.bytesWaiting();
      if (waiting < 0) return WaitResult::Failed;
      return waiting >= n ? WaitResult::Ready : WaitResult::Timeout;
    }
    const qint64 left = deadline.remainingTime();
    const WaitResult r = inner_.waitForBytes(n, static_cast<int>(std::min<qint64>(left, sliceMs_)));
    if (r != WaitResult::Timeout || left <= sliceMs_) return r;
  }
}

}  // namespace kvt
