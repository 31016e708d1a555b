// SPDX-License-Identifier: MIT
// kvt730ctl script --report: the JUnit XML file, read back as a CI server reads it.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "ctl_process.h"
#include "junit_reader.h"
#include "scripted_reader.h"
#include "test_files.h"

using ctl_test::CtlRun;
using ctl_test::JUnitRead;

namespace {

class JUnitReport : public ::testing::Test {
 protected:
  QString script(const QByteArray& text) {
    EXPECT_TRUE(test_files::writeFile(dir.filePath("CARD.TXT"), text));
    return dir.filePath("CARD.TXT");
  }
  // The suite's counts agree with its cases; its time is their sum (each rounded to 1 ms).
  static void ExpectCountsAddUp(const ctl_test::JUnitSuiteRead& s) {
    int failures = 0, errors = 0;
    double time = 0;
    for (const ctl_test::JUnitCase& c : s.cases) {
      failures += c.outcome == "failure";
      errors += c.outcome == "error";
      time += c.attributes["time"].toDouble();
    }
    EXPECT_EQ(s.attributes["tests"].toInt(), static_cast<int>(s.cases.size()));
    EXPECT_EQ(s.attributes["failures"].toInt(), failures);
    EXPECT_EQ(s.attributes["errors"].toInt(), errors);
    EXPECT_NEAR(s.attributes["time"].toDouble(), time, 0.001 * (s.cases.size() + 1));
  }
  QTemporaryDir dir;
  QString out = dir.filePath("report.xml");
};

TEST_F(JUnitReport, ASuitePerRunACasePerLineAFailurePerNegativeReply) {
  // The second command meets a card jam (error code 10) every time.
  ctl_test::ScriptedReader reader({"P10020", "N2010", "P10020", "N2010"});
  const CtlRun r = ctl_test::runCtl({"--port", reader.device(), "script", script("C10\nC20\n"), "--repeat", "2",
                                     "--report", out});
  EXPECT_EQ(r.code, 1) << r.err.toStdString();
  const JUnitRead report = ctl_test::ReadJUnit(out);
  ASSERT_TRUE(report.error.isEmpty()) << report.error.toStdString();
  EXPECT_EQ(report.root["tests"], "4");
  EXPECT_EQ(report.root["failures"], "2");
  EXPECT_EQ(report.root["errors"], "0");
  ASSERT_EQ(report.suites.size(), 2u);
  for (int run = 0; run < 2; ++run) {
    const ctl_test::JUnitSuiteRead& s = report.suites[run];
    EXPECT_EQ(s.attributes["name"], QStringLiteral("CARD.TXT run %1").arg(run + 1));
    EXPECT_EQ(s.attributes["package"], reader.device());
    ExpectCountsAddUp(s);
    ASSERT_EQ(s.cases.size(), 2u);
    EXPECT_EQ(s.cases[0].attributes["name"], "line 1: C10");
    EXPECT_EQ(s.cases[0].attributes["classname"], "CARD_TXT");  // no dot for CI tools to split at
    EXPECT_EQ(s.cases[0].outcome, "");
    EXPECT_EQ(s.cases[1].attributes["name"], "line 2: C20");
    EXPECT_EQ(s.cases[1].outcome, "failure");
    EXPECT_EQ(s.cases[1].outcomeAttributes["message"], "Card jam");
    EXPECT_EQ(s.cases[1].outcomeAttributes["type"], "Negative response:10");
  }
}

TEST_F(JUnitReport, AReaderThatNeverRepliesGivesAnError) {
  // It acknowledges and then keeps silent: the header wait (1 s here) runs out.
  ctl_test::ScriptedReader reader({"P10020"}, 60000);
  const CtlRun r = ctl_test::runCtl({"--port", reader.device(), "--timeout-scale", "10", "script",
                                     script("C10\nC11\n"), "--report", out});
  EXPECT_EQ(r.code, 2);
  const JUnitRead report = ctl_test::ReadJUnit(out);
  ASSERT_TRUE(report.error.isEmpty()) << report.error.toStdString();
  ASSERT_EQ(report.suites.size(), 1u);
  ExpectCountsAddUp(report.suites[0]);
  ASSERT_EQ(report.suites[0].cases.size(), 1u);  // the run ends at the failed line
  const ctl_test::JUnitCase& c = report.suites[0].cases[0];
  EXPECT_EQ(c.outcome, "error");
  EXPECT_EQ(c.outcomeAttributes["message"], "Time is out, cancel communication process");
  EXPECT_EQ(c.outcomeAttributes["type"], "failed");
  EXPECT_GE(c.attributes["time"].toDouble(), 1.0);
}

TEST_F(JUnitReport, AReportThatCannotBeWrittenIsRefusedFirst) {
  const QString file = script("C10\n");
  for (const QStringList& args : std::vector<QStringList>{
           {"script", file, "--report", dir.filePath("missing/report.xml")},
           {"script", file, "--report", dir.path()},
           {"card-status", "--report", out}}) {
    const CtlRun r = ctl_test::runCtl(QStringList{"--port", "/dev/nonexistent"} + args);
    EXPECT_EQ(r.code, 3) << args.join(' ').toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_FALSE(QFile::exists(out));
  }
}

}  // namespace
