// SPDX-License-Identifier: MIT
#pragma once
// Decoding of a contact card's answer to reset (ISO/IEC 7816-3): TS, T0, the interface
// bytes, the offered protocols, the historical bytes and the check byte TCK.
#include <QByteArray>
#include <QList>
#include <QStringList>
#include <cstdint>
#include <optional>

#include "fact.h"

namespace kvt::insight {

struct AtrInfo {
  // Every line in order: "TS", "T0", "TA1".."TDn", "Protocols", "Historical bytes", the
  // facts of the historical bytes, "TCK"; an "Error" fact last where the ATR breaks. A byte
  // that ISO/IEC 7816-3 forbids or reserves is followed by "Warning" facts.
  QList<Fact> facts;
  bool validTs = false;
  bool inverseConvention = false;  // TS 3F
  QList<int> protocols;            // offered, in order, T=15 left out; {0} when no TD names one
  bool tckRequired = false;        // some TD names a protocol other than T=0
  std::optional<uint8_t> tck;      // the check byte, when it came
  bool tckOk = false;              // T0 .. TCK XOR to 00
  int historicalCount = 0;         // K, from T0
  QByteArray historical;           // the historical bytes that came (fewer than K when cut short)
  std::optional<QString> error;    // where the ATR breaks, or what follows its end
  QStringList warnings;            // "TD1: T=15 is invalid in TD1 ...", as the Warning facts say
};

AtrInfo DecodeAtr(const QByteArray& atr);

// "TA1: 95 (Fi=512, Di=16, f max 5 MHz)" style lines of the decoding, then one
// "Known as: ..." line per description the known-ATR list holds for this ATR.
QStringList AtrLines(const QByteArray& atr);

}  // namespace kvt::insight
