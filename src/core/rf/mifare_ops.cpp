// SPDX-License-Identifier: MIT
#include "mifare_ops.h"

#include "core/base/conversions.h"
#include "core/contact/contact_ops.h"
#include "core/insight/mifare_access.h"
#include "core/link/engine.h"
#include "core/link/log_format.h"

namespace kvt {

namespace {

QByteArray header(uint8_t ins, uint8_t p1, uint8_t p2) {
  QByteArray h(1, '\0');
  return h + char(ins) + char(p1) + char(p2);
}

bool inRange(int v, int first, int last) { return v >= first && v <= last; }

// The key bytes of the six cells; a refusal box when one cannot be read.
std::optional<QByteArray> keyBytes(const QStringList& cells, std::optional<Message>* refusal) {
  QByteArray key;
  for (int i = 0; i < kRfKeyBytes; ++i) {
    const QString text = cells.value(i);
    if (text.trimmed().isEmpty()) {
      *refusal = Caution(kInputDataFirst);
      return std::nullopt;
    }
    const auto b = ReadHexByte(text);
    if (!b) {
      *refusal = DataErrorMessage();
      return std::nullopt;
    }
    key.append(static_cast<char>(*b));
  }
  return key;
}

// PurseValueText as the four value bytes, least significant first.
std::optional<QByteArray> purseBytes(const QString& text, std::optional<Message>* refusal) {
  if (text.isEmpty()) {
    *refusal = Caution(kInputDataFirst);
    return std::nullopt;
  }
  bool digits = text.size() <= 10;
  for (QChar c : text) digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
  const qulonglong v = digits ? text.toULongLong() : 0;
  if (!digits || v > kMaxPurseValue) {
    *refusal = DataErrorMessage();
    return std::nullopt;
  }
  QByteArray out;
  for (int i = 0; i < 4; ++i) out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
  return out;
}

Message noPurse() { return Caution(QStringLiteral("The block does not support the purse operation")); }

}  // namespace

bool IsSectorTrailer(int sector, int block) { return block == (sector < 32 ? 3 : 15); }

bool PurseBlockAllowed(int sector, int block) {
  return !(sector == 0 && block == 0) && !IsSectorTrailer(sector, block);
}

Outcome MifareKey(Session& s, const QString& addressText, MifareKeyOp op, int sector, bool keyB,
                  const QStringList& keyCells) {
  if (!BeginOperation(s)) return Refused(OpStatus::PortClosed);
  if (!inRange(sector, 0, kRfSectors - 1)) return Refused(OpStatus::BadInput, DataErrorMessage());
  const uint8_t kt = keyB ? 0x01 : 0x00;
  RfCardCommand c;
  switch (op) {
    case MifareKeyOp::Download:
      c = {QStringLiteral("Download password to EEPROM"), QStringLiteral("Download password to EEPROM "),
           header(0xD0, kt, sector)};
      break;
    case MifareKeyOp::Load:
      c = {QStringLiteral("Load password from the EEPROM"), QStringLiteral("Load password from the EEPROM "),
           header(0x21, kt, sector)};
      break;
    case MifareKeyOp::Check:
      c = {QStringLiteral("Check Password"), QStringLiteral("Check Password"), header(0x20, kt, sector)};
      break;
    case MifareKeyOp::Change:  // always key A
      c = {QStringLiteral("Change Password"), QStringLiteral("Change Password"), header(0xD5, 0x00, sector)};
      break;
  }
  if (op != MifareKeyOp::Load) {
    std::optional<Message> refusal;
    const auto key = keyBytes(keyCells, &refusal);
    if (!key) return Refused(OpStatus::BadInput, refusal);
    c.data += char(kRfKeyBytes) + *key;
  }
  return SendRfCardCommand(s, addressText, c);
}

BlockReadOutcome MifareReadBlock(Session& s, const QString& addressText, int sector, int block, int count) {
  BlockReadOutcome o;
  if (!BeginOperation(s)) {
    static_cast<Outcome&>(o) = Refused(OpStatus::PortClosed);
    return o;
  }
  if (!inRange(sector, 0, kRfSectors - 1) || !inRange(block, 0, kRfBlocks - 1) || !inRange(count, 1, 0xFF)) {
    static_cast<Outcome&>(o) = Refused(OpStatus::BadInput, DataErrorMessage());
    return o;
  }
  static_cast<Outcome&>(o) = SendRfCardCommand(
      s, addressText,
      {QStringLiteral("Read block data"), QStringLiteral("Read block data"), header(0xB0, sector, block) + char(count)});
  if (o.status == OpStatus::Done && RfStatusWord(o.reply) == QLatin1String("9000")) {
    for (int i = 0; i < kRfBlockBytes; ++i) o.cells << HexByte(o.reply.at(6 + i));
    if (IsSectorTrailer(sector, block)) o.accessLines = AccessLines(o.reply.bytes.mid(6 + 6, 3), sector >= 32);
  }
  return o;
}

std::optional<Outcome> GuardTrailerWrite(Session& s, int sector, const QByteArray& block, TrailerLock lock) {
  const QByteArray bits = block.mid(6, 3);
  const QString sectorText = HexByte(static_cast<uint8_t>(sector));
  const QString bitsText = HexEntries(bits).trimmed();
  const AccessBits a = DecodeAccessBits(bits);
  if (!a.valid)
    return Refused(OpStatus::BadInput,
                   Caution(QStringLiteral("The access bits %1 for sector %2 are not valid (%3): the card would "
                                          "block the sector for good.\r\nNothing was written.")
                               .arg(bitsText, sectorText, a.problem)));
  if (!TrailerLocksForGood(bits)) return std::nullopt;
  const QString lockText =
      QStringLiteral("The access bits %1 lock the trailer of sector %2 for good: they can never be changed again.")
          .arg(bitsText, sectorText);
  switch (lock) {
    case TrailerLock::Allow: return std::nullopt;
    case TrailerLock::Refuse:
      return Refused(OpStatus::BadInput, Caution(lockText + QStringLiteral("\r\nNothing was written.")));
    case TrailerLock::Ask: {
      // The safe answer is the default: Return and Escape never lock the trailer.
      const SafeQuestion q{kCaution, lockText + QStringLiteral("\r\nWrite them anyway?"),
                           AccessDetails(bits, sector >= 32).join(CRLF)};
      if (s.notifier.askSafe(q) == Answer::Yes) return std::nullopt;
      return Refused(OpStatus::Cancelled);
    }
  }
  return std::nullopt;
}

Outcome MifareWriteBlock(Session& s, const QString& addressText, int sector, int block, int count,
                         const QStringList& cells, TrailerLock lock) {
  if (!BeginOperation(s)) return Refused(OpStatus::PortClosed);
  if (!inRange(sector, 0, kRfSectors - 1) || !inRange(block, 0, kRfBlocks - 1) || !inRange(count, 1, 0xFF))
    return Refused(OpStatus::BadInput, DataErrorMessage());
  for (int i = 0; i < kRfBlockBytes; ++i)
    if (cells.value(i).size() != 2) return Refused(OpStatus::BadInput, Caution(kInputDataFirst));
  if (sector == 0 && block == 0)
    return Refused(OpStatus::BadInput, Caution(QStringLiteral("Write Prohibit In The Block")));
  const auto bytes = GridBytes(cells, kRfBlockBytes);
  if (!bytes) return Refused(OpStatus::BadInput, DataErrorMessage());
  if (IsSectorTrailer(sector, block)) {
    // What the new access bits would allow, behind the question: the verdict first.
    const QString conditions = AccessDetails(bytes->mid(6, 3), sector >= 32).join(CRLF);
    if (!s.notifier.askWithDetails(kCaution, kModifyTrailerQuestion, conditions)) return Refused(OpStatus::Cancelled);
    if (auto refusal = GuardTrailerWrite(s, sector, *bytes, lock)) return *refusal;
  }
  return SendRfCardCommand(s, addressText,
                           {QStringLiteral("Write Block Data"), QStringLiteral("Write Block Data"),
                            header(0xD1, sector, block) + char(count) + *bytes});
}

Outcome PurseChange(Session& s, const QString& addressText, PurseOp op, int sector, int block,
                    const QString& valueText) {
  if (!BeginOperation(s)) return Refused(OpStatus::PortClosed);
  if (!inRange(sector, 0, kRfSectors - 1) || !inRange(block, 0, kRfBlocks - 1))
    return Refused(OpStatus::BadInput, DataErrorMessage());
  if (!PurseBlockAllowed(sector, block)) return Refused(OpStatus::BadInput, noPurse());
  std::optional<Message> refusal;
  const auto value = purseBytes(valueText, &refusal);
  if (!value) return Refused(OpStatus::BadInput, refusal);
  RfCardCommand c;
  switch (op) {
    case PurseOp::Initialize:
      c = {QStringLiteral("Initialize"), QStringLiteral("Initialize success"), header(0xD2, sector, block)};
      break;
    case PurseOp::Increment:
      c = {QStringLiteral("Increment"), QStringLiteral("Increment"), header(0xD3, sector, block)};
      break;
    case PurseOp::Decrement:
      c = {QStringLiteral("Decrement"), QStringLiteral("Decrement"), header(0xD4, sector, block)};
      break;
  }
  c.data += char(4) + *value;
  return SendRfCardCommand(s, addressText, c);
}

PurseReadOutcome PurseRead(Session& s, const QString& addressText, int sector, int block) {
  PurseReadOutcome o;
  if (!BeginOperation(s)) {
    static_cast<Outcome&>(o) = Refused(OpStatus::PortClosed);
    return o;
  }
  if (!inRange(sector, 0, kRfSectors - 1) || !inRange(block, 0, kRfBlocks - 1)) {
    static_cast<Outcome&>(o) = Refused(OpStatus::BadInput, DataErrorMessage());
    return o;
  }
  if (!PurseBlockAllowed(sector, block)) {
    static_cast<Outcome&>(o) = Refused(OpStatus::BadInput, noPurse());
    return o;
  }
  static_cast<Outcome&>(o) = SendRfCardCommand(
      s, addressText, {QStringLiteral("Read"), QStringLiteral("Read success"), header(0xB1, sector, block)});
  if (o.status == OpStatus::Done && RfStatusWord(o.reply) == QLatin1String("9000")) {
    const quint32 v = quint32(o.reply.at(6)) | quint32(o.reply.at(7)) << 8 | quint32(o.reply.at(8)) << 16 |
                      quint32(o.reply.at(9)) << 24;
    o.valueText = QString::number(v);
  }
  return o;
}

}  // namespace kvt
