// SPDX-License-Identifier: MIT
// "kvt730ctl script" as a user runs it: a separate process with the simulated reader, its
// printed blocks and its exit status.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>

#include "ctl_process.h"
#include "test_files.h"

using ctl_test::CtlRun;

namespace {

CtlRun Ctl(const QStringList& args) {
  static const QRegularExpression stamp(QStringLiteral("^\\[\\d{4}/\\d\\d/\\d\\d      \\d\\d:\\d\\d:\\d\\d:\\d{1,3}\\]$"));
  // The exchange times of the summary lines.
  static const QRegularExpression times(QStringLiteral(", \\d+\\.\\d/\\d+\\.\\d/\\d+\\.\\d ms$"));
  CtlRun r = ctl_test::runCtl(args, true);
  for (QString& l : r.lines) {
    if (stamp.match(l).hasMatch()) l = QStringLiteral("[stamp]");
    l.replace(times, QStringLiteral(", [times] ms"));
  }
  return r;
}

class ScriptCli : public ::testing::Test {
 protected:
  QString file(const QByteArray& text) {
    const QString path = dir.filePath(QStringLiteral("S%1.TXT").arg(++files));
    EXPECT_TRUE(test_files::writeFile(path, text));
    return path;
  }
  QTemporaryDir dir;
  int files = 0;
};

TEST_F(ScriptCli, PrintsTheDecodedBlocksAndWithLogTheRawLines) {
  const CtlRun r = Ctl({"--simulate", "script", file("\r\nC10\r\n\r\n"), "--repeat", "2"});
  EXPECT_EQ(r.code, 0) << r.err.toStdString();
  const QStringList once = {
      "--------------------------------------- Command ---------------------------------------", "[stamp]",
      "Command:31h,  Parameter:30h", "Data(Hex):<No data>", "",
      "----------------------------------------- Reply -----------------------------------------", "[stamp]",
      "Reply type=<Positive reply>", "Command:31h,  Parameter:30h Status code:020", "Data(Hex):<No data>", ""};
  EXPECT_EQ(r.lines, once + once + QStringList{"Summary 31h/30h: 2 sent, 2 positive, 0 negative, 0 failed, [times] ms"});

  // "--log": the raw lines after the blocks; "#" ends the run.
  const CtlRun log = Ctl({"--simulate", "--log", "script", file("C10\n#end\nC11\n")});
  EXPECT_EQ(log.code, 0);
  EXPECT_EQ(log.lines, once + QStringList({"Summary 31h/30h: 1 sent, 1 positive, 0 negative, 0 failed, [times] ms",
                                           "SD: F2 00 00 03 43 31 30 03 B0 ", "RD: 06",
                                           "RD: F2 00 00 06 50 31 30 30 32 30 03 94 ", "SD: 06", ""}));
}

TEST_F(ScriptCli, BadScriptsAreRefusedBeforeAnythingIsOpened) {
  const std::vector<QStringList> cases = {
      {"script"},
      {"script", dir.filePath("NONE.TXT")},
      {"script", file("\r\n\r\n")},
      {"script", file("# a comment first ends the run at once\nC10")},
      {"script", file("C10\nC00$G0")},
      {"script", file("C10\nQ10")},
      {"--repeat", "2", "card-status"},
  };
  for (const QStringList& args : cases) {
    const CtlRun r = Ctl(QStringList{"--port", "/dev/nonexistent"} + args);
    EXPECT_EQ(r.code, 3) << args.join(' ').toStdString();
    EXPECT_TRUE(r.lines.isEmpty()) << args.join(' ').toStdString();
    EXPECT_TRUE(r.err.startsWith("kvt730ctl: ")) << r.err.toStdString();
  }
  const CtlRun bad = Ctl({"--port", "/dev/nonexistent", "script", file("C10\nC00$G0")});
  EXPECT_TRUE(bad.err.contains("Line 2 \"C00$G0\" is not sent")) << bad.err.toStdString();
}

}  // namespace
