// SPDX-License-Identifier: MIT
#include "chip_card_ops.h"

#include "contact_ops.h"
#include "core/base/conversions.h"
#include "core/link/engine.h"
#include "core/link/log_format.h"
#include "core/link/negative_reply.h"

namespace kvt {

namespace {

const QString kColdReset = QStringLiteral("Cold Reset");

// Reply bytes from index `from` to n - 3 as hex text.
QString replyHex(const ReplyBuffer& r, int from) {
  QByteArray bytes;
  for (int i = from; i <= r.len - 3; ++i) bytes.append(static_cast<char>(r.at(i)));
  return JoinedHex(bytes);
}

// "Cold Reset Success(T=0)" / "(T=1)" by reply byte 6; both resets use these texts.
std::optional<Message> resetMessage(const ReplyBuffer& r) {
  if (r.at(6) == '0') return Message{MessageIcon::Information, kColdReset, QStringLiteral("Cold Reset Success(T=0)")};
  if (r.at(6) == '1') return Message{MessageIcon::Information, kColdReset, QStringLiteral("Cold Reset Success(T=1)")};
  return std::nullopt;
}

bool isHexDigit(QChar c) {
  return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('A') && c <= QLatin1Char('F')) ||
         (c >= QLatin1Char('a') && c <= QLatin1Char('f'));
}

QString activationLine(uint8_t c) {
  switch (c) {
    case '0': return QStringLiteral("Card is not activated");
    case '1': return QStringLiteral("The card has been activated, working frequency of 3.57 MHZ");
    case '2': return QStringLiteral("The card has been activated, working frequency of 7.16 MHZ");
    default: return QString();
  }
}

QString samLine(uint8_t c) {
  switch (c) {
    case '0': return QStringLiteral("Current SAM card is  No.1 ");
    case '1': return QStringLiteral("Current SAM card is  No.2");
    case '2': return QStringLiteral("Current SAM card is  No.3");
    case '3': return QStringLiteral("Current SAM card is  No.4");
    case '4': return QStringLiteral("Current SAM card is  No.5");
    default: return QString();
  }
}

}  // namespace

QStringList CpuApduEntries() {
  return {QStringLiteral("0084000008"), QStringLiteral("00A40000023F00"), QStringLiteral("00C0000018"),
          QStringLiteral("00A404000E315041592E5359532E4444463031")};
}

QStringList SamApduEntries() {
  return {QStringLiteral("0084000008"), QStringLiteral("00A40000023F00"),
          QStringLiteral("00A404000E315041592E5359532E4444463031")};
}

ApduTextError ConvertApduText(const QString& text, QByteArray* out) {
  if (text.size() % 2 != 0) return ApduTextError::OddLength;
  const int n = text.size() / 2;
  if (n > kMaxApduBytes) return ApduTextError::TooLong;
  const QString digits = text.trimmed();
  QByteArray bytes;
  for (int i = 0; i < n; ++i) {
    const QString pair = digits.mid(2 * i, 2);
    if (pair.size() != 2 || !isHexDigit(pair[0]) || !isHexDigit(pair[1])) return ApduTextError::NotHex;
    bytes.append(static_cast<char>(*ReadHexByte(pair)));
  }
  *out = bytes;
  return ApduTextError::None;
}

std::optional<uint8_t> SamNumberByte(const QString& samText) {
  for (int n = 1; n <= 14; ++n)
    if (samText == QStringLiteral("SAM %1").arg(n)) return static_cast<uint8_t>(0x30 + n - 1);
  return std::nullopt;
}

ChipOutcome ColdReset(Session& s, const QString& addressText, ChipGroup g, SupplyProfile p) {
  ChipOutcome o;
  s.log.startOperation();
  o.resetText = QString();
  const auto address = ReadAddressOrEnd(s, addressText, o);
  if (!address) return o;
  // Not Exchange(): a "69" refusal is reported here, not through ShowNegativeReply.
  const QByteArray frame = BuildFrame(*address, static_cast<uint8_t>(g), '0',
                                      QByteArray(1, p == SupplyProfile::Emv2000 ? '0' : '3'));
  ReplyBuffer& r = o.reply;
  if (s.engine.ExecuteCommand(frame, frame.size(), r) != 0 || r.len == 0) {
    o.status = OpStatus::ExchangeFailed;
  } else if (r.positive()) {
    o.resetText = replyHex(r, 7);
    o.message = resetMessage(r);
  } else if (r.negative()) {
    o.status = OpStatus::Negative;
    if (r.at(3) == '6' && r.at(4) == '9') {
      o.resetText = replyHex(r, 6);
      o.message = Message{MessageIcon::Information, QStringLiteral("Negative response:69"),
                          QStringLiteral("Tried to communicate with IC card not supported in Protocol EMV2000.") +
                              CRLF + (r.at(5) == '0' ? QStringLiteral("T=0") : QStringLiteral("T=1"))};
    } else {
      // Shown after the window has put the card's answer into its ATR box.
      o.resetText = replyHex(r, 5);
      o.message = NegativeReplyMessage(static_cast<char>(r.at(3)), static_cast<char>(r.at(4)));
    }
  } else {
    o.status = OpStatus::Unrecognised;
  }
  EndOperation(s);
  return o;
}

