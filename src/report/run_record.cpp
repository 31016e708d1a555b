#include "report/run_record.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cmath>

#include "report/safe_text.h"
#include "report/summary.h"

namespace kvt::report {

namespace {

QJsonValue Text(const QString& t) { return WellFormedText(t); }

QString Time(const QDateTime& t) { return t.isValid() ? t.toUTC().toString(Qt::ISODateWithMs) : QString(); }

// Milliseconds to the microsecond.
double Ms(double ms) { return std::round(ms * 1000) / 1000; }

QJsonArray Lines(const std::vector<ScriptLineResult>& lines) {
  QJsonArray out;
  for (const ScriptLineResult& r : lines) {
    QJsonObject o{{"repetition", static_cast<double>(r.repetition)},
                  {"line", r.line},
                  {"text", Text(r.text)},
                  {"command", SpacedHex(r.frame)},
                  {"reply", SpacedHex(r.reply)},
                  {"status", StatusName(r.status)},
                  {"ms", Ms(r.ms)},
                  {"time", Time(r.at)}};
    if (!r.message.isEmpty()) o.insert(QStringLiteral("message"), Text(r.message));
    out.append(o);
  }
  return out;
}

QJsonArray Summary(const std::vector<ScriptLineResult>& lines) {
  QJsonArray out;
  for (const CommandSummary& s : Summarise(lines)) {
    out.append(QJsonObject{{"command", s.command},
                           {"parameter", s.parameter},
                           {"sent", s.sent},
                           {"positive", s.positive},
                           {"negative", s.negative},
                           {"failed", s.failed},
                           {"min_ms", Ms(s.minMs)},
                           {"median_ms", Ms(s.medianMs)},
                           {"max_ms", Ms(s.maxMs)}});
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

QJsonObject RunJson(const RunRecord& r) {
  QJsonArray messages;
  for (const Message& m : r.messages)
    messages.append(QJsonObject{{"title", Text(m.title)}, {"text", Text(m.text)}, {"icon", IconName(m.icon)}});
  QJsonArray fields;
  for (const Field& f : r.fields) fields.append(QJsonObject{{"name", Text(f.name)}, {"value", Text(f.value)}});
  QJsonArray log;
  for (const LogEntry& e : r.log) {
    log.append(QJsonObject{{"direction", e.direction == Direction::Sent ? "SD" : "RD"},
                           {"bytes", SpacedHex(e.bytes)},
                           {"time", Time(e.at)}});
  }
  QJsonObject o{{"command", Text(r.command)},
                {"port", Text(r.port)},
                {"exit_status", r.exitStatus},
                {"messages", messages},
                {"fields", fields},
                {"text", Strings(r.text)},
                {"errors", Strings(r.errors)},
                {"log", log}};
  if (r.script) {
    o.insert(QStringLiteral("lines"), Lines(r.lines));
    o.insert(QStringLiteral("summary"), Summary(r.lines));
  }
  return o;
}

QByteArray RunJsonLine(const RunRecord& r) {
  return QJsonDocument(RunJson(r)).toJson(QJsonDocument::Compact) + '\n';
}

}  // namespace kvt::report
