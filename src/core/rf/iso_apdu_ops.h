// SPDX-License-Identifier: MIT
#pragma once
// "Send APDU" of the "ISO/IEC 14443 TYPE A" and "ISO/IEC 14443 TYPE B" pages: one command
// APDU to the activated CPU card, 0x60 "4" (Type A) or "5" (Type B), the APDU bytes as the
// frame's data.
#include "rf_ops.h"

namespace kvt {

enum class IsoType : uint8_t { A = '4', B = '5' };

// The items of TypeACAPDUText and TypeBCAPDUText, and the text they start with.
QStringList IsoApduEntries();
extern const QString kDefaultIsoApdu;  // "00A40000023F00"

struct IsoApduOutcome : Outcome {
  bool clearResponse = false;  // once the port check passed: empty the "Return Information" box
  QString response;            // then this: the response APDU as hex (positive reply)
};
// An odd number of digits, a non-hex digit or more than 252 bytes is refused with
// "Error:Please Check The Data Effective", nothing sent.
IsoApduOutcome SendIsoApdu(Session& s, const QString& addressText, IsoType type, const QString& apduText);

}  // namespace kvt
