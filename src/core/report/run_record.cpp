// SPDX-License-Identifier: MIT
#include "run_record.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cmath>

#include "safe_text.h"
#include "summary.h"

namespace kvt::report {

namespace {

QJsonValue Text(const QString& t) { return WellFormedText(t); }

QString Time(const QDateTime& t) { return t.isValid() ? t.toUTC().toString(Qt::ISODateWithMs) : QString(); }

// Milliseconds to the microsecond.
double Ms(double ms) { return std::round(ms * 1000) / 1000; }

QJsonObject LineObject(const ScriptLineResult& r) {
  QJsonObject o{{QStringLiteral("repetition"), static_cast<double>(r.repetition)},
                {QStringLiteral("line"), r.line},
                {QStringLiteral("text"), Text(r.text)},
                {QStringLiteral("command"), SpacedHex(r.frame)},
                {QStringLiteral("reply"), SpacedHex(r.reply)},
                {QStringLiteral("status"), StatusName(r.status)},
                {QStringLiteral("ms"), Ms(r.ms)},
                {QStringLiteral("time"), Time(r.at)}};
  if (!r.message.isEmpty()) o.insert(QStringLiteral("message"), Text(r.message));
  return o;
}

QJsonObject LogObject(const LogEntry& e) {
  const QString direction = e.direction == Direction::Sent ? QStringLiteral("SD") : QStringLiteral("RD");
  return QJsonObject{{QStringLiteral("direction"), direction},
                     {QStringLiteral("bytes"), SpacedHex(e.bytes)},
                     {QStringLiteral("time"), Time(e.at)}};
}

QJsonArray Summary(const std::vector<CommandSummary>& summaries) {
  QJsonArray out;
  for (const CommandSummary& s : summaries) {
    QJsonObject o{{QStringLiteral("command"), s.command},
                  {QStringLiteral("parameter"), s.parameter},
                  {QStringLiteral("sent"), s.sent},
                  {QStringLiteral("positive"), s.positive},
                  {QStringLiteral("negative"), s.negative},
                  {QStringLiteral("failed"), s.failed},
                  {QStringLiteral("min_ms"), Ms(s.minMs)},
                  {QStringLiteral("median_ms"), Ms(s.medianMs)},
                  {QStringLiteral("max_ms"), Ms(s.maxMs)}};
    if (s.medianEstimated) o.insert(QStringLiteral("median_estimated"), true);
    out.append(o);
  }
  return out;
}

QJsonArray Strings(const QStringList& list) {
  QJsonArray out;
  for (const QString& s : list) out.append(Text(s));
  return out;
}

}  // namespace

QString IconName(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information: return QStringLiteral("information");
    case MessageIcon::Warning: return QStringLiteral("warning");
    case MessageIcon::Question: return QStringLiteral("question");
    case MessageIcon::None: return QStringLiteral("none");
  }
  return QStringLiteral("none");
}

namespace {

// The run's object with the arrays given.
QJsonObject RunObject(const RunRecord& r, const QJsonArray& lines, const QJsonArray& log, const QJsonArray& summary) {
  QJsonArray messages;
  for (const Message& m : r.messages)
    messages.append(QJsonObject{{QStringLiteral("title"), Text(m.title)},
                                {QStringLiteral("text"), Text(m.text)},
                                {QStringLiteral("icon"), IconName(m.icon)}});
  QJsonArray fields;
  for (const Field& f : r.fields)
    fields.append(QJsonObject{{QStringLiteral("name"), Text(f.name)}, {QStringLiteral("value"), Text(f.value)}});
  QJsonObject o{{QStringLiteral("command"), Text(r.command)},
                {QStringLiteral("port"), Text(r.port)},
                {QStringLiteral("exit_status"), r.exitStatus},
                {QStringLiteral("messages"), messages},
                {QStringLiteral("fields"), fields},
                {QStringLiteral("text"), Strings(r.text)},
                {QStringLiteral("errors"), Strings(r.errors)},
                {QStringLiteral("log"), log}};
  if (r.script) {
    o.insert(QStringLiteral("lines"), lines);
    o.insert(QStringLiteral("summary"), summary);
  }
  for (auto it = r.extra.constBegin(); it != r.extra.constEnd(); ++it) o.insert(it.key(), it.value());
  return o;
}

QByteArray Compact(const QJsonObject& o) { return QJsonDocument(o).toJson(QJsonDocument::Compact); }

// The compact text of one value as it stands in an object or array.
QByteArray ValueText(const QJsonValue& v) {
  const QByteArray array = QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact);
  return array.mid(1, array.size() - 2);
}

}  // namespace

QJsonObject RunJson(const RunRecord& r) {
  QJsonArray lines;
  for (const ScriptLineResult& l : r.lines) lines.append(LineObject(l));
  QJsonArray log;
  for (const LogEntry& e : r.log) log.append(LogObject(e));
  return RunObject(r, lines, log, Summary(Summarise(r.lines)));
}

QByteArray RunJsonLine(const RunRecord& r) { return Compact(RunJson(r)) + '\n'; }

QByteArray LineJson(const ScriptLineResult& r) { return Compact(LineObject(r)); }

QByteArray LogEntryJson(const LogEntry& e) { return Compact(LogObject(e)); }

RunJsonPieces ScriptRunJsonPieces(const RunRecord& r, const std::vector<CommandSummary>& summary) {
  RunRecord head = r;
  head.script = true;
  const QJsonObject o = RunObject(head, {}, {}, Summary(summary));
  // Written member by member as the compact text has them, in the order of their names:
  // "lines" comes before "log", and either's items go in between its brackets.
  RunJsonPieces p;
  QByteArray* text = &p.beforeLines;
  const QStringList keys = o.keys();
  for (const QString& key : keys) {
    *text += (key == keys.front() ? "{" : ",") + ValueText(key) + ':';
    if (key == QLatin1String("lines") || key == QLatin1String("log")) {
      *text += '[';
      text = key == QLatin1String("lines") ? &p.betweenLinesAndLog : &p.afterLog;
      *text += ']';
    } else {
      *text += ValueText(o.value(key));
    }
  }
  *text += "}\n";
  return p;
}

}  // namespace kvt::report
