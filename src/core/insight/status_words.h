// SPDX-License-Identifier: MIT
#pragma once
// Meaning of a card's status word SW1 SW2 (the last two bytes of a response APDU), after
// ISO/IEC 7816-4 and the common GSM SIM values.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace kvt::insight {

// "File or application not found"; unknown values give "unknown (" + the class of SW1 + ")",
// e.g. "unknown (6E: class not supported)" or "unknown (9x: application-specific)".
QString SwMeaning(uint8_t sw1, uint8_t sw2);

// "SW 6A82: File or application not found".
QString SwLine(uint8_t sw1, uint8_t sw2);

// The SW line of a response APDU (data, then SW1 SW2); nothing when it holds fewer than
// two bytes.
std::optional<QString> ResponseSwLine(const QByteArray& response);

// Whether a reader command carries an APDU to a card, so that the data of its positive
// reply is a response APDU: the contact CPU card (51h, parameters "3", "4", "9"), the SAM
// (52h, "9") and the ISO/IEC 14443 Type A and B cards (60h, "4", "5").
bool CommandCarriesApdu(uint8_t command, uint8_t parameter);

}  // namespace kvt::insight
