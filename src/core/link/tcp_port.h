// SPDX-License-Identifier: MIT
#pragma once
// SerialPort on a TCP connection: "tcp://HOST:PORT", a raw byte stream to a serial device
// server (ser2net in raw mode, a simulated reader). The line settings belong to the
// server; the baud rate given to open() is not sent anywhere. Subclasses speak a line
// protocol over the same connection (rfc2217_port.h).
#include <QElapsedTimer>
#include <QTcpSocket>

#include "net_address.h"
#include "port_wait.h"
#include "serial_port.h"

namespace kvt {

class TcpPort : public SerialPort {
 public:
  explicit TcpPort(WaitMode mode = WaitMode::Block);
  ~TcpPort() override;

  // NoSuchPort: a malformed address, a host not found, a refused connection, or no
  // connection within kConnectMs.
  OpenError open(const QString& device, qint32 baud) override;
  void close() override;
  bool isOpen() const override { return open_; }
  QString device() const override { return device_; }
  // A byte stream has no modem lines: nothing to switch; true while connected.
  bool setRtsDtrOff() override;
  // Hands everything written to the operating system, then drops what has come in.
  bool clearInput() override;
  bool write(const QByteArray& bytes) override;
  qint64 bytesWaiting() override;
  WaitResult waitForBytes(qint64 n, int timeoutMs) override;
  QByteArray read(qint64 max) override;

  void setWaitMode(WaitMode m) { mode_ = m; }

  static constexpr int kConnectMs = 5000;
  static constexpr int kWriteMs = 2000;
  // A server may drop the bytes it has not yet passed to its serial device when the
  // connection closes (ser2net does, now and then): close() lets this long pass after our
  // last write, so the ACK of the last reply reaches the reader.
  static constexpr int kCloseGraceMs = 100;

 protected:
  enum class Pump { Got, Timeout, Failed };

  // The scheme this class serves.
  virtual LineKind kind() const;
  // Once connected: a line protocol negotiates and sets the line here.
  virtual OpenError startLine(qint32 baud);
  // Wire bytes from the server: data goes to data_.
  virtual void fromWire(const QByteArray& wire);
  // Data for the wire.
  virtual QByteArray toWire(const QByteArray& data) const;

  // Writes wire bytes and waits until the operating system has taken them all.
  bool sendWire(const QByteArray& wire);
  // Waits up to ms for wire bytes and passes them through fromWire().
  Pump pump(int ms);
  // Takes in what has arrived without waiting; false when the connection is gone.
  bool takeArrived();
  // A connection that broke: closed, so every later call fails at once.
  void fail();

  QByteArray data_;  // data bytes waiting to be read
  QTcpSocket socket_;

 private:
  bool waitOnce(int ms);
  bool connectWithin(const QString& host, quint16 port, int ms);

  WaitMode mode_;
  QString device_;
  bool open_ = false;
  QElapsedTimer lastWrite_;
};

}  // namespace kvt
