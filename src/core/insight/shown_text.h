// SPDX-License-Identifier: MIT
#pragma once
// The decodings as the windows show them beside their hex boxes: from the hex text a box
// holds (two digits a byte, blanks allowed) to one text, empty when there is nothing to say.
#include <QString>

namespace kvt::insight {

// The answer to reset decoded, one fact a line ("TS: 3B (direct convention)", ...).
QString AtrDecodingText(const QString& atrHex);
// The answer to select of an ISO/IEC 14443-4 card decoded, one fact a line.
QString AtsDecodingText(const QString& atsHex);
// "SW 9000: ..." of a response APDU (data, then SW1 SW2).
QString ResponseSwText(const QString& responseHex);

}  // namespace kvt::insight
