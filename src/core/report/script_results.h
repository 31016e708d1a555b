// SPDX-License-Identifier: MIT
#pragma once
// What a script run gave, line by line: the data the summary, the JUnit report and the JSON
// output are written from. Plain data, no port in sight.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <vector>

namespace kvt::report {

enum class LineStatus {
  Positive,      // a reply of kind "P"
  Negative,      // a reply of kind "N": the reader refused the command
  Unrecognised,  // a whole reply of neither kind
  Failed,        // no usable reply: no acknowledgement, a time-out, a broken reply
  Stopped        // the run was stopped or cancelled on this line
};

// "positive", "negative", "unrecognised", "failed", "stopped".
QString StatusName(LineStatus s);

struct ScriptLineResult {
  qint64 repetition = 1;  // the pass over the script, from 1
  int line = 1;           // the line's number in the script, from 1
  QString text;           // the line as sent
  QByteArray frame;       // the whole command frame
  QByteArray reply;       // the reply from its kind to the check byte; empty when none came
  LineStatus status = LineStatus::Failed;
  double ms = 0;          // how long the exchange took
  QString message;        // the tool's message for a line that got no usable reply
  QDateTime at;           // when the exchange began
};

// The command and parameter codes of a frame (bytes 5 and 6); 0 where the frame is short.
uint8_t CommandCode(const QByteArray& frame);
uint8_t ParameterCode(const QByteArray& frame);

// The two error characters of a negative reply ("N", command, parameter, E1, E0, ...); empty
// when the reply is shorter.
QString ErrorCode(const QByteArray& reply);

// Spaced upper-case hex: "F2 00 00 03"; empty for no bytes.
QString SpacedHex(const QByteArray& bytes);

}  // namespace kvt::report
