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
    QJsonObject o{{QStringLiteral("repetition"), static_cast<double>(r.repetition)},
                  {QStringLiteral("line"), r.line},
                  {QStringLiteral("text"), Text(r.text)},
                  {QStringLiteral("command"), SpacedHex(r.frame)},
                  {QStringLiteral("reply"), SpacedHex(r.reply)},
                  {QStringLiteral("status"), StatusName(r.status)},
                  {QStringLiteral("ms"), Ms(r.ms)},
                  {QStringLiteral("time"), Time(r.at)}};
    if (!r.message.isEmpty()) o.insert(QStringLiteral("message"), Text(r.message));
    out.append(o);
  }
  return out;
}

QJsonArray Summary(const std::vector<ScriptLineResult>& lines) {
  QJsonArray out;
  for (const CommandSummary& s : Summarise(lines)) {
    out.append(QJsonObject{{QStringLiteral("command"), s.command},
                           {QStringLiteral("parameter"), s.parameter},
                           {QStringLiteral("sent"), s.sent},
                           {QStringLiteral("positive"), s.positive},
                           {QStringLiteral("negative"), s.negative},
                           {QStringLiteral("failed"), s.failed},
                           {QStringLiteral("min_ms"), Ms(s.minMs)},
                           {QStringLiteral("median_ms"), Ms(s.medianMs)},
                           {QStringLiteral("max_ms"), Ms(s.maxMs)}});
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
    messages.append(QJsonObject{{QStringLiteral("title"), Text(m.title)},
                                {QStringLiteral("text"), Text(m.text)},
                                {QStringLiteral("icon"), IconName(m.icon)}});
  QJsonArray fields;
  for (const Field& f : r.fields)
    fields.append(QJsonObject{{QStringLiteral("name"), Text(f.name)}, {QStringLiteral("value"), Text(f.value)}});
  QJsonArray log;
  for (const LogEntry& e : r.log) {
    const QString direction = e.direction == Direction::Sent ? QStringLiteral("SD") : QStringLiteral("RD");
    log.append(QJsonObject{{QStringLiteral("direction"), direction},
                           {QStringLiteral("bytes"), SpacedHex(e.bytes)},
                           {QStringLiteral("time"), Time(e.at)}});
  }
  QJsonObject o{{QStringLiteral("command"), Text(r.command)},
                {QStringLiteral("port"), Text(r.port)},
                {QStringLiteral("exit_status"), r.exitStatus},
                {QStringLiteral("messages"), messages},
                {QStringLiteral("fields"), fields},
                {QStringLiteral("text"), Strings(r.text)},
                {QStringLiteral("errors"), Strings(r.errors)},
                {QStringLiteral("log"), log}};
  if (r.script) {
    o.insert(QStringLiteral("lines"), Lines(r.lines));
    o.insert(QStringLiteral("summary"), Summary(r.lines));
  }
  for (auto it = r.extra.constBegin(); it != r.extra.constEnd(); ++it) o.insert(it.key(), it.value());
  return o;
}

QByteArray RunJsonLine(const RunRecord& r) {
  return QJsonDocument(RunJson(r)).toJson(QJsonDocument::Compact) + '\n';
}

}  // namespace kvt::report
