// SPDX-License-Identifier: MIT
// Script results as anything may make them (line texts with control characters and broken
// UTF-16, replies of any bytes, odd times and statuses) through the JUnit XML writer, the
// JSON writer and the summary; every document must parse back and count what went in, and
// written in pieces as a long run writes it, be the same document.
//
// Input: a byte whose low bit picks the JUnit XML writer or the JSON one, then up to 4
// lines, each: status byte (low 3 bits), repetition byte, two bytes of
// tenths of a millisecond, then four length-prefixed fields (length byte modulo 32): frame
// bytes, reply bytes, the line text as UTF-16 units, the message as Latin-1. What is left
// names the port and the script (UTF-16).
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QXmlStreamReader>

#include "core/report/junit_report.h"
#include "core/report/run_record.h"
#include "core/report/safe_text.h"
#include "core/report/summary.h"
#include "fuzz_support.h"

using namespace kvt::report;

namespace {

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return pos_ >= size_; }
  uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  QByteArray bytes() {
    const size_t n = std::min<size_t>(byte() % 32, size_ - std::min(pos_, size_));
    const QByteArray b(reinterpret_cast<const char*>(data_ + pos_), static_cast<int>(n));
    pos_ += n;
    return b;
  }
  static QString utf16(const QByteArray& b) {
    return QString(reinterpret_cast<const QChar*>(b.constData()), static_cast<int>(b.size() / 2));
  }
  QString rest() {
    const size_t n = size_ - std::min(pos_, size_);
    const QByteArray b(reinterpret_cast<const char*>(data_ + pos_), static_cast<int>(n));
    pos_ = size_;
    return utf16(b);
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

bool XmlSafe(const QString& t) {
  for (int i = 0; i < t.size(); ++i) {
    const char16_t u = t[i].unicode();
    if (u < 0x20 && u != 0x09 && u != 0x0A && u != 0x0D) return false;
    if (u == 0xFFFE || u == 0xFFFF) return false;
    if (t[i].isHighSurrogate() && (i + 1 >= t.size() || !t[i + 1].isLowSurrogate())) return false;
    if (t[i].isLowSurrogate() && (i == 0 || !t[i - 1].isHighSurrogate())) return false;
  }
  return true;
}

// The document put together as kvt730ctl does for two ports: each part's suites written
// apart with ids from 0, the second part's ids raised line by line.
QByteArray InParts(const std::vector<JUnitSuite>& suites, const QString& hostname) {
  JUnitTotals totals;
  QByteArray first, second;
  const size_t half = suites.size() / 2;
  for (size_t i = 0; i < suites.size(); ++i) {
    totals.add(TotalsOf(suites[i]));
    (i < half ? first : second) += JUnitSuiteXml(suites[i], static_cast<qint64>(i < half ? i : i - half), hostname);
  }
  QByteArray shifted;
  for (const QByteArray& line : second.split('\n')) shifted += ShiftSuiteId(line, half) + '\n';
  shifted.chop(1);
  return JUnitHead(totals) + first + shifted + JUnitTail();
}

void CheckXml(const std::vector<ScriptLineResult>& lines, const QString& port, const QString& script) {
  const std::vector<JUnitSuite> suites = SuitesByRepetition(port, script, lines, true);
  const QByteArray whole = JUnitXml(suites, port);
  KVT_FUZZ_CHECK(InParts(suites, port) == whole);
  // One reader for the life of the process: a new one allocates its buffers afresh, which
  // under the sanitizers costs as much as the parsing.
  static QXmlStreamReader x;
  x.clear();
  x.addData(whole);
  int cases = 0, failures = 0, errors = 0, suitesSeen = 0;
  while (!x.atEnd()) {
    if (x.readNext() != QXmlStreamReader::StartElement) continue;
    if (x.name() == QLatin1String("testsuite")) ++suitesSeen;
    else if (x.name() == QLatin1String("testcase")) ++cases;
    else if (x.name() == QLatin1String("failure")) ++failures;
    else if (x.name() == QLatin1String("error")) ++errors;
  }
  KVT_FUZZ_CHECK(!x.hasError());
  KVT_FUZZ_CHECK(suitesSeen == static_cast<int>(suites.size()));
  KVT_FUZZ_CHECK(cases == static_cast<int>(lines.size()));
  int negative = 0, positive = 0;
  for (const ScriptLineResult& r : lines) {
    negative += r.status == LineStatus::Negative;
    positive += r.status == LineStatus::Positive;
  }
  KVT_FUZZ_CHECK(failures == negative);
  KVT_FUZZ_CHECK(errors == cases - negative - positive);
}

void CheckJson(const RunRecord& record) {
  const QByteArray line = RunJsonLine(record);
  // Written as a long run writes it, item by item around the rest, it is the same line.
  const RunJsonPieces p = ScriptRunJsonPieces(record, Summarise(record.lines));
  QByteArray streamed = p.beforeLines;
  for (size_t i = 0; i < record.lines.size(); ++i) streamed += (i ? "," : "") + LineJson(record.lines[i]);
  streamed += p.betweenLinesAndLog;
  for (size_t i = 0; i < record.log.size(); ++i) streamed += (i ? "," : "") + LogEntryJson(record.log[i]);
  KVT_FUZZ_CHECK(streamed + p.afterLog == line);
  KVT_FUZZ_CHECK(line.endsWith('\n') && line.count('\n') == 1);
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
  KVT_FUZZ_CHECK(error.error == QJsonParseError::NoError && doc.isObject());
  const QJsonObject o = doc.object();
  KVT_FUZZ_CHECK(o[QLatin1String("lines")].toArray().size() == static_cast<int>(record.lines.size()));
  KVT_FUZZ_CHECK(o[QLatin1String("messages")].toArray().size() == static_cast<int>(record.messages.size()));
  KVT_FUZZ_CHECK(o[QLatin1String("command")].toString() == WellFormedText(record.command));
}

void CheckSummary(const std::vector<ScriptLineResult>& lines) {
  int sent = 0;
  for (const CommandSummary& s : Summarise(lines)) {
    KVT_FUZZ_CHECK(s.sent == s.positive + s.negative + s.failed && s.sent > 0);
    KVT_FUZZ_CHECK(s.minMs <= s.medianMs && s.medianMs <= s.maxMs);
    KVT_FUZZ_CHECK(SummaryLine(s).startsWith(QLatin1String("Summary ")));
    sent += s.sent;
  }
  KVT_FUZZ_CHECK(sent == static_cast<int>(lines.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // One document a run, picked by the first byte: each costs about as much as the rest of
  // the run together, and the two writers share nothing but the texts.
  const bool xml = data[0] & 1;
  Input in(data + 1, size - 1);
  RunRecord record;
  record.script = true;
  int line = 0;
  while (!in.empty() && record.lines.size() < 4) {
    ScriptLineResult r;
    r.status = static_cast<LineStatus>(in.byte() % 5);
    r.repetition = 1 + in.byte() % 4;
    const int high = in.byte();
    r.ms = (high * 256 + in.byte()) / 10.0;
    r.frame = in.bytes();
    r.reply = in.bytes();
    r.text = Input::utf16(in.bytes());
    r.message = QString::fromLatin1(in.bytes());
    r.line = ++line;
    record.lines.push_back(r);
    if (line <= 2) {  // a few boxes, fields and log lines of the same odd texts
      record.messages.push_back({static_cast<kvt::MessageIcon>(line % 4), r.text, r.message});
      record.fields.push_back({r.message, r.text});
      record.log.push_back({line == 1 ? kvt::Direction::Sent : kvt::Direction::Received, r.frame, r.at});
    }
  }
  const QString names = in.rest();
  const QString port = names.left(names.size() / 2);
  const QString script = names.mid(names.size() / 2);
  record.port = port;
  record.command = QStringLiteral("script ") + script;

  KVT_FUZZ_CHECK(XmlSafe(XmlSafeText(names)));
  if (xml) CheckXml(record.lines, port, script);
  else CheckJson(record);
  CheckSummary(record.lines);
  return 0;
}
