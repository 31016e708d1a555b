// SPDX-License-Identifier: MIT
// kvt730ctl qualify and wear as a user runs them: the lines, the exit status, the JSON
// object, the JUnit and HTML files, a stop by signal, and a rack of readers at once.
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>

#include "ctl_live.h"
#include "ctl_process.h"
#include "junit_reader.h"
#include "test_files.h"

using ctl_test::CtlRun;
using ctl_test::runCtl;
using ctl_test::SimProcess;

namespace {

const QStringList kChecks = {"link",          "initialize",    "serial number", "configuration", "capture counter",
                             "card status",   "sensor status", "entry allow",   "entry forbid",  "move ic",
                             "ic type",       "move rf",       "rf type",       "move front-hold", "move front"};

QJsonObject JsonOf(const CtlRun& r) { return QJsonDocument::fromJson(r.out).object(); }

// The summary row of a motion in a wear report: count, four failure classes, four times.
QStringList ReportRow(const QByteArray& html, const QString& motion) {
  const QRegularExpression row(QStringLiteral("<tr><td>%1</td>(.*?)</tr>").arg(QRegularExpression::escape(motion)));
  const QString cells = row.match(QString::fromUtf8(html)).captured(1);
  QStringList out;
  for (const auto& m : QRegularExpression(QStringLiteral("<td class=\"num\">([^<]*)</td>")).globalMatch(cells)) out << m.captured(1);
  return out;
}

}  // namespace

TEST(QualifyCommand, OneLinePerCheckThenTheVerdict) {
  const CtlRun r = runCtl({"--simulate", "qualify"});
  EXPECT_EQ(r.code, 0) << r.err.toStdString();
  ASSERT_EQ(r.lines.size(), kChecks.size() + 1);
  const QRegularExpression form(QStringLiteral("^PASS  ([a-z -]+)  \\d+\\.\\d{3} ms  \\S.*$"));
  for (int i = 0; i < kChecks.size(); ++i) {
    const auto m = form.match(r.lines[i]);
    EXPECT_TRUE(m.hasMatch()) << r.lines[i].toStdString();
    EXPECT_EQ(m.captured(1), kChecks[i]);
  }
  EXPECT_TRUE(r.lines[2].endsWith(QStringLiteral("  KVT730MA10012345")));
  EXPECT_EQ(r.lines.last(), QStringLiteral("Verdict: PASS"));
}

TEST(QualifyCommand, JsonJUnitAndReportTellTheSameRun) {
  QTemporaryDir dir;
  const QString xml = dir.filePath("q.xml"), html = dir.filePath("q.html");
  const CtlRun r = runCtl({"--simulate", "qualify", "--json", "--junit", xml, "--report", html, "--path", "rf,ic"});
  EXPECT_EQ(r.code, 0) << r.err.toStdString();
  const QJsonObject o = JsonOf(r);
  EXPECT_EQ(o.value("verdict").toString(), "pass");
  EXPECT_EQ(o.value("exit_status").toInt(), 0);
  const QJsonObject unit = o.value("unit").toObject();
  EXPECT_EQ(unit.value("serial").toString(), "KVT730MA10012345");
  EXPECT_EQ(unit.value("firmware").toString(), "KVT730-RAVI V1.05");
  EXPECT_EQ(unit.value("variant").toString(), "B");
  EXPECT_EQ(unit.value("port").toString(), "COM1");
  EXPECT_EQ(o.value("log").toArray().first().toObject().value("bytes").toString(), "F2 00 00 03 43 31 30 03 B0");
  const QJsonArray checks = o.value("checks").toArray();
  ASSERT_EQ(checks.size(), 13);
  EXPECT_EQ(checks[9].toObject().value("name").toString(), "move rf");
  EXPECT_EQ(checks[10].toObject().value("detail").toString(), "S50 card");

  const ctl_test::JUnitRead junit = ctl_test::ReadJUnit(xml);
  ASSERT_TRUE(junit.error.isEmpty()) << junit.error.toStdString();
  ASSERT_EQ(junit.suites.size(), 1u);
  EXPECT_EQ(junit.suites[0].attributes["name"], "qualify KVT730MA10012345");
  ASSERT_EQ(junit.suites[0].cases.size(), 13u);
  const QByteArray page = test_files::readFile(html);
  EXPECT_TRUE(page.contains("<div class=\"verdict pass\">PASS</div>"));
  for (int i = 0; i < 13; ++i) {
    const QJsonObject c = checks[i].toObject();
    EXPECT_EQ(junit.suites[0].cases[size_t(i)].attributes["name"], c.value("name").toString());
    EXPECT_EQ(c.value("verdict").toString(), "pass");
    const QString cell = QStringLiteral("<td class=\"name\">%1</td><td class=\"num\">%2</td>")
                             .arg(c.value("name").toString(), QString::number(c.value("ms").toDouble(), 'f', 3));
    EXPECT_TRUE(page.contains(cell.toUtf8())) << cell.toStdString();
  }
}

