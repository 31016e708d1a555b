// SPDX-License-Identifier: MIT
// Ctrl-C (SIGINT) and SIGTERM end a kvt730ctl run the way the window's Cancel does: the
// reader gets its EOT, the port is closed, what ran is reported, the exit status is 130.
#include <gtest/gtest.h>
#include <signal.h>

#include <QRegularExpression>
#include <QTemporaryDir>

#include "ctl_live.h"
#include "junit_reader.h"
#include "scripted_reader.h"
#include "test_files.h"

namespace {

// The Card Status frame and our EOT right after it: the exchange was cut short.
const QByteArray kFrameThenEot = QByteArray::fromHex("F2000003433130 03B0 04");

TEST(StopSignal, SigintDuringAScriptCancelsTheLineAndWritesWhatRan) {
  // Every reply takes 300 ms: the signal meets a line waiting for its reply.
  ctl_test::ScriptedReader reader({"P10020"}, 300);
  QTemporaryDir dir;
  ASSERT_TRUE(test_files::writeFile(dir.filePath("SLOW.TXT"), "C10\n"));
  const QString report = dir.filePath("partial.xml");
  const ctl_test::LiveRun r = ctl_test::RunLive(
      {"--port", reader.device(), "script", dir.filePath("SLOW.TXT"), "--repeat", "100", "--report", report}, SIGINT,
      [](const std::vector<ctl_test::TimedLine>& lines, qint64) {
        int replies = 0;
        for (const auto& l : lines) replies += l.text == "Reply type=<Positive reply>";
        return replies >= 2;
      });
  EXPECT_EQ(r.code, 130) << r.err.toStdString();
  ASSERT_GE(r.signalMs, 0);
  // It did not go on with the 98 lines left (about 30 s of replies); the cancelled reply is
  // the EOT below. The bound leaves a loaded machine its time.
  EXPECT_LT(r.endMs - r.signalMs, 10000);
  EXPECT_TRUE(r.err.contains("stopped by SIGINT")) << r.err.toStdString();
  const QByteArray seen = reader.receivedEndingWith("\x04");
  ASSERT_FALSE(seen.isEmpty());
  EXPECT_EQ(seen.back(), '\x04');
  EXPECT_TRUE(seen.endsWith(kFrameThenEot) || seen.endsWith(QByteArray::fromHex("0604")));
  QStringList texts;
  for (const auto& l : r.lines) texts << l.text;
  EXPECT_TRUE(texts.contains("Caution | Cancel communication process"));
  EXPECT_EQ(texts.filter(QRegularExpression("^Summary 31h/30h: \\d+ sent, \\d+ positive, 0 negative, 1 failed, ")).size(), 1);

  const ctl_test::JUnitRead read = ctl_test::ReadJUnit(report);
  ASSERT_TRUE(read.error.isEmpty()) << read.error.toStdString();
  // A suite per run over the one-line script, up to the run the signal stopped.
  std::vector<ctl_test::JUnitCase> cases;
  for (const auto& suite : read.suites) {
    EXPECT_EQ(suite.cases.size(), 1u);
    cases.insert(cases.end(), suite.cases.begin(), suite.cases.end());
  }
  ASSERT_GE(cases.size(), 3u);
  EXPECT_LT(cases.size(), 10u);
  for (size_t i = 0; i + 1 < cases.size(); ++i) EXPECT_EQ(cases[i].outcome, "") << i;
  EXPECT_EQ(cases.back().outcome, "error");
  EXPECT_EQ(cases.back().outcomeAttributes["type"], "stopped");
  EXPECT_EQ(cases.back().outcomeAttributes["message"], "Cancel communication process");
  EXPECT_EQ(read.root["errors"], "1");
}

TEST(StopSignal, SigtermStopsEveryPortOfALongOperation) {
  // Both readers acknowledge and would answer only after a minute.
  ctl_test::ScriptedReader first({"P10020"}, 60000);
  ctl_test::ScriptedReader second({"P10020"}, 60000);
  const ctl_test::LiveRun r =
      ctl_test::RunLive({"--ports", first.device() + "," + second.device(), "card-status"}, SIGTERM,
                        [](const std::vector<ctl_test::TimedLine>&, qint64 ms) { return ms >= 700; });
  EXPECT_EQ(r.code, 130) << r.err.toStdString();
  EXPECT_LT(r.endMs - r.signalMs, 10000);  // not the minute the replies would take
  EXPECT_TRUE(r.err.contains("stopped by SIGTERM"));
  EXPECT_EQ(first.receivedEndingWith(kFrameThenEot), kFrameThenEot);
  EXPECT_EQ(second.receivedEndingWith(kFrameThenEot), kFrameThenEot);
  ASSERT_EQ(r.lines.size(), 2u);
  for (const auto& l : r.lines) EXPECT_TRUE(l.text.endsWith(": Caution | Time is out, cancel communication process"));
}

}  // namespace
