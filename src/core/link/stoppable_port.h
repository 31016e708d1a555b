// SPDX-License-Identifier: MIT
#pragma once
// A port that a stop request can interrupt: it passes every call on to the port it wraps,
// but waits in short slices and looks at the request between them. Once a stop is asked
// for, waits end at once (with what has already arrived), nothing goes out but an EOT, and
// closing sends the EOT that ends an exchange still waiting for its reply.
#include <atomic>

#include "serial_port.h"

namespace kvt {

class StoppablePort : public SerialPort {
 public:
  // `stop` is read from the thread using the port; anyone (a signal handler) may set it.
  StoppablePort(SerialPort& inner, const std::atomic<bool>& stop, int sliceMs = 50);

  OpenError open(const QString& device, qint32 baud) override;
  void close() override;
  bool isOpen() const override { return inner_.isOpen(); }
  QString device() const override { return inner_.device(); }
  bool setRtsDtrOff() override { return inner_.setRtsDtrOff(); }
  bool clearInput() override { return inner_.clearInput(); }
  bool write(const QByteArray& bytes) override;
  qint64 bytesWaiting() override { return inner_.bytesWaiting(); }
  WaitResult waitForBytes(qint64 n, int timeoutMs) override;
  QByteArray read(qint64 max) override { return inner_.read(max); }
  bool canReopen() const override { return inner_.canReopen(); }
  // Not once a stop is asked for.
  OpenError reopen() override;

  bool stopped() const { return stop_.load(std::memory_order_relaxed); }
  // A frame went out and neither our ACK nor an EOT has followed it yet.
  bool exchangePending() const { return pending_; }
  // After a stop: the EOT that ends an exchange still pending. True when it went out.
  bool endPendingExchange();

 private:
  SerialPort& inner_;
  const std::atomic<bool>& stop_;
  int sliceMs_;
  bool pending_ = false;
};

}  // namespace kvt
