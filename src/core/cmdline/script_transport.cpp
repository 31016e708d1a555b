// SPDX-License-Identifier: MIT
#include "script_transport.h"

#include <algorithm>
#include <cstdio>

#include "core/base/conversions.h"
#include "core/insight/status_words.h"
#include "core/link/engine.h"

namespace kvt {

const QString kCommandRule = QStringLiteral(
    "--------------------------------------- Command ---------------------------------------");
const QString kReplyRule = QStringLiteral(
    "----------------------------------------- Reply -----------------------------------------");
const QString kStopMessage = QStringLiteral("Stop communication process");
const QString kCancelMessage = QStringLiteral("Cancel communication process");

namespace {
const QString kUserStop = QStringLiteral("Reply type='User Stop'");
const QString kReplyTimeout = QStringLiteral("Reply type='ReplyTimeout'");
const QString kAckFailed = QStringLiteral("ExecuteCommand failed: 6h");

QString CodeLine(uint8_t command, uint8_t parameter) {
  return QStringLiteral("Command:") + HexByte(command) + QStringLiteral("h,  Parameter:") + HexByte(parameter) +
         QLatin1Char('h');
}

uint8_t At(const QByteArray& b, int i) { return i >= 0 && i < b.size() ? static_cast<uint8_t>(b[i]) : 0; }
}  // namespace

ScriptTimeouts ScriptTimeouts::scaled(int factor) const {
  ScriptTimeouts t = *this;
  if (factor <= 1) return t;
  for (int* v : {&t.ack, &t.header, &t.remainder, &t.eotAnswer}) *v = std::max(1, *v / factor);
  return t;
}

QString TimeStamp(const QDateTime& t) {
  const QDate d = t.date();
  const QTime h = t.time();
  // The fields below 100 take two digits, the year and the milliseconds as many as they have.
  char text[64];
  std::snprintf(text, sizeof text, "[%d/%02d/%02d      %02d:%02d:%02d:%d]", d.year(), d.month(), d.day(), h.hour(),
                h.minute(), h.second(), h.msec());
  return QString::fromLatin1(text);
}

// The entries and lines below are built whole, a run of bytes at a time: they are made for
// every frame sent and received.
QStringList RawEntries(const QString& prefix, const QByteArray& bytes) {
  static const QString continuation = QStringLiteral("    ");
  QStringList out;
  for (qsizetype i = 0; i == 0 || i < bytes.size(); i += 25)
    out << (i == 0 ? prefix : continuation) + HexEntries(bytes.mid(i, 25));
  return out;
}

QStringList DataLines(const QByteArray& data, int indent) {
  if (data.isEmpty()) return {QStringLiteral("Data(Hex):<No data>")};
  const QString start = QStringLiteral("Data(Hex):");
  const QString margin(indent, QLatin1Char(' '));
  QStringList out;
  for (qsizetype i = 0; i < data.size(); i += 16) {
    QString line = (i == 0 ? start : margin) + HexEntries(data.mid(i, 8));
    if (data.size() - i >= 8) line += QStringLiteral(" - ") + HexEntries(data.mid(i + 8, 8));
    out << line;
  }
  return out;
}

std::optional<QString> ReplyStatusWordLine(const QByteArray& frame, const QByteArray& reply) {
  if (At(reply, 0) != 'P' || !insight::CommandCarriesApdu(At(frame, 5), At(frame, 6))) return std::nullopt;
  return insight::ResponseSwLine(reply.mid(6, std::max(0, static_cast<int>(reply.size()) - 8)));
}

QStringList CommandBlock(const QByteArray& frame, const QDateTime& at) {
  QStringList b{kCommandRule, TimeStamp(at), CodeLine(At(frame, 5), At(frame, 6))};
  // Data: frame bytes 7 up to the one before ETX.
  b << DataLines(frame.mid(7, std::max(0, static_cast<int>(frame.size()) - 9)), 7);
  return b;
}

QStringList ReplyBlock(const QByteArray& reply, const QDateTime& at) {
  const int n = static_cast<int>(reply.size());
  QStringList b{kReplyRule, TimeStamp(at),
                At(reply, 0) == 'P' ? QStringLiteral("Reply type=<Positive reply>")
                                    : QStringLiteral("Reply type=<Negative reply>")};
  // The status characters end at the end byte: three in a positive reply, the two of the
  // error code in a negative one.
  const QString status = QString::fromLatin1(reply.mid(3, std::clamp(n - 5, 0, 3)));
  b << CodeLine(At(reply, 1), At(reply, 2)) + QStringLiteral(" Status code:") + status;
  b << DataLines(reply.mid(6, std::max(0, n - 8)), 10);
  return b;
}

ScriptTransport::ScriptTransport(AppState& state, SerialPort& port, Notifier& notifier, EntryList& lstResults,
                                 EntryList& cmdStrBackList, ScriptTimeouts t)
    : state_(state), port_(port), notifier_(notifier), results_(lstResults), back_(cmdStrBackList), t_(t) {}

void ScriptTransport::addRaw(const QStringList& entries) {
  for (const QString& e : entries) results_.add(e);
  results_.selectLast();
}

void ScriptTransport::addBack(const QStringList& entries) {
  for (const QString& e : entries) back_.add(e);
  back_.selectLast();
}

void ScriptTransport::logBytes(Direction d, const QByteArray& bytes) {
  if (traffic) traffic->traffic(d, bytes, QDateTime::currentDateTimeUtc());
}

QString ScriptTransport::readFirstAnswerAfterEot() {
  if (port_.waitForBytes(1, t_.eotAnswer) != WaitResult::Ready) return QString();
  const QByteArray answer = port_.read(0);
  if (answer.isEmpty()) return QString();
  logBytes(Direction::Received, answer.left(1));
  return QStringLiteral("RD: ") + HexByte(static_cast<uint8_t>(answer[0]));
}

bool ScriptTransport::cancelling() {
  if (!cancelRequested || !cancelRequested()) return false;
  state_.RunControl = ScriptControl::Cancel;
  return true;
}

int ScriptTransport::cancelRun(ReplyBuffer& reply) {
  port_.write(QByteArray(1, static_cast<char>(EOT)));
  addRaw({QStringLiteral("SD: 04")});
  logBytes(Direction::Sent, QByteArray(1, static_cast<char>(EOT)));
  const QString answer = readFirstAnswerAfterEot();
  if (!answer.isEmpty()) addRaw({answer});
  endRun();
  notifier_.warn(kCaution, kCancelMessage);
  reply.len = 0;
  return -2;
}

// Stop and Cancel leave the script at its first line, unmarked.
void ScriptTransport::endRun() {
  state_.CurrentLine = state_.LineCount;
  if (clearHighlight) clearHighlight();
  state_.CurrentLine = 0;
}

int ScriptTransport::ackStageFailure() {
  addBack({kReplyRule, TimeStamp(now()), kReplyTimeout, QString(), kAckFailed});
  notifier_.warn(kCaution, kUnitNotDetected);
  addBack({QString(), QString()});
  return -1;
}

int ScriptTransport::dataFailure() {
  notifier_.warn(kCaution, kDataError);
  addBack({QString(), QString()});
  return -1;
}

int ScriptTransport::ExecuteScriptCommand(const QByteArray& frame, ReplyBuffer& reply) {
  if (!state_.PortOpened) {
    notifier_.warn(kCaution, kPortSetupFirst);
    return 0;
  }
  if (back_.count() > kListCap) back_.clear();
  if (results_.count() > kListCap) results_.clear();

  if (processPendingInput) processPendingInput();

  if (state_.RunControl == ScriptControl::Cancel) return cancelRun(reply);
  if (state_.RunControl == ScriptControl::Stop) {
    addBack({kReplyRule, TimeStamp(now()), kUserStop, QString(), QString()});
    endRun();
    notifier_.warn(kCaution, kStopMessage);
    reply.len = 0;
    addRaw({QString()});
    return -2;
  }

  if (!port_.clearInput() || !port_.write(frame)) return dataFailure();
  addRaw(RawEntries(QStringLiteral("SD: "), frame));
  logBytes(Direction::Sent, frame);
  addBack(CommandBlock(frame, now()) << QString());

  // Acknowledgement stage: from the wait for ACK until the reply header is taken.
  if (port_.waitForBytes(1, t_.ack) != WaitResult::Ready)
    return cancelling() ? cancelRun(reply) : ackStageFailure();
  const QByteArray ack = port_.read(1);
  if (ack.size() != 1) return ackStageFailure();
  addRaw({QStringLiteral("RD: ") + HexByte(static_cast<uint8_t>(ack[0]))});
  logBytes(Direction::Received, ack);
  if (static_cast<uint8_t>(ack[0]) != ACK) return ackStageFailure();

  switch (port_.waitForBytes(4, t_.header)) {
    case WaitResult::Failed: return ackStageFailure();
    case WaitResult::Timeout: {
      if (cancelling()) return cancelRun(reply);
      port_.write(QByteArray(1, static_cast<char>(EOT)));
      addRaw({QStringLiteral("SD: 04")});
      logBytes(Direction::Sent, QByteArray(1, static_cast<char>(EOT)));
      const QString answer = readFirstAnswerAfterEot();
      if (!answer.isEmpty()) addRaw({answer});
      notifier_.warn(kCaution, kTimeOut);
      reply.len = 0;
      return -2;
    }
    case WaitResult::Ready: break;
  }
  const QByteArray header = port_.read(4);
  if (header.size() != 4) return ackStageFailure();

  // From here on a failure is a data failure; a remainder that never comes is one too.
  const int len = 256 * static_cast<uint8_t>(header[2]) + static_cast<uint8_t>(header[3]);
  if (port_.waitForBytes(len + 2, t_.remainder) != WaitResult::Ready)
    return cancelling() ? cancelRun(reply) : dataFailure();
  const QByteArray remainder = port_.read(0);
  if (remainder.size() < len + 2) return dataFailure();
  // The ACK goes out before the entries are made, so the reader takes it while they are.
  const bool acknowledged = port_.write(QByteArray(1, static_cast<char>(ACK)));
  addRaw(RawEntries(QStringLiteral("RD: "), header + remainder));
  logBytes(Direction::Received, header + remainder);
  if (!acknowledged) return dataFailure();
  addRaw({QStringLiteral("SD: 06")});
  logBytes(Direction::Sent, QByteArray(1, static_cast<char>(ACK)));
  // A copy of the bytes alone: what the port read them into may hold many times as much
  // room, and the reply outlives this exchange in whatever keeps it.
  reply.bytes = QByteArray(remainder.constData(), remainder.size());
  reply.len = static_cast<int>(remainder.size());

  addBack(ReplyBlock(remainder, now()));
  if (const auto sw = ReplyStatusWordLine(frame, remainder)) back_.note(*sw);
  addBack({QString()});
  addRaw({QString()});
  return 0;
}

}  // namespace kvt
