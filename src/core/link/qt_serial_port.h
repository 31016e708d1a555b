// SPDX-License-Identifier: MIT
#pragma once
// SerialPort on a QSerialPort: a real device or a pseudo-terminal.
#include <QObject>
#include <QSerialPort>

#include "port_wait.h"
#include "serial_port.h"

namespace kvt {

class QtSerialPort : public SerialPort {
 public:
  using WaitMode = kvt::WaitMode;

  explicit QtSerialPort(WaitMode mode = WaitMode::Block);
  ~QtSerialPort() override;

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

  void setWaitMode(WaitMode m) { mode_ = m; }

 private:
  bool writeToDevice(int fd, const QByteArray& bytes);
  bool failed();  // a vanished device: close the port so it stops reporting errors
  bool waitOnce(int ms);
  QSerialPort port_;
  WaitMode mode_;
  QString device_;
  bool closing_ = false;
};

}  // namespace kvt
