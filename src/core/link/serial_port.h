// SPDX-License-Identifier: MIT
#pragma once
// What the exchange engine and the probes need from a serial port.
#include <QByteArray>
#include <QString>

namespace kvt {

// AccessDenied: the device exists but this user may not open it (file permissions).
enum class OpenError { None, NoSuchPort, InUse, AccessDenied, Other };
enum class WaitResult { Ready, Timeout, Failed };

class SerialPort {
 public:
  virtual ~SerialPort() = default;
  // Opens the device at baud, 8N1, no flow control.
  virtual OpenError open(const QString& device, qint32 baud) = 0;
  virtual void close() = 0;
  virtual bool isOpen() const = 0;
  virtual QString device() const = 0;
  virtual bool setRtsDtrOff() = 0;
  // Before a frame: lets every byte we wrote leave the port, then discards what waits to
  // be read. Bytes we wrote are never thrown away (the ACK of the previous reply may
  // still be on its way to the reader).
  virtual bool clearInput() = 0;
  virtual bool write(const QByteArray& bytes) = 0;
  // Bytes waiting to be read; -1 when the port failed.
  virtual qint64 bytesWaiting() = 0;
  // Blocks until at least n bytes wait, the timeout passes or the port fails.
  virtual WaitResult waitForBytes(qint64 n, int timeoutMs) = 0;
  // Reads up to max waiting bytes (max 0: all of them).
  virtual QByteArray read(qint64 max) = 0;

  // After the port went away under us (a network server stopped, an adapter pulled, a
  // pseudo-terminal closed): opens the device of the last successful open() again at its
  // speed. A port that cannot gives Other and says so in canReopen().
  virtual bool canReopen() const { return false; }
  virtual OpenError reopen() { return OpenError::Other; }
};

}  // namespace kvt
