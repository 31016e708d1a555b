// SPDX-License-Identifier: MIT
#pragma once
// Decoding of a contactless card's answer to select (ISO/IEC 14443-4): TL, the format
// byte T0, the interface bytes TA1, TB1, TC1 and the historical bytes.
#include <QByteArray>
#include <QList>
#include <QStringList>
#include <optional>

#include "fact.h"

namespace kvt::insight {

struct AtsInfo {
  // Every line in order: "TL", "T0", "TA1", "TB1", "TC1", "Historical bytes", the facts of
  // the historical bytes; an "Error" fact last where the answer breaks.
  QList<Fact> facts;
  int fsc = 32;                  // frame size for the card, from FSCI (32 when T0 is absent)
  QByteArray historical;         // the historical bytes that came
  std::optional<QString> error;  // where the answer breaks, or what follows its end
};

// The answer as the reader hands it over: from TL on, without CRC.
AtsInfo DecodeAts(const QByteArray& ats);

// "TB1: 81 (FWI=8: FWT 77.3 ms; SFGI=1: SFGT 604 µs)" style lines.
QStringList AtsLines(const QByteArray& ats);

}  // namespace kvt::insight
