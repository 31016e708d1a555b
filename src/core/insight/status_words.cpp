// SPDX-License-Identifier: MIT
#include "status_words.h"

#include <QHash>

#include "core/base/conversions.h"

namespace kvt::insight {

namespace {

// Values with one fixed meaning.
const QHash<uint16_t, QString>& exactTable() {
  static const QHash<uint16_t, QString> t = [] {
    const struct {
      uint16_t sw;
      const char* text;
    } rows[] = {
        {0x9000, "Normal processing"},
        {0x6200, "No information given (warning, memory unchanged)"},
        {0x6281, "Part of returned data may be corrupted"},
        {0x6282, "End of file or record reached before reading Ne bytes"},
        {0x6283, "Selected file deactivated"},
        {0x6284, "File control information not correctly formatted"},
        {0x6285, "Selected file in termination state"},
        {0x6286, "No input data available from a sensor on the card"},
        {0x6287, "At least one of the referenced records is deactivated"},
        {0x6300, "No information given (warning, memory changed)"},
        {0x6381, "File filled up by the last write"},
        {0x6400, "Execution error (memory unchanged)"},
        {0x6401, "Immediate response required by the card"},
        {0x6481, "Logical channel shared access denied"},
        {0x6482, "Logical channel opening denied"},
        {0x6500, "No information given (error, memory changed)"},
        {0x6581, "Memory failure"},
        {0x6600, "Security-related issue"},
        {0x6700, "Wrong length"},
        {0x6800, "Functions in CLA not supported"},
        {0x6881, "Logical channel not supported"},
        {0x6882, "Secure messaging not supported"},
        {0x6883, "Last command of the chain expected"},
        {0x6884, "Command chaining not supported"},
        {0x6900, "Command not allowed"},
        {0x6981, "Command incompatible with file structure"},
        {0x6982, "Security status not satisfied"},
        {0x6983, "Authentication method blocked"},
        {0x6984, "Reference data not usable"},
        {0x6985, "Conditions of use not satisfied"},
        {0x6986, "Command not allowed (no current EF)"},
        {0x6987, "Expected secure messaging data objects missing"},
        {0x6988, "Incorrect secure messaging data objects"},
        {0x6A00, "Wrong parameters P1-P2"},
        {0x6A80, "Incorrect parameters in the command data field"},
        {0x6A81, "Function not supported"},
        {0x6A82, "File or application not found"},
        {0x6A83, "Record not found"},
        {0x6A84, "Not enough memory space in the file"},
        {0x6A85, "Nc inconsistent with TLV structure"},
        {0x6A86, "Incorrect parameters P1-P2"},
        {0x6A87, "Nc inconsistent with parameters P1-P2"},
        {0x6A88, "Referenced data or reference data not found"},
        {0x6A89, "File already exists"},
        {0x6A8A, "DF name already exists"},
        {0x6B00, "Wrong parameters P1-P2"},
        {0x6D00, "Instruction code not supported or invalid"},
        {0x6E00, "Class not supported"},
        {0x6F00, "No precise diagnosis"},
        // GSM SIM and contactless application values.
        {0x9100, "Operation OK (DESFire)"},
        {0x9240, "Memory problem (SIM)"},
        {0x9300, "SIM Application Toolkit busy, command cannot be executed at present"},
        {0x9400, "No EF selected (SIM)"},
        {0x9402, "Out of range, invalid address (SIM)"},
        {0x9404, "File ID or pattern not found (SIM)"},
        {0x9408, "File inconsistent with the command (SIM)"},
        {0x9802, "No CHV initialised (SIM)"},
        {0x9804, "Access condition not fulfilled or verification failed (SIM)"},
        {0x9808, "In contradiction with CHV status (SIM)"},
        {0x9810, "In contradiction with invalidation status (SIM)"},
        {0x9840, "Verification failed, no attempt left: CHV blocked (SIM)"},
        {0x9850, "Increase cannot be performed, maximum value reached (SIM)"},
    };
    QHash<uint16_t, QString> h;
    for (const auto& r : rows) h.insert(r.sw, QString::fromLatin1(r.text));
    return h;
  }();
  return t;
}

QString byteCount(int n) { return n == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(n); }

// Values whose second byte is a number.
std::optional<QString> countedMeaning(uint8_t sw1, uint8_t sw2) {
  switch (sw1) {
    case 0x61:
      return sw2 == 0 ? QStringLiteral("Normal processing, 256 or more bytes still available (GET RESPONSE)")
                      : QStringLiteral("Normal processing, %1 still available (GET RESPONSE)").arg(byteCount(sw2));
    case 0x6C:
      return QStringLiteral("Wrong Le field, exact length %1 (Le=%2)").arg(sw2 == 0 ? 256 : sw2).arg(HexByte(sw2));
    case 0x63:
      if ((sw2 & 0xF0) == 0xC0) {
        const int n = sw2 & 0x0F;
        return QStringLiteral("Verification failed, %1 %2 left").arg(n).arg(QLatin1String(n == 1 ? "try" : "tries"));
      }
      break;
    case 0x62:
      if (sw2 >= 0x02 && sw2 <= 0x80) return QStringLiteral("Triggering by the card (warning, memory unchanged)");
      break;
    case 0x64:
      if (sw2 >= 0x02 && sw2 <= 0x80) return QStringLiteral("Triggering by the card (error, memory unchanged)");
      break;
    case 0x91:
      return QStringLiteral("Normal ending, proactive command of %1 pending (SIM)").arg(byteCount(sw2));
    case 0x92:
      if (sw2 <= 0x0F)
        return QStringLiteral("Command successful after %1 internal %2 (SIM)").arg(sw2).arg(QLatin1String(sw2 == 1 ? "retry" : "retries"));
      break;
    case 0x9E:
      return QStringLiteral("%1 of response available after a data download error (SIM)").arg(byteCount(sw2));
    case 0x9F:
      return QStringLiteral("%1 available (GSM, GET RESPONSE)").arg(byteCount(sw2));
    default:
      break;
  }
  return std::nullopt;
}

// What the first byte says about a value not in the tables.
QString swClass(uint8_t sw1) {
  if ((sw1 & 0xF0) == 0x90) return QStringLiteral("9x: application-specific");
  static const char* const six[16] = {nullptr,
                                      "normal processing",
                                      "warning, memory unchanged",
                                      "warning, memory changed",
                                      "execution error, memory unchanged",
                                      "execution error, memory changed",
                                      "security-related issue",
                                      "wrong length",
                                      "functions in CLA not supported",
                                      "command not allowed",
                                      "wrong parameters P1-P2",
                                      "wrong parameters P1-P2",
                                      "wrong Le field",
                                      "instruction not supported",
                                      "class not supported",
                                      "no precise diagnosis"};
  if ((sw1 & 0xF0) == 0x60 && six[sw1 & 0x0F])
    return HexByte(sw1) + QStringLiteral(": ") + QLatin1String(six[sw1 & 0x0F]);
  return HexByte(sw1) + QStringLiteral(": not a valid SW1");
}

}  // namespace

QString SwMeaning(uint8_t sw1, uint8_t sw2) {
  const auto it = exactTable().constFind(static_cast<uint16_t>(sw1 << 8 | sw2));
  if (it != exactTable().constEnd()) return *it;
  if (auto counted = countedMeaning(sw1, sw2)) return *counted;
  return QStringLiteral("unknown (%1)").arg(swClass(sw1));
}

QString SwLine(uint8_t sw1, uint8_t sw2) {
  return QStringLiteral("SW ") + HexByte(sw1) + HexByte(sw2) + QStringLiteral(": ") + SwMeaning(sw1, sw2);
}

std::optional<QString> ResponseSwLine(const QByteArray& response) {
  if (response.size() < 2) return std::nullopt;
  return SwLine(static_cast<uint8_t>(response.at(response.size() - 2)),
                static_cast<uint8_t>(response.at(response.size() - 1)));
}

bool CommandCarriesApdu(uint8_t command, uint8_t parameter) {
  switch (command) {
    case 0x51:
      return parameter == '3' || parameter == '4' || parameter == '9';
    case 0x52:
      return parameter == '9';
    case 0x60:
      return parameter == '4' || parameter == '5';
    default:
      return false;
  }
}

}  // namespace kvt::insight
