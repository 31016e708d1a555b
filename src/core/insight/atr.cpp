// SPDX-License-Identifier: MIT
#include "atr.h"

#include "byte_walk.h"
#include "core/base/conversions.h"
#include "historical_bytes.h"
#include "known_atrs.h"

namespace kvt::insight {

namespace {

QString spaced(const QByteArray& b) { return HexEntries(b).trimmed(); }

QString count(int n, const char* one, const char* many) {
  return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

// Clock rate conversion factor Fi with its f max in MHz, and the baud rate adjustment
// factor Di, by the nibbles of TA1 (ISO/IEC 7816-3, tables 7 and 8); null: reserved.
const char* const kFi[16] = {"372", "372", "558", "744", "1116", "1488", "1860", nullptr,
                             nullptr, "512", "768", "1024", "1536", "2048", nullptr, nullptr};
const char* const kFmax[16] = {"4", "5", "6", "8", "12", "16", "20", nullptr,
                               nullptr, "5", "7.5", "10", "15", "20", nullptr, nullptr};
const char* const kDi[16] = {nullptr, "1", "2", "4", "8", "16", "32", "64",
                             "12", "20", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};

// What a protocol number T stands for (ISO/IEC 7816-3, 8.2.3); null for T=0, T=1, T=14.
const char* ReservedProtocol(int t) {
  if (t == 2 || t == 3) return "reserved for future full-duplex operations";
  if (t == 4) return "reserved for an enhanced half-duplex transmission of characters";
  if (t >= 5 && t <= 13) return "reserved for future use";
  return nullptr;
}

// Warnings on an interface byte go in `w`, each a line of its own after the byte's.
QString ta1(uint8_t v, QStringList& w) {
  const char* fi = kFi[v >> 4];
  const char* di = kDi[v & 0x0F];
  if (!fi) w << QStringLiteral("Fi code %1 is reserved for future use").arg(v >> 4);
  if (!di) w << QStringLiteral("Di code %1 is reserved for future use").arg(v & 0x0F);
  QString s = QStringLiteral("Fi=%1, Di=%2").arg(QLatin1String(fi ? fi : "RFU"), QLatin1String(di ? di : "RFU"));
  if (fi) s += QStringLiteral(", f max %1 MHz").arg(QLatin1String(kFmax[v >> 4]));
  return s;
}

QString tb1(uint8_t v) {
  if (v == 0) return QStringLiteral("no Vpp");
  const int pi1 = v & 0x1F, ii = (v >> 5) & 0x03;
  if (pi1 == 0) return QStringLiteral("Vpp not connected; deprecated");
  static const char* const current[4] = {"25 mA", "50 mA", "100 mA", "current RFU"};
  const QString volts = pi1 >= 5 && pi1 <= 25 ? QStringLiteral("%1 V").arg(pi1) : QStringLiteral("PI1=%1 RFU").arg(pi1);
  return QStringLiteral("Vpp %1, %2; deprecated").arg(volts, QLatin1String(current[ii]));
}

QString tc1(uint8_t v) {
  if (v == 0xFF) return QStringLiteral("N=255: minimum guard time, 12 etu under T=0, 11 etu under T=1");
  return QStringLiteral("extra guard time N=%1 etu").arg(v);
}

QString ta2(uint8_t v, QStringList& w) {
  if (const char* reserved = ReservedProtocol(v & 0x0F))
    w << QStringLiteral("specific mode T=%1 is %2").arg(v & 0x0F).arg(QLatin1String(reserved));
  if ((v & 0x0F) == 15) w << QStringLiteral("specific mode T=15 names no protocol");
  if (v & 0x60) w << QStringLiteral("bits 7-6 are reserved for future use and should be 0");
  return QStringLiteral("specific mode T=%1; mode %2; %3")
      .arg(v & 0x0F)
      .arg(QLatin1String(v & 0x80 ? "not changeable" : "changeable"),
           QLatin1String(v & 0x10 ? "implicit Fi/Di" : "Fi/Di from TA1"));
}

QString tb2(uint8_t v) {
  if (v >= 50 && v <= 250) return QStringLiteral("Vpp %1 V; deprecated").arg(v / 10.0, 0, 'f', 1);
  return QStringLiteral("Vpp PI2=%1 RFU; deprecated").arg(v);
}

QString tc2(uint8_t v, QStringList& w) {
  if (v == 0) w << QStringLiteral("WI=0 is reserved for future use");
  return v == 0 ? QStringLiteral("T=0 waiting time integer WI=0, RFU")
                : QStringLiteral("T=0 waiting time integer WI=%1").arg(v);
}

// The first TA, TB and TC for T=1: IFSC, BWI/CWI, error detection code.
QString t1Parameter(int kind, uint8_t v, QStringList& w) {
  if (kind == 0) {
    if (v == 0x00 || v == 0xFF) w << QStringLiteral("IFSC %1 is reserved for future use").arg(v);
    if (v == 0x00 || v == 0xFF) return QStringLiteral("T=1 IFSC %1: RFU").arg(v);
    return QStringLiteral("T=1 IFSC %1 bytes").arg(v);
  }
  if (kind == 1) {
    const int bwi = v >> 4, cwi = v & 0x0F;
    if (bwi > 9) w << QStringLiteral("BWI=%1 is reserved for future use").arg(bwi);
    return QStringLiteral("T=1 BWI=%1%2, CWI=%3, CWT %4 etu")
        .arg(bwi)
        .arg(QLatin1String(bwi > 9 ? " RFU" : ""))
        .arg(cwi)
        .arg(11 + (1 << cwi));
  }
  QString s = QStringLiteral("T=1 error detection %1").arg(QLatin1String(v & 0x01 ? "CRC" : "LRC"));
  if (v & 0xFE) {
    s += QStringLiteral("; bits 8-2 RFU");
    w << QStringLiteral("bits 8-2 are reserved for future use and should be 0");
  }
  return s;
}

// The first TA and TB for T=15: clock stop and class indicator, use of contact C6.
QString t15Parameter(int kind, uint8_t v, QStringList& w) {
  if (kind == 0) {
    static const char* const stop[4] = {"clock stop not supported", "clock stop in state L", "clock stop in state H",
                                        "clock stop in either state"};
    QStringList classes;
    if (v & 0x01) classes << QStringLiteral("A (5 V)");
    if (v & 0x02) classes << QStringLiteral("B (3 V)");
    if (v & 0x04) classes << QStringLiteral("C (1.8 V)");
    QString s = QLatin1String(stop[v >> 6]) + QStringLiteral("; ");
    if (classes.isEmpty()) s += QStringLiteral("no class indicated");
    else s += QLatin1String(classes.size() == 1 ? "class " : "classes ") + classes.join(QStringLiteral(", "));
    if (v & 0x38) {
      s += QStringLiteral("; class bits 6-4 RFU");
      w << QStringLiteral("class bits 6-4 are reserved for future use and should be 0");
    }
    return s;
  }
  if (v == 0) return QStringLiteral("SPU: contact C6 not used");
  if (v & 0x80) return QStringLiteral("SPU: proprietary use of contact C6");
  return QStringLiteral("SPU: standard use of contact C6 (%1)").arg(HexByte(v));
}

// The bytes of group i named by the presence nibble y: "TA2, TD2".
QString present(int y, int i) {
  QStringList names;
  for (int k = 0; k < 4; ++k)
    if (y & (1 << k)) names << QStringLiteral("T%1%2").arg(QLatin1Char("ABCD"[k])).arg(i);
  return names.join(QStringLiteral(", "));
}

QString follows(int y, int i, const char* none) {
  if (y == 0) return QLatin1String(none);
  return present(y, i) + QLatin1String((y & (y - 1)) == 0 ? " follows" : " follow");
}

class Decoder : ByteWalk<AtrInfo> {
 public:
  explicit Decoder(const QByteArray& atr) : ByteWalk(atr) {}

  AtrInfo run() {
    if (bytes_.isEmpty()) return fail(QStringLiteral("empty, TS missing"));
    const uint8_t ts = take(QStringLiteral("TS"));
    if (ts != 0x3B && ts != 0x3F) {
      add(QStringLiteral("TS"), HexByte(ts) + QStringLiteral(" (not a valid TS; 3B or 3F expected)"));
      return fail(QStringLiteral("decoding stops at the invalid TS"));
    }
    info_.validTs = true;
    info_.inverseConvention = ts == 0x3F;
    add(QStringLiteral("TS"), HexByte(ts) + QLatin1String(ts == 0x3B ? " (direct convention)" : " (inverse convention)"));
    if (!more()) return truncated(QStringLiteral("T0"));
    const uint8_t t0 = take(QStringLiteral("T0"));
    const int k = t0 & 0x0F;
    info_.historicalCount = k;
    add(QStringLiteral("T0"), HexByte(t0) + QStringLiteral(" (%1; %2)").arg(
                                  follows(t0 >> 4, 1, "no interface bytes"),
                                  k == 0 ? QStringLiteral("no historical bytes")
                                         : count(k, "historical byte", "historical bytes")));
    if (!interfaceBytes(t0 >> 4)) return info_;

    if (info_.protocols.isEmpty()) info_.protocols << 0;
    QStringList names;
    for (int t : info_.protocols) names << QStringLiteral("T=%1").arg(t);
    add(QStringLiteral("Protocols"), names.join(QStringLiteral(", ")));

    for (int j = 1; j <= k; ++j) {
      if (!more()) {
        const QString got = QStringLiteral("(%1 of %2 present)").arg(j - 1).arg(k);
        add(QStringLiteral("Historical bytes"), j == 1 ? got : spaced(info_.historical) + QLatin1Char(' ') + got);
        return truncated(QStringLiteral("historical byte %1 of %2").arg(j).arg(k));
      }
      info_.historical.append(static_cast<char>(take(QStringLiteral("historical byte %1").arg(j))));
    }
    add(QStringLiteral("Historical bytes"), k == 0 ? QStringLiteral("none") : spaced(info_.historical));
    info_.facts += DecodeHistoricalBytes(info_.historical);

    if (info_.tckRequired) {
      if (!more()) return truncated(QStringLiteral("TCK"));
      uint8_t expected = 0;
      for (int i = 1; i < pos_; ++i) expected ^= static_cast<uint8_t>(bytes_.at(i));
      const uint8_t tck = take(QStringLiteral("TCK"));
      info_.tck = tck;
      info_.tckOk = tck == expected;
      add(QStringLiteral("TCK"), info_.tckOk ? QStringLiteral("ok")
                                             : QStringLiteral("wrong (expected %1)").arg(HexByte(expected)));
    } else {
      add(QStringLiteral("TCK"), QStringLiteral("absent"));
    }
    if (more()) {
      const QByteArray rest = bytes_.mid(pos_);
      return fail(QStringLiteral("%1 after the end of the answer to reset: %2")
                      .arg(count(rest.size(), "byte", "bytes"), spaced(rest)));
    }
    return info_;
  }

 private:
  bool more() const { return pos_ < bytes_.size(); }
  AtrInfo truncated(const QString& missing) {
    return fail(QStringLiteral("truncated after %1, %2 missing").arg(last_, missing));
  }

  // TA1 .. TDn; false (with the error added) when the ATR ends among them.
  bool interfaceBytes(int y) {
    int prevT = -1;       // the protocol named by the TD before this group
    int seenT1[3] = {0};  // TA, TB, TC met so far for T=1, and for T=15
    int seenT15[3] = {0};
    for (int i = 1;; ++i) {
      for (int kind = 0; kind < 3; ++kind) {
        if (!(y & (1 << kind))) continue;
        const QString name = QStringLiteral("T%1%2").arg(QLatin1Char("ABC"[kind])).arg(i);
        if (!more()) {
          truncated(name);
          return false;
        }
        const uint8_t v = take(name);
        QStringList w;
        add(name, HexByte(v) + QStringLiteral(" (") + meaning(kind, i, prevT, v, seenT1, seenT15, w) + QLatin1Char(')'));
        warn(name, w);
      }
      if (!(y & 0x8)) return true;
      const QString name = QStringLiteral("TD%1").arg(i);
      if (!more()) {
        truncated(name);
        return false;
      }
      const uint8_t td = take(name);
      const int t = td & 0x0F;
      y = td >> 4;
      add(name, HexByte(td) + QStringLiteral(" (T=%1 next; %2)").arg(t).arg(follows(y, i + 1, "no more interface bytes")));
      QStringList w;
      if (t == 15 && i == 1)
        w << QStringLiteral("T=15 is invalid in TD1 (it names no protocol; from TD2 on it marks global interface bytes)");
      if (const char* reserved = ReservedProtocol(t)) w << QStringLiteral("T=%1 is %2").arg(t).arg(QLatin1String(reserved));
      warn(name, w);
      if (t != 0) info_.tckRequired = true;
      if (t != 15 && !info_.protocols.contains(t)) info_.protocols << t;
      prevT = t;
    }
  }

  // The byte's "Warning" lines, after its own.
  void warn(const QString& name, const QStringList& w) {
    for (const QString& text : w) {
      info_.warnings << name + QStringLiteral(": ") + text;
      add(QStringLiteral("Warning"), info_.warnings.last());
    }
  }

  static QString meaning(int kind, int i, int prevT, uint8_t v, int* seenT1, int* seenT15, QStringList& w) {
    if (i == 1) return kind == 0 ? ta1(v, w) : kind == 1 ? tb1(v) : tc1(v);
    if (i == 2) return kind == 0 ? ta2(v, w) : kind == 1 ? tb2(v) : tc2(v, w);
    if (prevT == 1 && seenT1[kind]++ == 0) return t1Parameter(kind, v, w);
    if (prevT == 15 && kind < 2 && seenT15[kind]++ == 0) return t15Parameter(kind, v, w);
    return QStringLiteral("T=%1 parameter, not interpreted").arg(prevT);
  }
};

}  // namespace

AtrInfo DecodeAtr(const QByteArray& atr) { return Decoder(atr).run(); }

QStringList AtrLines(const QByteArray& atr) { return FactLines(DecodeAtr(atr).facts) + KnownAtrLines(atr); }

}  // namespace kvt::insight
