// SPDX-License-Identifier: MIT
#include "ats.h"

#include <cmath>

#include "byte_walk.h"
#include "core/base/conversions.h"
#include "historical_bytes.h"

namespace kvt::insight {

namespace {

QString spaced(const QByteArray& b) { return HexEntries(b).trimmed(); }

// Frame sizes by FSCI; 0: reserved.
const int kFsc[16] = {16, 24, 32, 40, 48, 64, 96, 128, 256, 512, 1024, 2048, 4096, 0, 0, 0};

// 256 x 16 / fc with fc = 13.56 MHz, in microseconds: the unit of FWT and SFGT.
constexpr double kUnitUs = 4096.0 / 13.56;

QString duration(int exponent) {
  const double us = kUnitUs * std::ldexp(1.0, exponent);
  if (us < 1000.0) return QStringLiteral("%1 µs").arg(std::lround(us));
  return QStringLiteral("%1 ms").arg(us / 1000.0, 0, 'f', 1);
}

QString rates(int bits) {
  QStringList r;
  if (bits & 0x1) r << QStringLiteral("212");
  if (bits & 0x2) r << QStringLiteral("424");
  if (bits & 0x4) r << QStringLiteral("848");
  return r.isEmpty() ? QStringLiteral("106 kbit/s only") : r.join(QStringLiteral(", ")) + QStringLiteral(" kbit/s");
}

QString ta1(uint8_t v) {
  QString s = QStringLiteral("PICC to PCD %1; PCD to PICC %2; %3")
                  .arg(rates(v >> 4 & 0x7), rates(v & 0x7),
                       QLatin1String(v & 0x80 ? "same divisor both ways only" : "different divisors allowed"));
  if (v & 0x08) s += QStringLiteral("; b4 set, RFU");
  return s;
}

QString tb1(uint8_t v) {
  const int fwi = v >> 4, sfgi = v & 0x0F;
  const QString fw = fwi == 15 ? QStringLiteral("FWI=15: RFU") : QStringLiteral("FWI=%1: FWT %2").arg(fwi).arg(duration(fwi));
  QString sfg;
  if (sfgi == 0) sfg = QStringLiteral("SFGI=0: no SFGT");
  else if (sfgi == 15) sfg = QStringLiteral("SFGI=15: RFU");
  else sfg = QStringLiteral("SFGI=%1: SFGT %2").arg(sfgi).arg(duration(sfgi));
  return fw + QStringLiteral("; ") + sfg;
}

QString tc1(uint8_t v) {
  QString s = QStringLiteral("CID %1; NAD %2")
                  .arg(QLatin1String(v & 0x02 ? "supported" : "not supported"),
                       QLatin1String(v & 0x01 ? "supported" : "not supported"));
  if (v & 0xFC) s += QStringLiteral("; bits 8-3 RFU");
  return s;
}

class Decoder : ByteWalk<AtsInfo> {
 public:
  explicit Decoder(const QByteArray& ats) : ByteWalk(ats) {}

  AtsInfo run() {
    if (bytes_.isEmpty()) return fail(QStringLiteral("empty, TL missing"));
    const uint8_t tl = take(QStringLiteral("TL"));
    if (tl == 0) {
      add(QStringLiteral("TL"), QStringLiteral("00 (not a valid length)"));
      return fail(QStringLiteral("decoding stops at the invalid TL"));
    }
    tl_ = tl;
    add(QStringLiteral("TL"), HexByte(tl) + (tl == 1 ? QStringLiteral(" (1 byte: TL alone)") : QStringLiteral(" (%1 bytes)").arg(tl)));
    if (tl > 1) {
      if (!available(QStringLiteral("T0"))) return info_;
      const uint8_t t0 = take(QStringLiteral("T0"));
      const int fsci = t0 & 0x0F;
      info_.fsc = kFsc[fsci] ? kFsc[fsci] : 256;
      QStringList follow;
      for (int k = 0; k < 3; ++k)
        if (t0 & (0x10 << k)) follow << QStringLiteral("T%1%2").arg(QLatin1Char("ABC"[k])).arg(1);
      QString s = HexByte(t0) + QStringLiteral(" (");
      if (follow.isEmpty()) s += QStringLiteral("no interface bytes");
      else s += follow.join(QStringLiteral(", ")) + QLatin1String(follow.size() == 1 ? " follows" : " follow");
      s += kFsc[fsci] ? QStringLiteral("; FSCI=%1: FSC %2 bytes").arg(fsci).arg(kFsc[fsci])
                      : QStringLiteral("; FSCI=%1: RFU").arg(fsci);
      if (t0 & 0x80) s += QStringLiteral("; b8 set, RFU");
      add(QStringLiteral("T0"), s + QLatin1Char(')'));
      for (int k = 0; k < 3; ++k) {
        if (!(t0 & (0x10 << k))) continue;
        const QString name = follow.takeFirst();
        if (!available(name)) return info_;
        const uint8_t v = take(name);
        add(name, HexByte(v) + QStringLiteral(" (") + (k == 0 ? ta1(v) : k == 1 ? tb1(v) : tc1(v)) + QLatin1Char(')'));
      }
    }
    const int k = tl_ - pos_;
    for (int j = 1; j <= k; ++j) {
      if (pos_ >= bytes_.size()) {
        const QString got = QStringLiteral("(%1 of %2 present)").arg(j - 1).arg(k);
        add(QStringLiteral("Historical bytes"), j == 1 ? got : spaced(info_.historical) + QLatin1Char(' ') + got);
        return fail(QStringLiteral("truncated after %1, historical byte %2 of %3 missing").arg(last_).arg(j).arg(k));
      }
      info_.historical.append(static_cast<char>(take(QStringLiteral("historical byte %1").arg(j))));
    }
    add(QStringLiteral("Historical bytes"), k == 0 ? QStringLiteral("none") : spaced(info_.historical));
    info_.facts += DecodeHistoricalBytes(info_.historical);
    if (pos_ < bytes_.size()) {
      const QByteArray rest = bytes_.mid(pos_);
      return fail(QStringLiteral("%1 after the %2 bytes TL counts: %3")
                      .arg(rest.size() == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(rest.size()))
                      .arg(tl_)
                      .arg(spaced(rest)));
    }
    return info_;
  }

 private:
  // Whether the next byte, `name`, is there; if not, says why: TL ends the answer
  // before it, or the bytes ran out.
  bool available(const QString& name) {
    if (pos_ >= tl_) {
      fail(QStringLiteral("TL %1 ends the answer after %2, %3 missing").arg(HexByte(static_cast<uint8_t>(tl_)), last_, name));
      return false;
    }
    if (pos_ >= bytes_.size()) {
      fail(QStringLiteral("truncated after %1, %2 missing").arg(last_, name));
      return false;
    }
    return true;
  }

  int tl_ = 0;
};

}  // namespace

AtsInfo DecodeAts(const QByteArray& ats) { return Decoder(ats).run(); }

QStringList AtsLines(const QByteArray& ats) { return FactLines(DecodeAts(ats).facts); }

}  // namespace kvt::insight
