// SPDX-License-Identifier: MIT
#pragma once
// The memory buttons of the "SLE4428" page: command "S" parameter "4" with an APDU-style
// header (00, INS, P1, P2, length) and data. The power buttons are those of the SLE4442
// page (contact_ops.h).
#include "contact_ops.h"

namespace kvt {

struct Sle4428Fields {
  QString high = QStringLiteral("00");    // SL4428Add1, 00 to 03
  QString low = QStringLiteral("00");     // SL4428Add2
  QString length = QStringLiteral("80");  // SL4428Long
  // SL4428Pass1, SL4428Pass2: the transport code of new cards.
  QString pass1 = QStringLiteral("FF"), pass2 = QStringLiteral("FF");
};

enum class Sle4428Op {
  CheckCode,       // SL4428PASS "Check Password": 00 20 00 00 02 PSC
  ChangeCode,      // SL4428CHANGE "Change Password": 00 24 00 00 02 PSC
  ReadMain,        // SL4428READAREA "Read Main Memory": 00 B0 Add1 Add2 Long
  ReadProtection,  // SL4428READBIT "Read Protection Memory": 00 B0 10 Add2 Long
  Write,           // SL4428WRITEAREA1 "Write Without Protection Bit": 00 D0 (00 + H) Add2 Long, data
  WriteProtected,  // SL4428WRITEAREA2 "Write With Protection Bit": 00 D0 (20 + H) Add2 Long, data
};

// H of the writes: the second character of the high address text read as one hex digit.
// A one-character text is taken as that digit with a leading zero ("3" writes like "03").
std::optional<uint8_t> Sle4428HighNibble(const QString& highText);

// One button. The writes warn "Address out of range" when the high address is above 3
// and go on.
GridOutcome RunSle4428(Session& s, const QString& addressText, Sle4428Op op, const Sle4428Fields& f,
                       const QStringList& cells = {}, const GridClear& clearNow = {});

}  // namespace kvt
