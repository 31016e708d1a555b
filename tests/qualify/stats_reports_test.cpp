// SPDX-License-Identifier: MIT
// The statistics of a motion and the files written from a run, without a reader: exact
// figures, a trend thinned to a bounded size, reports that stay small and well formed.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <algorithm>
#include <numeric>
#include <random>

#include "core/qualify/motion_stats.h"
#include "core/report/check_junit.h"
#include "core/report/run_reports.h"

using namespace kvt;
using namespace kvt::qualify;

namespace {

// A wear run of `cycles` on two moves, times rising slowly, a jam every 997 motions.
WearResult Worn(qint64 cycles) {
  WearResult r;
  r.unit.serial = QStringLiteral("KVT730MA10012345");
  r.unit.port = QStringLiteral("COM1");
  r.started = QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9));
  r.cyclesPlanned = r.cycles = r.cyclesBegun = cycles;
  r.motions = {MotionStats(QStringLiteral("ic")), MotionStats(QStringLiteral("rf"))};
  for (qint64 c = 1; c <= cycles; ++c)
    for (int m = 0; m < 2; ++m) {
      const bool jam = (c * 2 + m) % 997 == 0;
      r.motions[m].add(c, uint32_t(400000 + c * 3 + m * 1000), jam ? std::optional(FailureClass::Negative) : std::nullopt);
      if (!jam) continue;
      if (r.failures.size() < WearResult::kFailuresKept)
        r.failures.push_back({c, m, FailureClass::Negative, "10", "negative reply 10: Card jam", 400});
      ++r.failureCount;
    }
  return r;
}

CheckResult Check(const char* name, Verdict v, double ms, const char* detail) {
  CheckResult c;
  c.name = QString::fromLatin1(name);
  c.verdict = v;
  c.ms = ms;
  c.detail = QString::fromLatin1(detail);
  return c;
}

}  // namespace

TEST(MotionStats, FiguresAreExactByNearestRank) {
  std::vector<uint32_t> ms(100);
  for (uint32_t i = 0; i < 100; ++i) ms[i] = (i + 1) * 1000;
  std::shuffle(ms.begin(), ms.end(), std::mt19937(3));
  MotionStats s(QStringLiteral("ic"));
  for (size_t i = 0; i < ms.size(); ++i) s.add(qint64(i) + 1, ms[i], std::nullopt);
  s.add(101, std::nullopt, FailureClass::Exchange);  // counted, but has no time
  s.add(102, 250000, FailureClass::Slow);
  const MotionSummary sum = s.summary();
  EXPECT_EQ(sum.count, 102);
  EXPECT_EQ(sum.timed, 101);
  EXPECT_EQ(sum.failed(), 2);
  EXPECT_EQ(sum.failuresOf(FailureClass::Slow), 1);
  EXPECT_DOUBLE_EQ(sum.minMs, 1.0);
  EXPECT_DOUBLE_EQ(sum.medianMs, 51.0);  // 101 times: the 51st
  EXPECT_DOUBLE_EQ(sum.p95Ms, 96.0);     // ceil(0.95 * 101) = 96th
  EXPECT_DOUBLE_EQ(sum.maxMs, 250.0);

  MotionStats even;
  for (uint32_t us : {4000u, 1000u, 3000u, 2000u}) even.add(1, us, std::nullopt);
  EXPECT_DOUBLE_EQ(even.summary().medianMs, 2.0);  // the lower middle

  double low = 0, width = 0;
  const std::vector<qint64> bins = s.histogram(10, &low, &width);
  EXPECT_EQ(std::accumulate(bins.begin(), bins.end(), qint64(0)), 101);
  EXPECT_DOUBLE_EQ(low, 1.0);
  EXPECT_EQ(bins.back(), 1);  // the slow one alone at the top
}

TEST(MotionStats, TheTrendStaysBoundedAndLosesNothing) {
  const WearResult r = Worn(100000);
  const auto& trend = r.motions[0].trend();
  EXPECT_LE(trend.size(), MotionStats::kTrendPoints);
  EXPECT_GE(trend.size(), MotionStats::kTrendPoints / 2);
  EXPECT_EQ(trend.front().firstCycle, 1);
  EXPECT_GE(trend.back().lastCycle, 100000);
  qint64 timed = 0, failures = 0;
  for (size_t i = 0; i < trend.size(); ++i) {
    timed += trend[i].timed;
    failures += trend[i].failures;
    if (i > 0) {
      EXPECT_EQ(trend[i].firstCycle, trend[i - 1].lastCycle + 1);
    }
  }
  EXPECT_EQ(timed, 100000);
  EXPECT_EQ(failures, r.motions[0].summary().failed());
  EXPECT_EQ(trend.front().minUs, 400003u);
  EXPECT_EQ(trend.back().maxUs, 700000u);
}

