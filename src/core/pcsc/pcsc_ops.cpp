// SPDX-License-Identifier: MIT
#include "pcsc_ops.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/base/conversions.h"
#include "core/link/engine.h"

namespace kvt::pcsc {

const QString kSeparator = QStringLiteral("=============================");

const QStringList& ApduChoices() {
  static const QStringList list = {
      QStringLiteral("A0A40000022FE2"), QStringLiteral("A0B000000A"),
      QStringLiteral("0084000008"),     QStringLiteral("00A40000023F00"),
      QStringLiteral("00C0000017"),     QStringLiteral("00A404000E315041592E5359532E4444463031"),
  };
  return list;
}

QString DescriptionText() {
  return QStringLiteral(
      "Description: Please execute the command from top to bottom, when there are multiple readers, please "
      "select the correct card reader. If an error occurs while executing a command, perform the bottom three "
      "commands");
}

QString ResultCodeHex(LONG rc) {
  return QString::number(static_cast<uint32_t>(rc), 16).toUpper();
}

QString ResultCodeText(LONG rc) { return PadHex8(ResultCodeHex(rc)); }

QString ResultMeaning(LONG rc) {
  const QString text = QString::fromUtf8(pcsc_stringify_error(rc));
  // For a code it does not know pcsc-lite repeats the code.
  if (text.startsWith(QLatin1String("Unknown error"))) return ResultCodeText(rc) + QStringLiteral(": unknown to pcsc-lite");
  return ResultCodeText(rc) + QStringLiteral(": ") + text;
}

QStringList DumpLines(const QString& label, const QByteArray& bytes) {
  // 20 bytes a line and the rest on the last, which after a multiple of 20 is the indent
  // alone. Each line is built whole: a full response dump runs to some 3,300 lines.
  const QString indent(10, QLatin1Char(' '));
  QStringList lines;
  lines.reserve(bytes.size() / 20 + 1);
  for (qsizetype i = 0; i <= bytes.size(); i += 20) lines << (i == 0 ? label : indent) + HexEntries(bytes.mid(i, 20));
  return lines;
}

QStringList SplitReaderNames(const char* buffer, DWORD size) {
  QStringList names;
  DWORD start = 0;
  while (start < size && buffer[start] != '\0') {
    DWORD end = start;
    while (end < size && buffer[end] != '\0') ++end;
    names << QString::fromUtf8(buffer + start, static_cast<int>(end - start));
    start = end + 1;
  }
  return names;
}

std::optional<QByteArray> ParseApduText(const QString& text) {
  if (text.size() % 2 != 0) return std::nullopt;
  const QString t = text.trimmed();
  if (t.size() % 2 != 0 || t.size() / 2 < kApduHeaderSize || t.size() / 2 > kSendBufferSize) return std::nullopt;
  for (QChar c : t)
    if (!QStringLiteral("0123456789ABCDEFabcdef").contains(c)) return std::nullopt;
  return QByteArray::fromHex(t.toLatin1());
}

namespace {

// Separator, the call's result, and the success or error line.
PcscOutcome Called(PcscState& st, LONG rc, const char* call) {
  st.lastResult = rc;
  PcscOutcome o;
  o.called = true;
  o.result = rc;
  o.lines << kSeparator;
  const QString name = QString::fromLatin1(call);
  if (rc != 0) o.lines << name + QStringLiteral(" Error (") + ResultCodeText(rc) + QLatin1Char(')');
  else o.lines << name + QStringLiteral(" Success");
  return o;
}

PcscOutcome Ended(PcscOutcome o) {
  o.lines << QString();
  return o;
}

}  // namespace

PcscOutcome EstablishContext(SmartCardService& s, PcscState& st) {
  const LONG rc = s.establishContext(SCARD_SCOPE_USER, &st.context);
  return Ended(Called(st, rc, "SCardEstablishContext"));
}

PcscOutcome ListReaders(SmartCardService& s, PcscState& st) {
  std::vector<char> buffer(kReaderListSize, '\0');
  DWORD length = kReaderListSize;
  const LONG rc = s.listReaders(st.context, buffer.data(), &length);
  PcscOutcome o = Called(st, rc, "SCardListReaders");
  if (rc == 0) o.readers = SplitReaderNames(buffer.data(), std::min(length, kReaderListSize));
  return Ended(o);
}

PcscOutcome Connect(SmartCardService& s, PcscState& st, const QString& readerName) {
  const QByteArray name = readerName.toUtf8();
  const LONG rc = s.connect(st.context, name.constData(), SCARD_SHARE_EXCLUSIVE, SCARD_PROTOCOL_T0, &st.card,
                            &st.activeProtocol);
  return Ended(Called(st, rc, "SCardConnect"));
}

PcscOutcome BeginTransaction(SmartCardService& s, PcscState& st) {
  return Ended(Called(st, s.beginTransaction(st.card), "SCardBeginTransaction"));
}

PcscOutcome Status(SmartCardService& s, PcscState& st) {
  DWORD state = 0, protocol = 0;
  BYTE atr[kAtrBufferSize] = {};
  DWORD atrLength = kAtrBufferSize;
  const LONG rc = s.status(st.card, &state, &protocol, atr, &atrLength);
  PcscOutcome o = Called(st, rc, "SCardState");
  if (rc == 0) {
    QString line = QStringLiteral("ATR : ");
    for (DWORD i = 0; i < std::min(atrLength, kAtrBufferSize); ++i) line += HexByte(atr[i]) + QLatin1Char(' ');
    o.atr = QByteArray(reinterpret_cast<const char*>(atr), static_cast<int>(std::min(atrLength, kAtrBufferSize)));
    o.lines << line;
    o.lines << QStringLiteral("ATR Longth : ") + QLatin1Char(' ') + QString::number(atrLength);
  }
  return Ended(o);
}

PcscOutcome Transmit(SmartCardService& s, PcscState& st, const QString& apduText) {
  const std::optional<QByteArray> apdu = ParseApduText(apduText);
  if (!apdu) {
    PcscOutcome o;
    o.message = Message{MessageIcon::Warning, kCaution, kDataError};
    return o;
  }
  std::vector<BYTE> send(kSendBufferSize, 0);
  std::copy(apdu->begin(), apdu->end(), send.begin());
  std::vector<BYTE> receive(kReceiveBufferSize, 0);
  DWORD receiveLength = kReceiveBufferSize;
  SCARD_IO_REQUEST header{};
  header.dwProtocol = st.activeProtocol;
  header.cbPciLength = sizeof(SCARD_IO_REQUEST);
  const LONG rc = s.transmit(st.card, &header, send.data(), static_cast<DWORD>(apdu->size()), &header,
                             receive.data(), &receiveLength);
  st.lastResult = rc;

  PcscOutcome o;
  o.called = true;
  o.result = rc;
  o.lines << kSeparator;
  if (rc != 0) {
    o.lines << QStringLiteral("SCardTransmit Error ") + ResultCodeHex(rc);
  } else {
    const DWORD got = std::min(receiveLength, kReceiveBufferSize);
    o.lines << QStringLiteral("SCardTransmit Success ");
    o.lines << DumpLines(QStringLiteral("Send Data:"), got > 0 ? *apdu : QByteArray());
    o.received = QByteArray(reinterpret_cast<const char*>(receive.data()), static_cast<int>(got));
    o.lines << DumpLines(QStringLiteral("Receive Data:"), o.received);
  }
  return Ended(o);
}

PcscOutcome EndTransaction(SmartCardService& s, PcscState& st) {
  return Ended(Called(st, s.endTransaction(st.card, SCARD_LEAVE_CARD), "SCardEndTransaction"));
}

PcscOutcome Disconnect(SmartCardService& s, PcscState& st) {
  return Ended(Called(st, s.disconnect(st.card, SCARD_RESET_CARD), "SCardDisconnect"));
}

PcscOutcome ReleaseContext(SmartCardService& s, PcscState& st) {
  return Ended(Called(st, s.releaseContext(st.context), "SCardReleaseContext"));
}

void Unload(SmartCardService& s, PcscState& st) {
  s.endTransaction(st.card, SCARD_LEAVE_CARD);
  s.disconnect(st.card, SCARD_RESET_CARD);
  s.releaseContext(st.context);
}

}  // namespace kvt::pcsc
