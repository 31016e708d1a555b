// SPDX-License-Identifier: MIT
#include "memory_dump_ops.h"

#include "core/base/conversions.h"
#include "core/contact/contact_ops.h"
#include "core/contact/eeprom24_ops.h"
#include "core/link/log_format.h"
#include "core/rf/rf_ops.h"

namespace kvt {

namespace {

constexpr int kReadPiece = 0x80;
constexpr int kWritePiece = 0x20;

const char* const kEepromNames[] = {"24C01", "24C02", "24C04", "24C08", "24C16",
                                    "24C32", "24C64", "24C128", "24C256", "24C512"};

uint8_t parameterCode(MemoryCardKind k) { return k == MemoryCardKind::Sle4428 ? '4' : '3'; }
uint8_t commandCode(MemoryCardKind k) { return k == MemoryCardKind::Eeprom24 ? kEepromCommand : kSleCommand; }

// P1 P2 of a read or write at `at`: the SLE4442 takes one address byte.
QByteArray header(const MemoryCardModel& c, uint8_t ins, int at, int n) {
  const uint8_t p1 = c.kind == MemoryCardKind::Sle4442 ? 0x00 : static_cast<uint8_t>(at >> 8);
  return MemoryHeader(ins, p1, static_cast<uint8_t>(at & 0xFF), static_cast<uint8_t>(n));
}

QString addresses(const QList<int>& list) {
  QStringList parts;
  for (int a : list) parts << QStringLiteral("%1").arg(a, 4, 16, QLatin1Char('0')).toUpper();
  return parts.join(QStringLiteral(", "));
}

// Powers the card up; the device address once the card answered, else nullopt with `end` set.
std::optional<uint8_t> powerUp(Session& s, const QString& addressText, const MemoryCardModel& c, RunEnd& end) {
  const Outcome o = c.kind == MemoryCardKind::Eeprom24 ? Eeprom24Activate(s, addressText) : SleActivate(s, addressText);
  if (o.status != OpStatus::Done) {
    end.status = o.status;
    return std::nullopt;
  }
  if (c.kind == MemoryCardKind::Eeprom24) {
    const uint8_t found = o.reply.at(6);
    if (found < '1' || found > ':' || QLatin1String(kEepromNames[found - '1']) != c.name) {
      end.status = OpStatus::BadInput;
      end.message = Caution(found >= '1' && found <= ':'
                                ? QStringLiteral("The reader found a %1 card, not a %2.")
                                      .arg(QLatin1String(kEepromNames[found - '1']), c.name)
                                : QStringLiteral("The reader found no 24Cxx card."));
      return std::nullopt;
    }
  }
  return ReadHexByte(addressText);
}

constexpr int kSleTries = 3;

// "Verification Password error (6F01)": the status word's text and digits.
QString statusWord(uint16_t word) {
  const QString sw = QStringLiteral("%1").arg(word, 4, 16, QLatin1Char('0')).toUpper();
  return QStringLiteral("%1 (%2)").arg(StatusWordText(sw), sw);
}

// The SLE4442 error counter as tries left; nullopt with `end` set when it cannot be read.
std::optional<int> readTries(Session& s, uint8_t address, RunEnd& end) {
  const CardReply reply = MemoryCardExchange(s, address, kSleCommand, '3', MemoryHeader(0xB0, 0x02, 0x00, 0x04));
  if (reply.status != OpStatus::Done) {
    end.status = reply.status;
    return std::nullopt;
  }
  if (!reply.ok() || reply.data.isEmpty()) {
    end.status = OpStatus::Negative;
    end.message = Caution(QStringLiteral("The card's error counter could not be read: %1. The security code was not "
                                         "presented; nothing was written.")
                              .arg(statusWord(reply.sw)));
    return std::nullopt;
  }
  return Sle4442TriesLeft(static_cast<uint8_t>(reply.data[0]));
}

// Before the code goes to an SLE4442: false (with `r` set) when it must not.
bool codeMayGo(Session& s, uint8_t address, LastCodeTry lastTry, MemoryRestoreResult& r) {
  const auto tries = readTries(s, address, r);
  if (!tries) return false;
  r.triesLeft = *tries;
  if (*tries == 0) {
    r.status = OpStatus::Negative;
    r.message = Caution(QStringLiteral("The card is locked for good: its error counter reads 00, no security code try "
                                       "is left. Nothing was written."));
    return false;
  }
  if (*tries > 1 || lastTry == LastCodeTry::Allow) return true;
  const QString lastOne = QStringLiteral("The card has one security code try left (error counter 01): a wrong code "
                                         "now locks it for good.");
  if (lastTry == LastCodeTry::Ask &&
      s.notifier.askSafe({kCaution, lastOne + CRLF + QStringLiteral("Present the code anyway?")}) == Answer::Yes)
    return true;
  r.status = lastTry == LastCodeTry::Ask ? OpStatus::Cancelled : OpStatus::BadInput;
  r.lastTryRefused = lastTry == LastCodeTry::Refuse;
  r.message = Caution(lastOne + CRLF + QStringLiteral("The code was not presented; nothing was written."));
  return false;
}

}  // namespace

int Sle4442TriesLeft(uint8_t errorCounter) {
  return (errorCounter & 1) + (errorCounter >> 1 & 1) + (errorCounter >> 2 & 1);
}

QString TriesLeftLine(int tries) {
  return QStringLiteral("Security code tries left: %1 of %2").arg(tries).arg(kSleTries);
}

std::optional<MemoryCardModel> MemoryCardByName(const QString& name) {
  const QString n = name.trimmed().toUpper();
  if (n == QLatin1String("SLE4442")) return MemoryCardModel{MemoryCardKind::Sle4442, 256, n};
  if (n == QLatin1String("SLE4428")) return MemoryCardModel{MemoryCardKind::Sle4428, 1024, n};
  for (int i = 0; i < 10; ++i)
    if (n == QLatin1String(kEepromNames[i])) return MemoryCardModel{MemoryCardKind::Eeprom24, 128 << i, n};
  return std::nullopt;
}

bool MemoryDumpResult::complete() const {
  return status == OpStatus::Done && !stopped && refused.isEmpty() && bytesRead == image.size();
}

bool MemoryRestoreResult::complete() const {
  return status == OpStatus::Done && !stopped && refused.isEmpty() && missing.isEmpty() && bytesWritten == size;
}

MemoryDumpResult MemoryDump(Session& s, const QString& addressText, const MemoryCardModel& card,
                            const RunControl& control) {
  MemoryDumpResult r;
  const auto address = powerUp(s, addressText, card, r);
  if (!address) return r;
  r.image = CardImage(card.size);
  const int pieces = (card.size + kReadPiece - 1) / kReadPiece;
  for (int i = 0; i < pieces; ++i) {
    if (control.stop()) {
      r.stopped = true;
      break;
    }
    const int at = i * kReadPiece;
    const int n = std::min(kReadPiece, card.size - at);
    const CardReply reply =
        MemoryCardExchange(s, *address, commandCode(card.kind), parameterCode(card.kind), header(card, 0xB0, at, n));
    if (reply.status != OpStatus::Done) {
      r.status = reply.status;
      break;
    }
    if (reply.ok()) {
      const QByteArray data = reply.data.left(n);
      r.image.set(at, data);
      r.bytesRead += static_cast<int>(data.size());
      if (data.size() < n) r.refused << at + static_cast<int>(data.size());
    } else {
      r.refused << at;
    }
    control.report(i + 1, pieces);
  }
  return r;
}

MemoryRestoreResult MemoryRestore(Session& s, const QString& addressText, const MemoryCardModel& card,
                                  const CardImage& image, const QByteArray& code, const RunControl& control,
                                  LastCodeTry lastTry) {
  MemoryRestoreResult r;
  r.size = card.size;
  const int codeBytes = card.kind == MemoryCardKind::Sle4442 ? 3 : card.kind == MemoryCardKind::Sle4428 ? 2 : 0;
  if (image.size() != card.size || code.size() != codeBytes) {
    r.status = OpStatus::BadInput;
    r.message = Caution(image.size() != card.size
                            ? QStringLiteral("A %1 image holds %2 bytes.").arg(card.name).arg(card.size)
                            : QStringLiteral("The %1 security code has %2 bytes.").arg(card.name).arg(codeBytes));
    return r;
  }
  const auto address = powerUp(s, addressText, card, r);
  if (!address) return r;
  const bool sle4442 = card.kind == MemoryCardKind::Sle4442;
  if (sle4442 && !codeMayGo(s, *address, lastTry, r)) return r;
  if (codeBytes) {
    const QByteArray verify = sle4442 ? MemoryHeader(0x20, 0x03, 0x01, 0x03) : MemoryHeader(0x20, 0x00, 0x00, 0x02);
    const CardReply reply =
        MemoryCardExchange(s, *address, commandCode(card.kind), parameterCode(card.kind), verify + code);
    if (reply.status != OpStatus::Done) {
      r.status = reply.status;
      return r;
    }
    if (!reply.ok()) {
      QString text =
          QStringLiteral("The card did not take the security code: %1. Nothing was written.").arg(statusWord(reply.sw));
      if (sle4442) {
        // The counter as the card now holds it.
        RunEnd again;
        r.triesLeft = readTries(s, *address, again);
        text += CRLF + (!r.triesLeft ? QStringLiteral("The error counter could not be read again.")
                        : *r.triesLeft ? TriesLeftLine(*r.triesLeft)
                                       : QStringLiteral("No security code try is left: the card is locked for good."));
      }
      r.status = OpStatus::Negative;
      r.message = Caution(text);
      return r;
    }
  }
  const int pieces = (card.size + kWritePiece - 1) / kWritePiece;
  for (int i = 0; i < pieces && r.status == OpStatus::Done; ++i) {
    if (control.stop()) {
      r.stopped = true;
      break;
    }
    const int at = i * kWritePiece;
    const int n = std::min(kWritePiece, card.size - at);
    // Each run of bytes the image holds; those it does not hold stay on the card as they are.
    bool missing = false, refused = false;
    for (int k = 0; k < n && r.status == OpStatus::Done;) {
      if (!image.known(at + k)) {
        missing = true;
        ++r.bytesMissing;
        ++k;
        continue;
      }
      int end = k;
      while (end < n && image.known(at + end)) ++end;
      const CardReply reply = MemoryCardExchange(s, *address, commandCode(card.kind), parameterCode(card.kind),
                                                 header(card, 0xD0, at + k, end - k) + image.mid(at + k, end - k));
      if (reply.status != OpStatus::Done) r.status = reply.status;
      else if (reply.ok()) r.bytesWritten += end - k;
      else refused = true;
      k = end;
    }
    if (r.status != OpStatus::Done) break;
    if (missing) r.missing << at;
    if (refused) r.refused << at;
    control.report(i + 1, pieces);
  }
  return r;
}

QString MemoryDumpLine(const MemoryDumpResult& r) {
  QString line = QStringLiteral("Bytes read: %1/%2").arg(r.bytesRead).arg(r.image.size());
  if (!r.refused.isEmpty()) line += QStringLiteral("; refused by the card at ") + addresses(r.refused);
  return line;
}

QString MemoryRestoreLine(const MemoryRestoreResult& r) {
  QString line = QStringLiteral("Bytes written: %1/%2").arg(r.bytesWritten).arg(r.size);
  if (!r.refused.isEmpty()) line += QStringLiteral("; refused by the card at ") + addresses(r.refused);
  if (!r.missing.isEmpty()) line += QStringLiteral("; not in the file at ") + addresses(r.missing);
  return line;
}

}  // namespace kvt
