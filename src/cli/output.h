#pragma once
// Everything the program prints goes through here: lines on stdout in UTF-8,
// flushed at once so they interleave correctly with the diagnostics on stderr.
#include <QString>

namespace kvt::cli {

// The text and a line feed on stdout.
void PrintLine(const QString& line);

// "name: value" result line, as the result windows show their rows.
void PrintField(const QString& name, const QString& value);

// The text exactly as it is (CRLF line ends stay) on stdout.
void PrintRaw(const QString& text);

// "kvt730ctl: " and the text on stderr.
void PrintError(const QString& text);

}  // namespace kvt::cli