TEST(QualifyCommand, TheExitStatusSaysWhatWentWrong) {
  {
    SimProcess jams({"--jam-rate", "1"});
    const CtlRun r = jams.ctl({"qualify"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.lines.filter(QRegularExpression("^FAIL  move ic  \\S+ ms  negative reply 10: Card jam$")).size() == 1)
        << r.out.toStdString();
    EXPECT_EQ(r.lines.last(), "Verdict: FAIL");
  }
  {
    SimProcess empty({"--stacker", "0"});
    const CtlRun r = empty.ctl({"qualify", "--path", "ic"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.lines.contains(QRegularExpression(
        "^SKIP  move ic  \\S+ ms  no card in the reader and the stacker is empty$")));
  }
  {
    SimProcess elsewhere({"--address", "5"});
    const CtlRun r = elsewhere.ctl({"--timeout-scale", "20", "qualify"});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.lines.value(0).startsWith("FAIL  link  ")) << r.out.toStdString();
    EXPECT_EQ(r.lines.value(1), "SKIP  initialize  0.000 ms  the reader stopped answering");
  }
  const struct {
    QStringList args;
    QString says;
  } bad[] = {
      {{"--simulate", "wear"}, "wear needs --cycles N or --until-failure"},
      {{"--simulate", "qualify", "now"}, "qualify takes no operands"},
      {{"--simulate", "qualify", "--junit", "/no/such/folder/q.xml"}, "--junit /no/such/folder/q.xml: no folder"},
  };
  QTcpServer taken;  // a port someone else listens at already
  ASSERT_TRUE(taken.listen(QHostAddress::LocalHost));
  const QString busy = QStringLiteral("127.0.0.1:%1").arg(taken.serverPort());
  const CtlRun occupied = runCtl({"--simulate", "wear", "--cycles", "2", "--metrics", busy});
  EXPECT_EQ(occupied.code, 3);
  EXPECT_TRUE(occupied.err.contains("--metrics " + busy + ": cannot listen there")) << occupied.err.toStdString();
  for (const auto& b : bad) {
    const CtlRun r = runCtl(b.args);
    EXPECT_EQ(r.code, 3) << b.args.join(' ').toStdString();
    EXPECT_TRUE(r.err.contains(b.says)) << r.err.toStdString();
  }
}

TEST(WearCommand, TheSummaryTheJsonAndTheReportAgree) {
  SimProcess reader({"--jam-rate", "0.2", "--seed", "3", "--motion-ms", "2"});
  QTemporaryDir dir;
  const QString html = dir.filePath("w.html");
  const CtlRun r = reader.ctl({"wear", "--cycles", "30", "--path", "ic,front-hold", "--json", "--report", html});
  EXPECT_EQ(r.code, 1) << r.err.toStdString();
  const QJsonObject o = JsonOf(r);
  EXPECT_EQ(o.value("verdict").toString(), "fail");
  EXPECT_EQ(o.value("cycles").toInt(), 30);
  const QByteArray page = test_files::readFile(html);
  qint64 negative = 0;
  for (const QString motion : {"ic", "front-hold"}) {
    const QJsonObject m = o.value("motions").toObject().value(motion).toObject();
    EXPECT_EQ(m.value("count").toInt(), 30);
    const QJsonObject f = m.value("failures").toObject();
    negative += f.value("negative").toInt();
    EXPECT_EQ(f.value("position").toInt() + f.value("exchange").toInt() + f.value("slow").toInt(), 0);
    EXPECT_EQ(ReportRow(page, motion),
              (QStringList{"30", QString::number(f.value("negative").toInt()), "0", "0", "0",
                           QString::number(m.value("min_ms").toDouble(), 'f', 3),
                           QString::number(m.value("median_ms").toDouble(), 'f', 3),
                           QString::number(m.value("p95_ms").toDouble(), 'f', 3),
                           QString::number(m.value("max_ms").toDouble(), 'f', 3)}));
  }
  EXPECT_GT(negative, 0);
  EXPECT_EQ(page.count("<td>negative</td>"), negative);  // each failure on the list

  const CtlRun text = reader.ctl({"wear", "--cycles", "20", "--every", "10", "--path", "rf"});
  const QStringList summaries = text.lines.filter(QRegularExpression(
      "^(Cycle (10|20): |Summary after 20 cycles, )rf: \\d+ motions, \\d+ negative, 0 exchange, 0 position, 0 slow, "
      "min/median/p95/max [\\d.]+/[\\d.]+/[\\d.]+/[\\d.]+ ms$"));
  EXPECT_EQ(summaries.size(), 3) << text.out.toStdString();
  EXPECT_TRUE(text.lines.filter(QRegularExpression("^FAIL  cycle \\d+  rf  negative  \\S+ ms  negative reply 10: Card jam$"))
                  .size() > 0);
}

TEST(WearCommand, SigtermEndsTheRunWithAPartialReport) {
  SimProcess reader({"--motion-ms", "20"});
  QTemporaryDir dir;
  const QString html = dir.filePath("partial.html");
  const ctl_test::LiveRun r = ctl_test::RunLive(
      {"--port", reader.device(), "wear", "--cycles", "100000", "--every", "2", "--report", html}, SIGTERM,
      [](const std::vector<ctl_test::TimedLine>& lines, qint64) {
        int summaries = 0;
        for (const auto& l : lines) summaries += l.text.startsWith("Cycle ");
        return summaries >= 6;  // two summaries of the three motions
      });
  EXPECT_EQ(r.code, 130) << r.err.toStdString();
  EXPECT_TRUE(r.err.contains("stopped by SIGTERM"));
  const QByteArray page = test_files::readFile(html);
  EXPECT_TRUE(page.contains("Stopped before the end: this report is partial.")) << page.left(200).toStdString();
  EXPECT_TRUE(page.contains("<div class=\"verdict fail\">FAIL</div>"));
  const QRegularExpression cycles("<th>Cycles</th><td>(\\d+) of 100000</td>");
  EXPECT_GE(cycles.match(QString::fromUtf8(page)).captured(1).toInt(), 4);
}

TEST(QualifyCommand, EveryReaderOfARackGetsItsOwnReport) {
  QTemporaryDir dir;
  const CtlRun r = runCtl({"--simulate", "--ports", "COM1,COM2", "qualify", "--report", dir.filePath("rack.html")});
  EXPECT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
            (QStringList{"rack-COM1-KVT730MA10012345.html", "rack-COM2-KVT730MA10012345.html"}));
  EXPECT_EQ(r.lines.filter("COM2: Verdict: PASS").size(), 1);
}
