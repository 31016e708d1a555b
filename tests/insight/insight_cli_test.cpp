// SPDX-License-Identifier: MIT
// kvt730ctl's atr and sw commands, which open no port, and the status-word lines of a script's
// APDU replies on the in-process simulated reader.
#include <QTemporaryDir>

#include "ctl_process.h"
#include "test_files.h"

using ctl_test::CtlRun;
using ctl_test::runCtl;

namespace {

// A known-ATR list of our own for the runs of this test.
class KnownList {
 public:
  KnownList() {
    const QString path = dir_.filePath(QStringLiteral("list.txt"));
    test_files::writeFile(path, "# ours\n3B 02 14 50\n\tExample multiflex card\n");
    qputenv("KVT_SMARTCARD_LIST", path.toLocal8Bit());
  }
  ~KnownList() { qunsetenv("KVT_SMARTCARD_LIST"); }

 private:
  QTemporaryDir dir_;
};

}  // namespace

TEST(InsightCli, AtrIsDecodedWithoutAPort) {
  KnownList list;
  // Operands split anyhow; the port named does not exist and is never opened. The decoding
  // is the decoders' test's; here the lines come out, the names from the list last.
  const CtlRun r = runCtl({"--port", "/dev/kvt-no-such-port", "atr", "3B 02", "1450"});
  EXPECT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_EQ(r.lines.value(0), "TS: 3B (direct convention)");
  EXPECT_EQ(r.lines.mid(5), (QStringList{"TCK: absent", "Known as: Example multiflex card"}));
  // A broken answer is decoded as far as it goes: no mistake of the user.
  EXPECT_EQ(runCtl({"atr", "3B0214"}).code, 0);

  for (const QStringList& bad : {QStringList{"atr"}, {"atr", "3B 0"}, {"atr", "3B", "0G"}, {"atr", "3B021"}}) {
    const CtlRun b = runCtl(bad);
    EXPECT_EQ(b.code, 3) << bad.join(' ').toStdString();
    EXPECT_TRUE(b.lines.isEmpty());
    EXPECT_TRUE(b.err.startsWith("kvt730ctl: atr")) << b.err.toStdString();
  }
}

TEST(InsightCli, SwNamesTheStatusWord) {
  // Lower case, a space between SW1 and SW2.
  EXPECT_EQ(runCtl({"sw", "6a 82"}).lines, QStringList{"SW 6A82: File or application not found"});
  for (const QStringList& bad :
       {QStringList{"sw"}, {"sw", "6A8"}, {"sw", "6A823"}, {"sw", "XX00"}, {"sw", "6A", "82", "00"}, {"sw", "6 A82"}}) {
    const CtlRun b = runCtl(bad);
    EXPECT_EQ(b.code, 3) << bad.join(' ').toStdString();
    EXPECT_TRUE(b.lines.isEmpty());
  }
}

TEST(InsightCli, ScriptReplyBlocksOfApdusEndInTheirStatusWord) {
  QTemporaryDir dir;
  // Card to the IC contacts, cold reset (its reply holds the ATR: no SW line), SELECT,
  // GET RESPONSE of 24 bytes (two data lines).
  const QString script = dir.filePath(QStringLiteral("script.txt"));
  ASSERT_TRUE(test_files::writeFile(script, "C21\nCQ0$30\nCQ3 00 A4 00 00 02 3F 00\nCQ3 00 C0 00 00 18\n"));
  const CtlRun r = runCtl({"--simulate", "script", script}, true);
  EXPECT_EQ(r.code, 0) << r.err.toStdString();
  const QStringList sw = r.lines.filter(QStringLiteral("SW "));
  ASSERT_EQ(sw, (QStringList{"SW 6118: Normal processing, 24 bytes still available (GET RESPONSE)",
                             "SW 9000: Normal processing"}));
  // After the last data line of its block, before the blank line that closes it.
  const int second = r.lines.indexOf(sw[1]);
  EXPECT_EQ(r.lines.mid(second - 2, 4),
            (QStringList{"Data(Hex):6F 16 84 02 3F 00 A5 10  - 88 01 01 5F 2D 06 7A 68 ",
                         "          65 6E 66 72 9F 11 01 01  - 90 00 ", sw[1], QString()}));
}
