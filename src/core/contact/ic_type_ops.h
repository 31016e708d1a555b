// SPDX-License-Identifier: MIT
#pragma once
// "IC Card Type" (ICTestTypeCmd): which contact card sits at the IC position.
#include "core/machine/operation.h"

namespace kvt {

// The "IC CARD" tab's inner pages, in their order.
enum class IcPage { CpuSam = 0, Sle4442 = 1, Sle4428 = 2, Eeprom24 = 3 };

struct IcTypeInfo {
  const char* code;  // two characters as the reader sends them
  const char* text;
  IcPage page;
};
// The known type codes; "00" (no page) is not among them.
extern const IcTypeInfo kIcTypes[13];

struct IcTypeOutcome : Outcome {
  // For a known card type: bring "IC CARD" and then this inner page to the front, before
  // the message appears.
  std::optional<IcPage> page;
};

// The box text for a code (spaces trimmed): "Unknow Type" for "00", "Unknow Error" for
// codes not in the table.
QString IcTypeText(const QString& code);

IcTypeOutcome IcCardType(Session& s, const QString& addressText);

}  // namespace kvt
