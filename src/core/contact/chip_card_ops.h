// SPDX-License-Identifier: MIT
#pragma once
// The CPU card window (command "Q", KVT_730_B_CPUCARD) and the SAM card window (command
// "R", KVT_730_B_SimCard): cold and warm reset, card status, deactivation and one APDU;
// the SAM window also chooses the SAM socket. One set of functions serves both windows.
#include "core/machine/operation.h"

namespace kvt {

enum class ChipGroup : uint8_t { Cpu = 0x51, Sam = 0x52 };
enum class SupplyProfile { Emv2000, Iso7816 };  // "Cold Reset Option" index 0 and 1
enum class ApduProtocol { T0, T1, Auto };       // CardTypeOption index 0, 1, 2

constexpr int kMaxApduBytes = 252;  // the frame's length byte holds 3 + the APDU

struct ChipOutcome : Outcome {
  std::optional<QString> resetText;  // new text of ResetTextBack (the answer to reset)
  std::optional<QString> backText;   // new text of BackText (the response)
};

// The CmdText entries, in their order.
QStringList CpuApduEntries();
QStringList SamApduEntries();

enum class ApduTextError { None, OddLength, NotHex, TooLong };
// An APDU text as bytes: an even number of characters, read in pairs from the text with
// its surrounding spaces trimmed; at most kMaxApduBytes bytes. Empty text is no bytes.
ApduTextError ConvertApduText(const QString& text, QByteArray* out);

// The socket byte for "SAM 1" .. "SAM 14" (exact text): "0" + n - 1; nullopt otherwise.
std::optional<uint8_t> SamNumberByte(const QString& samText);

// "Cold Reset": the profile's data byte "0" or "3". A card refused under the EMV profile
// ("69") gets its own message instead of the negative-reply text.
ChipOutcome ColdReset(Session& s, const QString& addressText, ChipGroup g, SupplyProfile p);
ChipOutcome WarmReset(Session& s, const QString& addressText, ChipGroup g);
// "Card Status" and "Deactivate" check the port first, the other buttons do not (their
// windows only open with the port open).
Outcome ChipCardStatus(Session& s, const QString& addressText, ChipGroup g);
Outcome ChipDeactivate(Session& s, const QString& addressText, ChipGroup g);
// "Send APDU": parameter "3" T=0, "4" T=1, "9" auto; the SAM window always sends "9".
ChipOutcome SendApdu(Session& s, const QString& addressText, ChipGroup g, ApduProtocol p, const QString& apduText);
// "Choose SAM".
ChipOutcome ChooseSam(Session& s, const QString& addressText, const QString& samText);

}  // namespace kvt
