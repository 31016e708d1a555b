// SPDX-License-Identifier: MIT
#pragma once
// The memory buttons of the "SLE4442" page. All go out as command "S" parameter "3" with
// an APDU-style header (00, INS, P1, P2, length) and data; the power buttons are in
// contact_ops.h.
#include "contact_ops.h"

namespace kvt {

// The page's text fields as typed.
struct Sle4442Fields {
  QString address = QStringLiteral("00");  // SL4442Add1
  QString length = QStringLiteral("80");   // SL4442Long
  // SL4442Pass1..3: the transport code of new cards.
  QString pass1 = QStringLiteral("FF"), pass2 = QStringLiteral("FF"), pass3 = QStringLiteral("FF");
};

enum class Sle4442Op {
  Verify,           // SL4442Pass "Verification Password": 00 20 03 01 03 PSC
  ChangeCode,       // SL4442Change "Change Password": 00 D0 02 01 03 PSC
  ReadSecurity,     // SL4442ReadAnquan "Read Security Memory": 00 B0 02 00 04
  ReadMain,         // SL4442ReadCenChu "Read Main Memory": 00 B0 00 Add Long
  ReadProtection,   // SL4442ReadBaoHu "Read Protection Memory": 00 B0 01 Add Long
  WriteMain,        // SL4442WriteCenChu "Write Main Memory": 00 D0 00 Add Long, data
  WriteProtection,  // SL4442WriteBaoHu "Write Protection Memory": 00 D0 01 Add Long, data
};

// One button; `cells` are the texts of the ICText grid (read by the writes).
GridOutcome RunSle4442(Session& s, const QString& addressText, Sle4442Op op, const Sle4442Fields& f,
                       const QStringList& cells = {}, const GridClear& clearNow = {});

}  // namespace kvt