TEST(RunReports, AHundredThousandMotionsMakeASmallReportWithExactFigures) {
  const WearResult r = Worn(50000);
  const QByteArray html = report::WearReport(r, QStringLiteral("9.9.9"));
  EXPECT_LT(html.size(), 2 * 1024 * 1024);
  EXPECT_LT(html.size(), report::WearReport(Worn(500), QStringLiteral("9.9.9")).size() * 20);
  const QString text = QString::fromUtf8(html);
  // ic: 50,000 times from 400.003 to 550 ms, every 997th a jam.
  EXPECT_TRUE(text.contains(QStringLiteral("<tr><td>ic</td><td class=\"num\">50000</td><td class=\"num\">50</td>"
                                           "<td class=\"num\">0</td><td class=\"num\">0</td><td class=\"num\">0</td>"
                                           "<td class=\"num\">400.003</td><td class=\"num\">475.000</td>"
                                           "<td class=\"num\">542.500</td><td class=\"num\">550.000</td></tr>")))
      << text.mid(text.indexOf("<tr><td>ic"), 400).toStdString();
  EXPECT_EQ(text.count(QStringLiteral("<svg ")), 4);
  EXPECT_FALSE(text.contains(QStringLiteral("The first ")));  // every failure listed
  EXPECT_EQ(text.count(QStringLiteral("<td>negative</td>")), static_cast<int>(r.failures.size()));
  EXPECT_TRUE(text.contains(QStringLiteral("<td>kvt730 9.9.9</td>")));
  EXPECT_FALSE(text.contains(QStringLiteral("<script")));
  for (const char* fetched : {"src=", "href=", "<link", "url("}) EXPECT_FALSE(text.contains(QLatin1String(fetched))) << fetched;
  EXPECT_EQ(report::DefaultReportName(QStringLiteral("KVT/730 1"), r.started, true),
            QStringLiteral("kvt730-KVT_730_1-2024-05-06-wear.html"));
}

TEST(RunReports, QualificationHtmlAndJUnitSayWhatEachCheckFound) {
  QualifyResult r;
  r.unit.serial = QStringLiteral("<SN & 1>");
  r.unit.port = QStringLiteral("COM3");
  r.started = QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9));
  r.checks = {Check("link", Verdict::Pass, 3.25, "Probe: OK at address 0"),
              Check("move ic", Verdict::Fail, 812.6, "negative reply 10: Card jam"),
              Check("ic type", Verdict::Skip, 0, "the card did not reach the IC position")};
  r.log = QStringLiteral("SD: F2 00 00 03 43 31 30 03 B0 \r\nRD: 06\r\n");
  const QString html = QString::fromUtf8(report::QualifyReport(r, QStringLiteral("1.2.3")));
  EXPECT_TRUE(html.contains(QStringLiteral("<div class=\"verdict fail\">FAIL</div>")));
  EXPECT_TRUE(html.contains(QStringLiteral("<title>Qualification &lt;SN &amp; 1&gt;</title>")));
  EXPECT_TRUE(html.contains(QStringLiteral("<tr><td class=\"FAIL\">FAIL</td><td class=\"name\">move ic</td><td class=\"num\">812.600</td>"
                                           "<td>negative reply 10: Card jam</td></tr>")));
  EXPECT_TRUE(html.contains(QStringLiteral("<details><summary>The exchanges of the run (2 lines)</summary>\n"
                                           "<pre>SD: F2 00 00 03 43 31 30 03 B0 \nRD: 06\n</pre>")));
  EXPECT_TRUE(html.contains(QStringLiteral("@media print")));

  const QString xml = QString::fromUtf8(report::QualifyJUnit(r, QStringLiteral("bench")));
  EXPECT_TRUE(xml.contains(QStringLiteral("<testsuite name=\"qualify &lt;SN &amp; 1&gt;\" package=\"COM3\" tests=\"3\" "
                                          "failures=\"1\" errors=\"0\" skipped=\"1\" time=\"0.816\"")));
  EXPECT_TRUE(xml.contains(QStringLiteral("<testcase name=\"move ic\" classname=\"qualify\" time=\"0.813\">\n"
                                          "            <failure message=\"negative reply 10: Card jam\"/>")));
  EXPECT_TRUE(xml.contains(QStringLiteral("<skipped message=\"the card did not reach the IC position\"/>")));
  EXPECT_EQ(xml.count(QStringLiteral("<testcase ")), 3);
}
