// SPDX-License-Identifier: MIT
#include "probe.h"

#include "core/base/conversions.h"
#include "frame.h"
#include "log_format.h"

namespace kvt {

namespace {

bool CheckByteMatches(const QByteArray& header, const QByteArray& remainder) {
  if (remainder.isEmpty()) return false;
  uint8_t x = 0;
  for (char c : header) x ^= static_cast<uint8_t>(c);
  for (int i = 0; i + 1 < remainder.size(); ++i) x ^= static_cast<uint8_t>(remainder[i]);
  return x == static_cast<uint8_t>(remainder.back());
}

bool KindIsReply(const QByteArray& remainder) {
  return !remainder.isEmpty() && (remainder[0] == 'P' || remainder[0] == 'N');
}

int LenOf(const QByteArray& header) {
  return 256 * static_cast<uint8_t>(header[2]) + static_cast<uint8_t>(header[3]);
}

void Traffic(LogSink& log, Direction d, const QByteArray& bytes) {
  log.traffic(d, bytes, QDateTime::currentDateTimeUtc());
}

}  // namespace

QString VerifyProbe(SerialPort& port, LogSink& log, uint8_t address, const Timeouts& t) {
  const QByteArray frame = BuildFrame(address, '1', '0');
  log.startOperation();
  const auto error = [&log]() {
    log.append(CRLF);
    return QStringLiteral("ERROR");
  };
  if (!port.clearInput() || !port.write(frame)) return error();
  log.append(SentLine(frame));
  Traffic(log, Direction::Sent, frame);

  if (port.waitForBytes(1, t.probeAck) != WaitResult::Ready) return error();
  const QByteArray ack = port.read(1);
  if (ack.size() != 1) return error();
  log.append(ControlLine("RD: ", static_cast<uint8_t>(ack[0])));
  Traffic(log, Direction::Received, ack);
  if (static_cast<uint8_t>(ack[0]) != ACK) return error();

  if (port.waitForBytes(4, t.probeHeader) != WaitResult::Ready) return error();
  const QByteArray header = port.read(4);
  if (header.size() != 4) return error();
  log.append(HeaderText(header));

  const int len = LenOf(header);
  if (port.waitForBytes(len + 2, t.probeRemainder) != WaitResult::Ready) {
    Traffic(log, Direction::Received, header);
    return QString();
  }
  const QByteArray remainder = port.read(0);
  log.append(RemainderText(remainder));
  Traffic(log, Direction::Received, header + remainder);

  if (!port.write(QByteArray(1, static_cast<char>(ACK)))) return error();
  log.append(ControlLine("SD: ", ACK));
  Traffic(log, Direction::Sent, QByteArray(1, static_cast<char>(ACK)));

  if (!CheckByteMatches(header, remainder)) return error();
  return KindIsReply(remainder) ? QStringLiteral("OK") : QString();
}

bool ScanProbe(SerialPort& port, uint8_t address, const Timeouts& t) {
  if (!port.write(BuildFrame(address, '1', '0'))) return false;
  // A reader acknowledges at once; give it the fixed settling time before looking.
  if (port.waitForBytes(1, t.scanDelay) == WaitResult::Failed) return false;
  if (port.bytesWaiting() < 1) return false;
  const QByteArray ack = port.read(1);
  if (ack.size() != 1 || static_cast<uint8_t>(ack[0]) != ACK) return false;
  if (port.waitForBytes(4, t.scanHeader) != WaitResult::Ready) return false;
  const QByteArray header = port.read(4);
  if (header.size() != 4) return false;
  if (port.waitForBytes(LenOf(header) + 2, t.scanRemainder) != WaitResult::Ready) return false;
  const QByteArray remainder = port.read(0);
  if (!port.write(QByteArray(1, static_cast<char>(ACK)))) return false;
  return CheckByteMatches(header, remainder) && KindIsReply(remainder);
}

OpenError OpenComm(SerialPort& port, const PortMap& map, AppState& state, int n, int baud) {
  port.close();
  const OpenError e = port.open(map.device(n), baud);
  state.ScanOpen = (e == OpenError::None);
  return e;
}

std::vector<int> ScanBauds(Variant v) {
  if (v == Variant::B) return {9600, 19200, 38400, 57600, 115200};
  return {57600, 38400, 19200, 9600};
}

ScanResult Scan(SerialPort& port, const PortMap& map, AppState& state, Variant v, uint8_t address,
                const Timeouts& t) {
  state.ScanOpen = false;
  ScanResult r;
  for (int n = 1; n <= PortMap::kPorts && !r.found; ++n) {
    for (int baud : ScanBauds(v)) {
      OpenComm(port, map, state, n, baud);
      if (!state.ScanOpen) continue;
      state.ScanFound = false;
      state.ScanFound = ScanProbe(port, address, t);
      if (state.ScanFound) {
        r.found = true;
        r.port = n;
        r.baud = baud;
        break;
      }
      state.ScanOpen = false;
      port.close();
    }
  }
  r.label = r.found ? QStringLiteral("Found KVT-730-M AT COM%1 Baut Rate %2").arg(r.port).arg(r.baud)
                    : QStringLiteral("No Found KVT-730-M");
  return r;
}

}  // namespace kvt
