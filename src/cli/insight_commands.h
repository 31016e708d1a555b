// SPDX-License-Identifier: MIT
#pragma once
// Card insight on the command line: "atr HEX..." decodes an answer to reset, "sw SW" names
// a status word; neither opens a port. The APDU commands print the status word of each
// response through the helpers below.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

#include "commands.h"

namespace kvt::cli {

// Appends the entries to the command table.
void AddInsightCommands(std::vector<CommandEntry>& table);

// "SW xxxx: meaning" of a response APDU written as hex digits; nothing when the text holds
// fewer than two bytes or is not hex.
void PrintResponseSw(const QString& responseHex);

// The lines of a result block ending in an empty line, with the SW line of `response` put
// before that empty line (or after the last line when there is none).
void PrintLinesWithSw(const QStringList& lines, const QByteArray& response);

}  // namespace kvt::cli
