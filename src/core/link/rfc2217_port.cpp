// SPDX-License-Identifier: MIT
#include "rfc2217_port.h"

#include <QDeadlineTimer>
#include <algorithm>

namespace kvt {

using rfc2217::Codec;
using rfc2217::Command;
using rfc2217::OptionState;

namespace {

quint32 BaudOf(const QByteArray& value) {
  quint32 b = 0;
  for (int i = 0; i < 4 && i < value.size(); ++i) b = (b << 8) | static_cast<uint8_t>(value[i]);
  return value.size() == 4 ? b : 0;
}

// Answers kept to look back on; the server may send state notices at any time.
constexpr size_t kKeptAnswers = 32;

}  // namespace

OpenError Rfc2217Port::open(const QString& device, qint32 baud) {
  codec_ = Codec();
  answers_.clear();
  return TcpPort::open(device, baud);
}

void Rfc2217Port::fromWire(const QByteArray& wire) {
  codec_.feed(wire);
  const qsizetype base = data_.size();
  data_ += codec_.takeData();
  for (rfc2217::Answer& a : codec_.takeAnswers()) {
    a.dataBefore += base;
    answers_.push_back(std::move(a));
  }
  if (answers_.size() > kKeptAnswers) answers_.erase(answers_.begin(), answers_.end() - kKeptAnswers);
  const QByteArray replies = codec_.takeReplies();
  if (!replies.isEmpty()) sendWire(replies);
}

QByteArray Rfc2217Port::toWire(const QByteArray& data) const { return Codec::escape(data); }

int Rfc2217Port::awaitAnswer(Command command, int ms) {
  const QDeadlineTimer deadline(ms);
  for (;;) {
    for (size_t i = 0; i < answers_.size(); ++i)
      if (answers_[i].command == command) return static_cast<int>(i);
    const qint64 left = deadline.remainingTime();
    if (left <= 0 || pump(static_cast<int>(left)) == Pump::Failed) return -1;
  }
}

OpenError Rfc2217Port::startLine(qint32 baud) {
  if (!sendWire(codec_.start())) return OpenError::Other;
  const QDeadlineTimer deadline(kNegotiateMs);
  while (codec_.comPort() == OptionState::WantYes) {
    const qint64 left = deadline.remainingTime();
    if (left <= 0 || pump(static_cast<int>(left)) == Pump::Failed) return OpenError::Other;
  }
  if (codec_.comPort() != OptionState::Yes) return OpenError::Other;

  // The server answers in order: once the speed is answered, so are the others.
  rfc2217::LineSettings line;
  line.baud = static_cast<quint32>(baud);
  const QByteArray settings = Codec::setDataSize(8) + Codec::setParity(rfc2217::kParityNone) +
                              Codec::setStopSize(rfc2217::kStopBitsOne) +
                              Codec::setControl(rfc2217::kControlNoFlow) +
                              Codec::setBaudRate(static_cast<quint32>(baud));
  const int left = static_cast<int>(std::max<qint64>(0, deadline.remainingTime()));
  return configure(settings, line, false, left) ? OpenError::None : OpenError::Other;
}

bool Rfc2217Port::configure(const QByteArray& commands, const rfc2217::LineSettings& line, bool strict, int ms) {
  answers_.clear();
  if (!sendWire(commands)) return false;
  const int i = awaitAnswer(Command::SetBaudRate, ms);
  bool ok = i >= 0 && BaudOf(answers_[i].value) == line.baud;
  for (const rfc2217::Answer& a : answers_) {
    const auto one = [&](uint8_t v) { return a.value == QByteArray(1, static_cast<char>(v)); };
    if (a.command == Command::SetDataSize && !one(line.dataBits)) ok = false;
    if (strict && a.command == Command::SetParity && !one(line.parity)) ok = false;
    if (strict && a.command == Command::SetStopSize && !one(line.stopBits)) ok = false;
  }
  answers_.clear();
  return ok;
}

bool Rfc2217Port::setLine(const rfc2217::LineSettings& line) {
  if (!isOpen()) return false;
  return configure(Codec::setLine(line), line, true, kNegotiateMs) && isOpen();
}

bool Rfc2217Port::setRtsDtrOff() {
  if (!isOpen()) return false;
  return sendWire(Codec::setControl(rfc2217::kControlDtrOff) + Codec::setControl(rfc2217::kControlRtsOff));
}

bool Rfc2217Port::clearInput() {
  if (!TcpPort::clearInput()) return false;
  answers_.clear();
  // Only the server's receive buffer: purging its transmit buffer would drop the ACK of
  // the previous reply on its way to the reader.
  if (!sendWire(Codec::purgeData(rfc2217::kPurgeReceive))) return false;
  const int i = awaitAnswer(Command::PurgeData, kPurgeMs);
  if (!isOpen()) return false;
  if (i < 0) {
    data_.clear();  // no answer in time: whatever came so far is old
  } else {
    data_.remove(0, std::min(answers_[i].dataBefore, data_.size()));
  }
  answers_.clear();
  return true;
}

}  // namespace kvt