ChipOutcome WarmReset(Session& s, const QString& addressText, ChipGroup g) {
  ChipOutcome o;
  s.log.startOperation();
  o.resetText = QString();
  const auto address = ReadAddressOrEnd(s, addressText, o);
  if (!address) return o;
  static_cast<Outcome&>(o) = Exchange(s, *address, static_cast<uint8_t>(g), '8', {}, NegativeReply::Quiet);
  if (o.status == OpStatus::Done) {
    o.resetText = replyHex(o.reply, 7);
    o.message = resetMessage(o.reply);
  } else if (o.status == OpStatus::Negative) {
    // Shown after the window has put the card's answer into its ATR box.
    o.resetText = replyHex(o.reply, 5);
    o.message = NegativeReplyMessage(static_cast<char>(o.reply.at(3)), static_cast<char>(o.reply.at(4)));
  }
  EndOperation(s);
  return o;
}

Outcome ChipCardStatus(Session& s, const QString& addressText, ChipGroup g) {
  Outcome o = RunCommand(s, addressText, static_cast<uint8_t>(g), '2');
  if (o.status != OpStatus::Done) return o;
  const QString first = activationLine(o.reply.at(6));
  if (g == ChipGroup::Sam)
    o.message = Message{MessageIcon::Information, QStringLiteral("Card Status"), first + CRLF + samLine(o.reply.at(7))};
  else if (!first.isEmpty())
    o.message = Message{MessageIcon::Information, QStringLiteral("Card Status"), first};
  return o;
}

Outcome ChipDeactivate(Session& s, const QString& addressText, ChipGroup g) {
  return RunConfirmedCommand(s, addressText, static_cast<uint8_t>(g), '1', QStringLiteral("Deactivate"),
                             QStringLiteral("Deactivate Success"));
}

ChipOutcome SendApdu(Session& s, const QString& addressText, ChipGroup g, ApduProtocol p, const QString& apduText) {
  ChipOutcome o;
  s.log.startOperation();
  o.backText = QString();
  QByteArray apdu;
  const ApduTextError e = ConvertApduText(apduText, &apdu);
  if (e != ApduTextError::None) {
    o.status = OpStatus::BadInput;
    o.message = DataErrorMessage();
    if (e != ApduTextError::OddLength) EndOperation(s);  // the odd length stops before the line break
    return o;
  }
  const auto address = ReadAddressOrEnd(s, addressText, o);
  if (!address) return o;
  uint8_t pm = '9';
  if (g == ChipGroup::Cpu && p == ApduProtocol::T0) pm = '3';
  if (g == ChipGroup::Cpu && p == ApduProtocol::T1) pm = '4';
  static_cast<Outcome&>(o) = Exchange(s, *address, static_cast<uint8_t>(g), pm, apdu);
  if (o.status == OpStatus::Done) {
    o.backText = JoinedHex(o.reply.data());
    o.message = Message{MessageIcon::Information, QStringLiteral("C-APDU"), QStringLiteral("Success")};
  }
  EndOperation(s);
  return o;
}

ChipOutcome ChooseSam(Session& s, const QString& addressText, const QString& samText) {
  ChipOutcome o;
  s.log.startOperation();
  o.resetText = QString();
  const auto socket = SamNumberByte(samText);
  if (!socket) {
    o.status = OpStatus::BadInput;
    o.message = Message{MessageIcon::Warning, kCaution, QStringLiteral("Please Choose SAM Number First")};
    return o;
  }
  const auto address = ReadAddressOrEnd(s, addressText, o);
  if (!address) return o;
  static_cast<Outcome&>(o) = Exchange(s, *address, static_cast<uint8_t>(ChipGroup::Sam), 0x40, QByteArray(1, char(*socket)));
  if (o.status == OpStatus::Done)
    o.message = Message{MessageIcon::Information, QStringLiteral("Choose SAM"), QStringLiteral("Choose SAM Success")};
  EndOperation(s);
  return o;
}

}  // namespace kvt
