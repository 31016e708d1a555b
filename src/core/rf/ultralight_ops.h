// SPDX-License-Identifier: MIT
#pragma once
// The "Ultralight" page: one 4-byte page read into, or written from, ULTextLIST.
#include "rf_ops.h"

namespace kvt {

constexpr int kUltralightPages = 16;    // ULSecNumberCombo: "00" to "0F"
constexpr int kUltralightPageBytes = 4;  // ULTextLIST cells

struct PageReadOutcome : Outcome {
  QStringList cells;  // with "9000": the texts of ULTextLIST cells 0 to 3
};
// ULCmdRread "Read Block Data": 00 B0 PAGE 00 01.
PageReadOutcome UltralightRead(Session& s, const QString& addressText, int page);
// ULCmdRwrite "Write Block Data": 00 D1 PAGE 00 01 and the 4 cells. Refuses a cell
// without two digits and the vendor pages 0 and 1; asks before writing page 2.
Outcome UltralightWrite(Session& s, const QString& addressText, int page, const QStringList& cells);

}  // namespace kvt
