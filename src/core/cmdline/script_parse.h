// SPDX-License-Identifier: MIT
#pragma once
// One line of a command-line script turned into a command frame.
//
// A line spells the frame body from the "C" on. Every character stands for its own code,
// except a space or "$", which introduce a byte written as two characters (16 x first +
// second, each by CharValue) or, at the end of the line, as one character.
#include <QByteArray>
#include <QString>
#include <cstdint>

namespace kvt {

// "0".."9" give 0..9, "a".."z" and "A".."Z" give 10..35, anything else 0.
int CharValue(QChar c);

// The largest frame the runner sends: the 1025-byte frame buffer, 1019 body bytes.
constexpr int kMaxScriptFrame = 1025;
constexpr int kMaxScriptBody = kMaxScriptFrame - 6;

enum class ScriptLineError {
  None,
  ByteTooLarge,   // the characters after a marker give more than FF
  NoSingleByte,   // a character outside the 8-bit code page
  NotACommand,    // the body does not start with "C", a command code and a parameter code
  TooLong,        // the body does not fit the frame buffer
};

struct ScriptFrame {
  QByteArray frame;  // the whole frame: F2, address, LEN, body, 03, BCC; empty when refused
  int end = 0;       // index just after the body: 4 + body length
  ScriptLineError error = ScriptLineError::None;
  int errorColumn = 0;  // 1-based position in the text of the character at fault
  int errorValue = 0;   // ByteTooLarge: the value the marker's characters give
  bool ok() const { return error == ScriptLineError::None; }
};

// The body bytes of a line, as the table above reads them. A lone "$" (or space) at the end
// stores nothing. Sets *error (and the column and value) on the first character that cannot
// be stored; the bytes so far are returned.
QByteArray ScriptBody(const QString& text, ScriptFrame* fault = nullptr);

// The frame for a line whose surrounding spaces the caller has removed, for the reader at
// `address`. Refused lines give no frame and say why.
ScriptFrame ParseScriptLine(const QString& text, uint8_t address);

// What the user is told when line `lineIndex` (0-based) is refused; nothing was sent.
QString ScriptLineMessage(int lineIndex, const QString& text, const ScriptFrame& refused);

}  // namespace kvt
