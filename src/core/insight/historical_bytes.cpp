// SPDX-License-Identifier: MIT
#include "historical_bytes.h"

#include "core/base/conversions.h"
#include "status_words.h"

namespace kvt::insight {

namespace {

QString spaced(const QByteArray& b) { return HexEntries(b).trimmed(); }

uint8_t at(const QByteArray& b, int i) { return static_cast<uint8_t>(b.at(i)); }

const char* const kErrorName = "Historical bytes error";

// Names of the compact-TLV tags, by the tag's high nibble.
QString objectName(int tag) {
  switch (tag) {
    case 0x1: return QStringLiteral("Country code");
    case 0x2: return QStringLiteral("Issuer identification");
    case 0x3: return QStringLiteral("Card service data");
    case 0x4: return QStringLiteral("Initial access data");
    case 0x5: return QStringLiteral("Card issuer's data");
    case 0x6: return QStringLiteral("Pre-issuing data");
    case 0x7: return QStringLiteral("Card capabilities");
    case 0x8: return QStringLiteral("Status indicator");
    case 0xF: return QStringLiteral("Application identifier");
    default: return QStringLiteral("Compact-TLV tag %1").arg(QString::number(tag, 16).toUpper());
  }
}

// A status indicator: life cycle status, status word, or both.
void statusIndicator(const QByteArray& v, QList<Fact>& out) {
  QString shown = v.isEmpty() ? QStringLiteral("(empty)") : spaced(v);
  if (v.size() > 3) shown += QStringLiteral(" (more than 3 bytes: not decoded)");
  out.push_back({QStringLiteral("Status indicator"), shown});
  if (v.size() == 1 || v.size() == 3) {
    out.push_back({QStringLiteral("Life cycle status"), HexByte(at(v, 0)) + QStringLiteral(" (") +
                                                            LifeCycleStatusText(at(v, 0)) + QLatin1Char(')')});
  }
  if (v.size() == 2 || v.size() == 3) {
    const uint8_t sw1 = at(v, v.size() - 2), sw2 = at(v, v.size() - 1);
    out.push_back({QStringLiteral("SW ") + HexByte(sw1) + HexByte(sw2), SwMeaning(sw1, sw2)});
  }
}

// Standards of the PC/SC registered application identifier of storage cards.
QString storageStandard(uint8_t ss) {
  switch (ss) {
    case 0x01: return QStringLiteral("ISO/IEC 14443-1 type A");
    case 0x02: return QStringLiteral("ISO/IEC 14443-2 type A");
    case 0x03: return QStringLiteral("ISO/IEC 14443-3 type A");
    case 0x05: return QStringLiteral("ISO/IEC 14443-1 type B");
    case 0x06: return QStringLiteral("ISO/IEC 14443-2 type B");
    case 0x07: return QStringLiteral("ISO/IEC 14443-3 type B");
    case 0x09: return QStringLiteral("ISO/IEC 15693-1");
    case 0x0A: return QStringLiteral("ISO/IEC 15693-2");
    case 0x0B: return QStringLiteral("ISO/IEC 15693-3");
    case 0x0C: return QStringLiteral("ISO/IEC 15693-4");
    case 0x11: return QStringLiteral("FeliCa");
    default: return QStringLiteral("not named here");
  }
}

QString storageCardName(uint16_t nn) {
  switch (nn) {
    case 0x0001: return QStringLiteral("Mifare Classic 1K");
    case 0x0002: return QStringLiteral("Mifare Classic 4K");
    case 0x0003: return QStringLiteral("Mifare Ultralight");
    case 0x0026: return QStringLiteral("Mifare Mini");
    default: return QStringLiteral("not named here");
  }
}

// Contactless storage cards seen through a PC/SC reader carry, after category 80, the
// application identifier as a BER-TLV object 4F (RID A0 00 00 03 06, standard, card name).
bool storageCardIdentifier(const QByteArray& b, QList<Fact>& out) {
  if (b.size() < 3 || at(b, 1) != 0x4F || at(b, 2) + 3 != b.size()) return false;
  const QByteArray aid = b.mid(3);
  out.push_back({QStringLiteral("Application identifier"), aid.isEmpty() ? QStringLiteral("(empty)") : spaced(aid)});
  if (aid.size() >= 8 && aid.startsWith(QByteArray::fromHex("A000000306"))) {
    out.push_back({QStringLiteral("Card standard"),
                   HexByte(at(aid, 5)) + QStringLiteral(" (") + storageStandard(at(aid, 5)) + QLatin1Char(')')});
    const uint16_t nn = static_cast<uint16_t>(at(aid, 6) << 8 | at(aid, 7));
    out.push_back({QStringLiteral("Card name"),
                   spaced(aid.mid(6, 2)) + QStringLiteral(" (") + storageCardName(nn) + QLatin1Char(')')});
  }
  return true;
}

// Compact-TLV objects in bytes [from, to).
void objects(const QByteArray& b, int from, int to, QList<Fact>& out) {
  int pos = from;
  while (pos < to) {
    const uint8_t head = at(b, pos);
    const int tag = head >> 4, len = head & 0x0F;
    if (pos + 1 + len > to) {
      out.push_back({QLatin1String(kErrorName),
                     QStringLiteral("object %1 at historical byte %2 needs %3, %4 left")
                         .arg(HexByte(head))
                         .arg(pos + 1)
                         .arg(len == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(len))
                         .arg(to - pos - 1)});
      return;
    }
    const QByteArray value = b.mid(pos + 1, len);
    if (tag == 0x8) statusIndicator(value, out);
    else out.push_back({objectName(tag), len == 0 ? QStringLiteral("(empty)") : spaced(value)});
    pos += 1 + len;
  }
}

bool printable(const QByteArray& b) {
  for (char c : b)
    if (c < 0x20 || c > 0x7E) return false;
  return true;
}

}  // namespace

QString LifeCycleStatusText(uint8_t lcs) {
  if (lcs == 0x00) return QStringLiteral("no information given");
  if (lcs == 0x01) return QStringLiteral("creation state");
  if (lcs == 0x03) return QStringLiteral("initialisation state");
  if ((lcs & 0xFD) == 0x05) return QStringLiteral("operational state, activated");
  if ((lcs & 0xFD) == 0x04) return QStringLiteral("operational state, deactivated");
  if ((lcs & 0xFC) == 0x0C) return QStringLiteral("termination state");
  if (lcs >= 0x10) return QStringLiteral("proprietary");
  return QStringLiteral("reserved for future use");
}

QList<Fact> DecodeHistoricalBytes(const QByteArray& b) {
  QList<Fact> out;
  if (b.isEmpty()) return out;
  const uint8_t category = at(b, 0);
  const QString cat = HexByte(category);
  const QString name = QStringLiteral("Category indicator");
  switch (category) {
    case 0x00:
      out.push_back({name, cat + QStringLiteral(" (compact-TLV data objects, then a status indicator)")});
      if (b.size() < 4) {
        out.push_back({QLatin1String(kErrorName),
                       QStringLiteral("the status indicator needs 3 bytes after the category, %1 left").arg(b.size() - 1)});
        return out;
      }
      objects(b, 1, b.size() - 3, out);
      statusIndicator(b.right(3), out);
      return out;
    case 0x80:
      out.push_back({name, cat + QStringLiteral(" (compact-TLV data objects)")});
      if (!storageCardIdentifier(b, out)) objects(b, 1, b.size(), out);
      return out;
    case 0x10:
      out.push_back({name, cat + QStringLiteral(" (DIR data reference)")});
      if (b.size() < 2) {
        out.push_back({QLatin1String(kErrorName), QStringLiteral("the DIR data reference is missing")});
        return out;
      }
      out.push_back({QStringLiteral("DIR data reference"), HexByte(at(b, 1))});
      if (b.size() > 2)
        out.push_back({QLatin1String(kErrorName),
                       QStringLiteral("%1 after the DIR data reference: %2")
                           .arg(b.size() == 3 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(b.size() - 2))
                           .arg(spaced(b.mid(2)))});
      return out;
    default:
      break;
  }
  if (category > 0x80 && category <= 0x8F) {
    out.push_back({name, cat + QStringLiteral(" (reserved for future use)")});
    return out;
  }
  out.push_back({name, cat + QStringLiteral(" (proprietary)")});
  if (b.size() > 1 && printable(b)) out.push_back({QStringLiteral("As text"), QString::fromLatin1(b)});
  return out;
}

QStringList HistoricalBytesLines(const QByteArray& bytes) { return FactLines(DecodeHistoricalBytes(bytes)); }

}  // namespace kvt::insight
