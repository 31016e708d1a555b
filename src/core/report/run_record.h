// SPDX-License-Identifier: MIT
#pragma once
// Everything one kvt730ctl run shows, kept as data for the JSON output: its messages,
// result fields, other lines, the bytes on the line and, for a script, its lines.
#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <vector>

#include "core/base/log_sink.h"
#include "core/base/notifier.h"
#include "script_results.h"
#include "summary.h"

namespace kvt::report {

struct LogEntry {
  Direction direction = Direction::Sent;
  QByteArray bytes;
  QDateTime at;
};

struct Field {
  QString name;
  QString value;
};

// Takes a script run's lines as they come, in place of RunRecord::lines keeping them all.
class ScriptLineSink {
 public:
  virtual ~ScriptLineSink() = default;
  virtual void add(const ScriptLineResult& r) = 0;
};

struct RunRecord {
  QString command;  // the command and its operands as typed: "mifare read 1 3"
  QString port;     // as given; empty for a command that opens none
  int exitStatus = 0;
  std::vector<Message> messages;
  std::vector<Field> fields;  // what the text output prints as "name: value"
  QStringList text;           // every other line the text output prints
  QStringList errors;         // what went to the error output
  std::vector<LogEntry> log;
  // When set, a script's lines go there as they come and `lines` below stays empty.
  ScriptLineSink* lineSink = nullptr;
  bool script = false;
  std::vector<ScriptLineResult> lines;
  QJsonObject extra;  // keys a command adds to the top level of its object (qualify, wear)
};

// "information", "warning", "question", "none".
QString IconName(MessageIcon icon);

// The run as one JSON object: command, port, exit_status, messages, fields, text, errors,
// log (direction "SD"/"RD", bytes in spaced hex, time in ISO 8601 with milliseconds) and,
// for a script, lines and summary.
QJsonObject RunJson(const RunRecord& r);

// The object on one line, compact, ending in a line feed.
QByteArray RunJsonLine(const RunRecord& r);

// For runs too long to hold: the items of the "lines" and "log" arrays one by one, compact,
// as RunJsonLine writes them, and the rest of the line around them. A script's line is
// beforeLines, its line items, betweenLinesAndLog, its log items, afterLog, the items of
// each array separated by commas; the record's own lines and log are left out, the
// summary is the one given.
QByteArray LineJson(const ScriptLineResult& r);
QByteArray LogEntryJson(const LogEntry& e);
struct RunJsonPieces {
  QByteArray beforeLines;
  QByteArray betweenLinesAndLog;
  QByteArray afterLog;
};
RunJsonPieces ScriptRunJsonPieces(const RunRecord& r, const std::vector<CommandSummary>& summary);

}  // namespace kvt::report
