// SPDX-License-Identifier: MIT
#include "engine.h"

#include "core/base/conversions.h"
#include "log_format.h"

namespace kvt {

const QString kUnitNotDetected = QStringLiteral(
    "Unit not detected\r\n1.Comm port setup error\r\n2.No power on Unit\r\nDevice Address Error\r\n"
    "3.Communication line not connected");
const QString kDataError = QStringLiteral("Error:Please Check The Data Effective");
const QString kTimeOut = QStringLiteral("Time is out, cancel communication process");
const QString kPortSetupFirst = QStringLiteral("Comm. Port Setup First");
const QString kCaution = QStringLiteral("Caution");

namespace {
void Traffic(LogSink& log, Direction d, const QByteArray& bytes) {
  log.traffic(d, bytes, QDateTime::currentDateTimeUtc());
}
}  // namespace

int Engine::failure(const QString& message) {
  // A lost port is told before the message, so the status line says so while it is up.
  const std::optional<QString> lost = watch_ ? watch_->noticeLoss() : std::nullopt;
  notifier_.warn(kCaution, message);
  log_.append(CRLF);
  if (lost) log_.append(*lost + CRLF);
  log_.caretToEnd();
  return -1;
}

bool Engine::readyToSend() {
  if (!watch_) return port_.clearInput();
  const bool wasOpen = port_.isOpen();
  if (!watch_->ready()) return false;
  if (port_.clearInput()) return true;
  // Gone since the last exchange and unnoticed until now (a server that stopped while we
  // were idle): nothing has been sent yet, so the port may be opened again once.
  return wasOpen && !port_.isOpen() && watch_->ready() && port_.clearInput();
}

int Engine::ExecuteCommand(const QByteArray& frame, int frameLen, ReplyBuffer& reply) {
  if (!state_.PortOpened) {
    notifier_.warn(kCaution, kPortSetupFirst);
    return 0;
  }
  const QByteArray logged = frame.left(std::max(0, frameLen));

  // Command: written before the acknowledgement stage begins, so a failing port here is
  // a data failure.
  if (!readyToSend() || !port_.write(frame)) return dataFailure();
  log_.append(SentLine(logged));
  Traffic(log_, Direction::Sent, logged);

  // Acknowledgement stage: from the wait for ACK until the reply header is taken.
  switch (port_.waitForBytes(1, t_.ack)) {
    case WaitResult::Failed: return ackStageFailure();
    case WaitResult::Timeout: break;  // no ACK is not an error by itself
    case WaitResult::Ready: {
      const QByteArray ack = port_.read(1);
      if (ack.size() != 1) return ackStageFailure();
      log_.append(ControlLine("RD: ", static_cast<uint8_t>(ack[0])));
      Traffic(log_, Direction::Received, ack);
      if (static_cast<uint8_t>(ack[0]) != ACK) return ackStageFailure();
      break;
    }
  }

  QByteArray header;
  const WaitResult h = port_.waitForBytes(4, t_.header);
  if (h == WaitResult::Failed) return ackStageFailure();
  if (h == WaitResult::Timeout) {
    if (!port_.write(QByteArray(1, static_cast<char>(EOT)))) return ackStageFailure();
    log_.append(ControlLine("SD: ", EOT));
    Traffic(log_, Direction::Sent, QByteArray(1, static_cast<char>(EOT)));
    if (port_.waitForBytes(1, t_.eotAnswer) == WaitResult::Ready) {
      const QByteArray answer = port_.read(0);
      log_.append(QStringLiteral("RD: ") + HexEntries(answer.left(2)));
      Traffic(log_, Direction::Received, answer.left(2));
    }
    notifier_.warn(kCaution, kTimeOut);
    reply.len = 0;
    return -2;
  }
  header = port_.read(4);
  if (header.size() != 4) return ackStageFailure();
  // Acknowledgement stage over: failures from here on are data failures.
  log_.append(HeaderText(header));

  const int len = 256 * static_cast<uint8_t>(header[2]) + static_cast<uint8_t>(header[3]);
  // The header's line goes on with the remainder; without one it ends with the header.
  const auto headerOnly = [&] {
    Traffic(log_, Direction::Received, header);
    return dataFailure();
  };
  if (port_.waitForBytes(len + 2, t_.remainder) != WaitResult::Ready) return headerOnly();
  const QByteArray remainder = port_.read(0);
  if (remainder.size() < len + 2) return headerOnly();

  log_.append(RemainderText(remainder));
  Traffic(log_, Direction::Received, header + remainder);

  if (!port_.write(QByteArray(1, static_cast<char>(ACK)))) return dataFailure();
  log_.append(ControlLine("SD: ", ACK));
  Traffic(log_, Direction::Sent, QByteArray(1, static_cast<char>(ACK)));

  reply.bytes = remainder;
  reply.len = remainder.size();
  return 0;
}

}  // namespace kvt
