// SPDX-License-Identifier: MIT
// The pure report code: the summary lines, and texts no format could hold made fit for XML
// and JSON.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QXmlStreamReader>
#include <algorithm>
#include <cmath>

#include "core/report/junit_report.h"
#include "core/report/run_record.h"
#include "core/report/safe_text.h"
#include "core/report/summary.h"

using namespace kvt::report;

namespace {

ScriptLineResult Line(const char* frameHex, LineStatus status, double ms) {
  ScriptLineResult r;
  r.frame = QByteArray::fromHex(frameHex);
  r.status = status;
  r.ms = ms;
  return r;
}

const char* kCardStatus = "F200000343313003B0";
const char* kSensors = "F200000343313103B1";
const char* kShort = "F20000";  // too short to hold the codes

TEST(Summary, OneLinePerCommandInTheOrderFirstSent) {
  struct Case {
    std::vector<ScriptLineResult> lines;
    QStringList expected;
  };
  const std::vector<Case> cases = {
      {{}, {}},
      {{Line(kCardStatus, LineStatus::Positive, 3.04)},
       {"Summary 31h/30h: 1 sent, 1 positive, 0 negative, 0 failed, 3.0/3.0/3.0 ms"}},
      // Sensors first; an even count takes the lower middle time as median.
      {{Line(kSensors, LineStatus::Negative, 9), Line(kCardStatus, LineStatus::Positive, 4),
        Line(kCardStatus, LineStatus::Failed, 1000), Line(kCardStatus, LineStatus::Stopped, 2.25),
        Line(kCardStatus, LineStatus::Unrecognised, 7)},
       {"Summary 31h/31h: 1 sent, 0 positive, 1 negative, 0 failed, 9.0/9.0/9.0 ms",
        "Summary 31h/30h: 4 sent, 1 positive, 0 negative, 3 failed, 2.3/4.0/1000.0 ms"}},
      {{Line(kShort, LineStatus::Failed, 0.04), Line(kShort, LineStatus::Positive, 0.5),
        Line(kShort, LineStatus::Positive, 0.2)},
       {"Summary 00h/00h: 3 sent, 2 positive, 0 negative, 1 failed, 0.0/0.2/0.5 ms"}},
  };
  for (const Case& c : cases) EXPECT_EQ(SummaryLines(c.lines), c.expected);
}

TEST(Summary, TheMedianIsExactToTheMicrosecondUntilTheTimesAreTooManyThenSaysItIsEstimated) {
  // 1001 different times, 0.500 to 1.500 ms, in a shuffled order.
  SummaryTally exact;
  SummaryTally bounded(100);  // counts at most 100 different times exactly
  for (int i = 0; i <= 1000; ++i) {
    const ScriptLineResult r = Line(kCardStatus, LineStatus::Positive, 0.5 + (i * 7919 % 1001) / 1000.0);
    exact.add(r);
    bounded.add(r);
  }
  const CommandSummary e = exact.summaries().at(0);
  EXPECT_FALSE(e.medianEstimated);
  EXPECT_DOUBLE_EQ(e.medianMs, 1.0);
  EXPECT_EQ(SummaryLine(e), "Summary 31h/30h: 1001 sent, 1001 positive, 0 negative, 0 failed, 0.5/1.0/1.5 ms");
  const CommandSummary b = bounded.summaries().at(0);
  EXPECT_TRUE(b.medianEstimated);
  EXPECT_NEAR(b.medianMs, 1.0, 0.01);
  EXPECT_EQ(b.minMs, 0.5);
  EXPECT_EQ(b.maxMs, 1.5);
  EXPECT_EQ(bounded.lines(), QStringList{"Summary 31h/30h: 1001 sent, 1001 positive, 0 negative, 0 failed, "
                                         "0.5/1.0/1.5 ms (median estimated within 1 %)"});
  // Times from 10 us to 20 s, skewed either way: the estimate keeps within 1 % of the
  // median at any size.
  for (double skew : {0.25, 1.0, 4.0}) {
    TimeTally times(50);
    std::vector<double> all;
    for (int i = 0; i < 20001; ++i) {
      const double ms = 0.01 * std::pow(2e6, std::pow((i * 7919 % 20001) / 20000.0, skew));
      times.add(ms);
      all.push_back(ms);
    }
    std::nth_element(all.begin(), all.begin() + 10000, all.end());
    EXPECT_TRUE(times.estimated());
    EXPECT_NEAR(times.medianMs(), all[10000], all[10000] / 100) << skew;
  }
  RunRecord record;
  record.script = true;
  const RunJsonPieces pieces = ScriptRunJsonPieces(record, bounded.summaries());
  const QJsonDocument doc =
      QJsonDocument::fromJson(pieces.beforeLines + pieces.betweenLinesAndLog + pieces.afterLog);
  EXPECT_EQ(doc.object()["summary"][0]["median_estimated"], QJsonValue(true));
  EXPECT_TRUE(doc.object()["lines"].toArray().isEmpty());
}

TEST(Writers, AScriptRunWrittenAsItGoesIsTheDocumentWrittenWhole) {
  RunRecord record;
  record.script = true;
  record.command = QStringLiteral("script \"lines\":[x].txt");  // the key's text inside a value
  record.lines = {Line(kCardStatus, LineStatus::Positive, 0.25), Line(kSensors, LineStatus::Negative, 9)};
  record.log = {{kvt::Direction::Sent, QByteArray::fromHex(kCardStatus), {}},
                {kvt::Direction::Received, QByteArray("\x06"), {}}};
  record.messages = {{kvt::MessageIcon::Warning, "log", "\"log\":[]"}};
  const RunJsonPieces p = ScriptRunJsonPieces(record, Summarise(record.lines));
  const QByteArray streamed = p.beforeLines + LineJson(record.lines[0]) + ',' + LineJson(record.lines[1]) +
                              p.betweenLinesAndLog + LogEntryJson(record.log[0]) + ',' +
                              LogEntryJson(record.log[1]) + p.afterLog;
  EXPECT_EQ(streamed, RunJsonLine(record));
}

TEST(SafeText, WhatXmlAndJsonCannotHoldIsRewritten) {
  const QString lone = QString(QChar(0xD800)) + QLatin1Char('A');
  const QString pair = QString::fromUtf16(u"\U0001F600");
  EXPECT_EQ(WellFormedText(lone), QString(QChar(0xFFFD)) + QLatin1Char('A'));
  EXPECT_EQ(WellFormedText(pair), pair);
  EXPECT_EQ(XmlSafeText(QStringLiteral("a\tb\r\nc") + QChar(0x01) + QChar(0x1F) + QChar(0xFFFF)),
            QStringLiteral("a\tb\r\nc\\x01\\x1f\\uffff"));
  EXPECT_EQ(XmlSafeText(lone + pair), QString(QChar(0xFFFD)) + QLatin1Char('A') + pair);
}

TEST(Writers, OddTextsStillGiveDocumentsThatParse) {
  ScriptLineResult r = Line(kCardStatus, LineStatus::Failed, 1);
  r.text = QStringLiteral("C1") + QChar(0x00) + QChar(0xDC00) + QStringLiteral("<&\"]]>");
  r.message = QStringLiteral("line\r\nbreak") + QChar(0x07);
  const QByteArray xml = JUnitXml(SuitesByRepetition(r.text, r.text, {r}, true), QStringLiteral("h\x01"));
  QXmlStreamReader x(xml);
  QString name;
  while (!x.atEnd())
    if (x.readNext() == QXmlStreamReader::StartElement && x.name() == QLatin1String("testcase"))
      name = x.attributes().value(QLatin1String("name")).toString();
  EXPECT_FALSE(x.hasError()) << x.errorString().toStdString();
  EXPECT_EQ(name, QStringLiteral("line 1: C1\\x00") + QChar(0xFFFD) + QStringLiteral("<&\"]]>"));

  RunRecord record;
  record.script = true;
  record.lines = {r};
  record.command = r.text;
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(RunJsonLine(record), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError);
  EXPECT_EQ(doc.object()["lines"].toArray()[0].toObject()["message"].toString(), r.message);
}

}  // namespace
