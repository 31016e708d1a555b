// SPDX-License-Identifier: MIT
// A long script run holds no more memory at its end than early on, whatever it writes: its
// blocks, its raw lines (--log), its JSON object, its JUnit report, each complete; and when
// the disk will not take what it writes out as it goes, it says so and breaks nothing.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "ctl_process.h"
#include "junit_reader.h"
#include "test_files.h"

namespace {

// The peak resident size of a running process so far, in KiB; 0 once it is gone.
long PeakKib(qint64 pid) {
  QFile status(QStringLiteral("/proc/%1/status").arg(pid));
  if (!status.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
  return 0;
}

struct Watched {
  int code = -1;
  QStringList lines;
  long early = 0;  // the peak after its first second
  long late = 0;   // the last peak seen
};

// kvt730ctl, its peak looked at every 50 ms as it runs.
Watched RunWatched(const QStringList& args) {
  QProcess p;
  p.start(QStringLiteral(KVT730CTL_PATH), args);
  QElapsedTimer clock;
  clock.start();
  Watched w;
  while (!p.waitForFinished(50) && p.state() == QProcess::Running) {
    const long peak = PeakKib(p.processId());
    if (peak == 0) continue;
    if (w.early == 0 && clock.elapsed() >= 1000) w.early = peak;
    w.late = peak;
    if (clock.elapsed() > 120000) p.kill();
  }
  w.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  w.lines = QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
  if (w.early == 0) w.early = w.late;  // over within a second
  return w;
}

TEST(LongRun, TenThousandLinesTakeNoMoreMemoryAtTheEndThanAtTheStart) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer keeps freed memory back for a while";
#endif
  QTemporaryDir dir;
  const QString script = dir.filePath("FIVE.TXT");
  ASSERT_TRUE(test_files::writeFile(script, "C10\nC11\nC$A20$12\nC$A30\nC$A50\n"));
  const QString report = dir.filePath("R.XML");
  const auto run = [&](const char* output) {
    return RunWatched({"--simulate", output, "script", script, "--repeat", "2050", "--report", report});
  };
  const Watched text = run("--log");
  ASSERT_EQ(text.code, 0);
  EXPECT_EQ(text.lines.filter("Reply type=<Positive reply>").size(), 10250);
  EXPECT_EQ(text.lines.filter("SD: F2 00 00 03 43 31 30 03 B0 ").size(), 2050);
  EXPECT_EQ(ctl_test::ReadJUnit(report).root["tests"], "10250");
  // Kept for every line, about 9 KB each would be 90 MB by the end.
  EXPECT_LT(text.late - text.early, 10 * 1024);

  const Watched json = run("--json");
  ASSERT_EQ(json.code, 0);
  ASSERT_EQ(json.lines.size(), 1);
  const QJsonObject o = QJsonDocument::fromJson(json.lines[0].toUtf8()).object();
  EXPECT_EQ(o["lines"].toArray().size(), 10250);
  EXPECT_EQ(o["log"].toArray().size(), 4 * 10250);
  EXPECT_EQ(o["summary"][4]["sent"].toInt(), 2050);
  const ctl_test::JUnitRead read = ctl_test::ReadJUnit(report);
  ASSERT_TRUE(read.error.isEmpty()) << read.error.toStdString();
  EXPECT_EQ(read.suites.size(), 2050u);
  EXPECT_LT(json.late - json.early, 10 * 1024);
}

TEST(LongRun, WhenTheDiskTakesNoMoreTheObjectStaysWholeAndTheOldReportStays) {
  QTemporaryDir dir;
  const QString script = dir.filePath("FIVE.TXT");
  ASSERT_TRUE(test_files::writeFile(script, "C10\nC11\nC$A20$12\nC$A30\nC$A50\n"));
  const QString report = dir.filePath("R.XML");
  ASSERT_TRUE(test_files::writeFile(report, "old"));
  // No file of the run may grow past 64 KiB (a pipe is no file: the output still goes).
  QProcess p;
  p.setChildProcessModifier([] {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64 * 1024, 64 * 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
  });
  p.start(QStringLiteral(KVT730CTL_PATH),
          {"--simulate", "--json", "script", script, "--repeat", "400", "--report", report});
  ASSERT_TRUE(p.waitForFinished(60000));
  EXPECT_EQ(p.exitCode(), 3);  // the lines ran well; the report could not be written
  const QString err = QString::fromUtf8(p.readAllStandardError());
  EXPECT_TRUE(err.contains("kvt730ctl: cannot write " + report + ": the suites of COM1 could not be kept: ")) << err.toStdString();
  EXPECT_EQ(test_files::readFile(report), QByteArray("old"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"FIVE.TXT", "R.XML"}));

  const QList<QByteArray> out = p.readAllStandardOutput().split('\n');
  ASSERT_EQ(out.size(), 2);  // one line, then nothing after its line feed
  QJsonParseError error{};
  const QJsonObject o = QJsonDocument::fromJson(out[0], &error).object();
  ASSERT_EQ(error.error, QJsonParseError::NoError);
  EXPECT_TRUE(o["lines"].toArray().isEmpty());
  EXPECT_TRUE(o["log"].toArray().isEmpty());
  EXPECT_EQ(o["summary"][0]["sent"].toInt(), 400);  // the figures need no file
  ASSERT_FALSE(o["errors"].toArray().isEmpty());
  EXPECT_TRUE(o["errors"][0].toString().startsWith("--json: the run's lines and log could not be kept: "));
}

}  // namespace
