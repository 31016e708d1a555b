// SPDX-License-Identifier: MIT
#pragma once
// Small text and number helpers used by every operation.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace kvt {

// XOR of every byte of the frame except the last one (where the caller stores the result).
uint8_t CalcBCC(const QByteArray& frame);

// Two-digit form of a hex text: "" -> "00", "A" -> "0A", "1F" -> "1F", longer -> "".
QString DoubleType(const QString& s);

// Waits at least ms milliseconds (sleeping, not spinning). Always returns 0.
int DelayMs(int ms);

// Left-pads with "0" up to the next multiple of 8 characters.
QString PadHex8(const QString& s);

// Value of an upper-case hex text, kept in double precision (FFFFFFFF stays exact).
double HexToNumber(const QString& t);

// Reads hex text (upper or lower case, surrounding blanks ignored) as a byte.
// Empty text, a non-hex character or a value above 0xFF give nullopt.
std::optional<uint8_t> ReadHexByte(const QString& t);

// Two upper-case digits, no separator.
QString HexByte(uint8_t b);

// "F2 00 03 " style: two digits and one space for each byte.
QString HexEntries(const QByteArray& bytes);

// Parses "F2 00 03", "f20003" or "F2:00" into bytes; nullopt when any digit is not hex
// or a byte is left with one digit.
std::optional<QByteArray> ParseHexText(const QString& text);

}  // namespace kvt
