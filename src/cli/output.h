// SPDX-License-Identifier: MIT
#pragma once
// Everything the program prints goes through here: lines on stdout in UTF-8,
// flushed at once so they interleave correctly with the diagnostics on stderr. While a
// run's output is installed on the thread (run_output.h), it goes there instead.
#include <QString>

#include "core/base/notifier.h"

namespace kvt::cli {

// The text and a line feed on stdout.
void PrintLine(const QString& line);

// "name: value" result line, as the result windows show their rows.
void PrintField(const QString& name, const QString& value);

// A message box as one line: "title | text" (MessageLine).
void PrintMessage(const Message& m);

// The text exactly as it is (CRLF line ends stay) on stdout.
void PrintRaw(const QString& text);

// "kvt730ctl: " and the text on stderr.
void PrintError(const QString& text);

}  // namespace kvt::cli
