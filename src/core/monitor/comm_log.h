// SPDX-License-Identifier: MIT
#pragma once
// A saved communication log read back: its "SD: " and "RD: " lines as the bytes each side
// put on the line, in order, so a log saved by the windows (or by the monitor's --log) can
// be decoded and turned into a capture.
#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

#include "line_unit.h"

namespace kvt::monitor {

struct LogChunk {
  Side from;  // "SD: " lines are the application's (the tool's) bytes, "RD: " the reader's
  QByteArray bytes;
};

struct LogReadResult {
  std::vector<LogChunk> chunks;
  QString error;  // empty when the text is a communication log
  bool ok() const { return error.isEmpty(); }
};

// Lines are "SD: " or "RD: " and hex byte entries, continuation lines (seven spaces, then
// byte entries) or blank; CRLF or LF line ends. Anything else, a text without a single
// byte line, or bytes that are not text make it no communication log: the error names the
// first line that is not one.
LogReadResult ReadCommLog(const QByteArray& text);

}  // namespace kvt::monitor
