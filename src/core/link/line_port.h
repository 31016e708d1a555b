// SPDX-License-Identifier: MIT
#pragma once
// The port the programs hold: on each open() it takes the kind of port the device text
// names ("tcp://HOST:PORT", "rfc2217://HOST:PORT", else a serial device through
// QSerialPort) and passes every call on to it.
#include "net_address.h"
#include "qt_serial_port.h"
#include "rfc2217_port.h"
#include "tcp_port.h"

namespace kvt {

class LinePort : public SerialPort {
 public:
  using WaitMode = kvt::WaitMode;

  explicit LinePort(WaitMode mode = WaitMode::Block);
  ~LinePort() override;

  OpenError open(const QString& device, qint32 baud) override;
  void close() override;
  bool isOpen() const override;
  QString device() const override;
  bool setRtsDtrOff() override;
  bool clearInput() override;
  bool write(const QByteArray& bytes) override;
  qint64 bytesWaiting() override;
  WaitResult waitForBytes(qint64 n, int timeoutMs) override;
  QByteArray read(qint64 max) override;
  // The device and speed of the last open() that succeeded.
  bool canReopen() const override { return !lastDevice_.isEmpty(); }
  OpenError reopen() override;

  void setWaitMode(WaitMode m);
  WaitMode waitMode() const { return mode_; }
  // The kind of the port opened last (Serial before the first open).
  LineKind kind() const { return kind_; }

 private:
  SerialPort& current();
  const SerialPort& current() const;

  WaitMode mode_;
  LineKind kind_ = LineKind::Serial;
  QString lastDevice_;
  qint32 lastBaud_ = 0;
  QtSerialPort serial_;
  TcpPort tcp_;
  Rfc2217Port rfc2217_;
};

}  // namespace kvt
