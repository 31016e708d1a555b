// SPDX-License-Identifier: MIT
#pragma once
// SerialPort on a Telnet connection with the serial port control option of RFC 2217:
// "rfc2217://HOST:PORT" (ser2net with a telnet(rfc2217) accepter, serial device servers).
// open() negotiates the option and sets the far port to the baud rate, 8 data bits, no
// parity, 1 stop bit and no flow control; data is escaped and unescaped on the way.
// setLine() changes the speed and character format of the open line later.
#include <vector>

#include "rfc2217_codec.h"
#include "tcp_port.h"

namespace kvt {

class Rfc2217Port : public TcpPort {
 public:
  explicit Rfc2217Port(WaitMode mode = WaitMode::Block) : TcpPort(mode) {}

  // Other: the server refused the option, or did not take the line settings within
  // kNegotiateMs (a speed it does not support is answered with another).
  OpenError open(const QString& device, qint32 baud) override;
  // DTR and RTS off on the far port. Nothing waits for the answer: some servers never
  // give one (ser2net on a pseudo-terminal).
  bool setRtsDtrOff() override;
  // Also empties the server's buffer of bytes from the reader: waits up to kPurgeMs for
  // its answer and drops the data that came before it.
  bool clearInput() override;

  // Sets the far port's speed, data bits, parity and stop bits. False when the connection
  // failed, or the server did not answer within kNegotiateMs or answered any of them with
  // another value (it did not take the setting).
  bool setLine(const rfc2217::LineSettings& line);

  static constexpr int kNegotiateMs = 3000;
  static constexpr int kPurgeMs = 300;

 protected:
  LineKind kind() const override { return LineKind::Rfc2217; }
  OpenError startLine(qint32 baud) override;
  void fromWire(const QByteArray& wire) override;
  QByteArray toWire(const QByteArray& data) const override;

 private:
  // Pumps until the server has answered `command` or ms have passed; the answer's index
  // in answers_, or -1.
  int awaitAnswer(rfc2217::Command command, int ms);
  // Sends `commands` (ending in SET-BAUDRATE) and checks the answers against `line`: the
  // speed always, the data size when answered, parity and stop size too when `strict`.
  bool configure(const QByteArray& commands, const rfc2217::LineSettings& line, bool strict, int ms);

  rfc2217::Codec codec_;
  // The server's answers in order, each with its position in data_.
  std::vector<rfc2217::Answer> answers_;
};

}  // namespace kvt
