// kvt730ctl's atr and sw commands, which open no port, and the status-word line after each
// APDU response, against kvt730-sim and the in-process simulated reader.
#include <QFile>
#include <QTemporaryDir>

#include "ctl_process.h"

using ctl_test::CtlRun;
using ctl_test::runCtl;
using ctl_test::SimProcess;

namespace {

// A known-ATR list of our own for the runs of this test.
class KnownList {
 public:
  KnownList() {
    QFile f(dir_.filePath(QStringLiteral("list.txt")));
    if (f.open(QIODevice::WriteOnly)) f.write("# ours\n3B 02 14 50\n\tExample multiflex card\n\n3B .. 14\n\tShort one\n");
    qputenv("KVT_SMARTCARD_LIST", f.fileName().toLocal8Bit());
  }
  ~KnownList() { qunsetenv("KVT_SMARTCARD_LIST"); }

 private:
  QTemporaryDir dir_;
};

QString file(const QTemporaryDir& dir, const QByteArray& text) {
  QFile f(dir.filePath(QStringLiteral("script.txt")));
  if (f.open(QIODevice::WriteOnly)) f.write(text);
  return f.fileName();
}

}  // namespace

TEST(InsightCli, AtrIsDecodedWithoutAPort) {
  KnownList list;
  // Operands split anyhow; the port named does not exist and is never opened.
  const CtlRun r = runCtl({"--port", "/dev/kvt-no-such-port", "atr", "3B 02", "1450"});
  EXPECT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_EQ(r.lines, (QStringList{"TS: 3B (direct convention)", "T0: 02 (no interface bytes; 2 historical bytes)",
                                  "Protocols: T=0", "Historical bytes: 14 50", "Category indicator: 14 (proprietary)",
                                  "TCK: absent", "Known as: Example multiflex card"}));
  const CtlRun wrong = runCtl({"atr", "3BDA18FF81B1FE751F030031C573C00140009000", "9B"});
  EXPECT_EQ(wrong.code, 0);
  EXPECT_EQ(wrong.lines.value(wrong.lines.size() - 1), "TCK: wrong (expected 0C)");
  const CtlRun cut = runCtl({"atr", "3B0214"});
  EXPECT_EQ(cut.lines.mid(3), (QStringList{"Historical bytes: 14 (1 of 2 present)",
                                           "Error: truncated after historical byte 1, historical byte 2 of 2 missing",
                                           "Known as: Short one"}));

  for (const QStringList& bad : {QStringList{"atr"}, {"atr", "3B 0"}, {"atr", "3B", "0G"}, {"atr", "3B021"}}) {
    const CtlRun b = runCtl(bad);
    EXPECT_EQ(b.code, 3) << bad.join(' ').toStdString();
    EXPECT_TRUE(b.lines.isEmpty());
    EXPECT_TRUE(b.err.startsWith("kvt730ctl: atr")) << b.err.toStdString();
  }
}

TEST(InsightCli, SwNamesTheStatusWord) {
  EXPECT_EQ(runCtl({"sw", "6A82"}).lines, QStringList{"SW 6A82: File or application not found"});
  EXPECT_EQ(runCtl({"sw", "6a 82"}).lines, QStringList{"SW 6A82: File or application not found"});
  const CtlRun tries = runCtl({"sw", "63", "C2"});
  EXPECT_EQ(tries.code, 0);
  EXPECT_EQ(tries.lines, QStringList{"SW 63C2: Verification failed, 2 tries left"});
  EXPECT_EQ(runCtl({"sw", "6E01"}).lines, QStringList{"SW 6E01: unknown (6E: class not supported)"});
  for (const QStringList& bad :
       {QStringList{"sw"}, {"sw", "6A8"}, {"sw", "6A823"}, {"sw", "XX00"}, {"sw", "6A", "82", "00"}, {"sw", "6 A82"}}) {
    const CtlRun b = runCtl(bad);
    EXPECT_EQ(b.code, 3) << bad.join(' ').toStdString();
    EXPECT_TRUE(b.lines.isEmpty());
  }
}

TEST(InsightCli, CpuApduResponsesEndInTheirStatusWord) {
  SimProcess sim({"--card", "inside", "--ic-card", "cpu-t0"});
  ASSERT_TRUE(sim.ok());
  ASSERT_EQ(sim.ctl({"cpu", "cold-reset"}).code, 0);
  const CtlRun r = sim.ctl({"cpu", "apdu", "00A40000023F00", "00C0000018"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.lines, (QStringList{"Response: 6118", "C-APDU | Success",
                                  "SW 6118: Normal processing, 24 bytes still available (GET RESPONSE)",
                                  "Response: 6F1684023F00A5108801015F2D067A68656E66729F1101019000", "C-APDU | Success",
                                  "SW 9000: Normal processing"}));
  // Refused by the reader: no response, no status word.
  const CtlRun refused = sim.ctl({"cpu", "apdu", "t1", "0084000004"});
  EXPECT_EQ(refused.code, 1);
  EXPECT_EQ(refused.lines.filter("SW ").size(), 0);
}

TEST(InsightCli, ScriptReplyBlocksOfApdusEndInTheirStatusWord) {
  QTemporaryDir dir;
  // Card to the IC contacts, cold reset (its reply holds the ATR: no SW line), SELECT,
  // GET RESPONSE of 24 bytes (two data lines).
  const QString script = file(dir, "C21\nCQ0$30\nCQ3 00 A4 00 00 02 3F 00\nCQ3 00 C0 00 00 18\n");
  const CtlRun r = runCtl({"--simulate", "script", script}, true);
  EXPECT_EQ(r.code, 0) << r.err.toStdString();
  const QStringList sw = r.lines.filter(QStringLiteral("SW "));
  ASSERT_EQ(sw, (QStringList{"SW 6118: Normal processing, 24 bytes still available (GET RESPONSE)",
                             "SW 9000: Normal processing"}));
  const int first = r.lines.indexOf(sw[0]);
  EXPECT_EQ(r.lines.mid(first - 2, 4), (QStringList{"Command:51h,  Parameter:33h Status code:220",
                                                    "Data(Hex):61 18 ", sw[0], QString()}));
  const int second = r.lines.indexOf(sw[1]);
  EXPECT_EQ(r.lines.mid(second - 2, 4),
            (QStringList{"Data(Hex):6F 16 84 02 3F 00 A5 10  - 88 01 01 5F 2D 06 7A 68 ",
                         "          65 6E 66 72 9F 11 01 01  - 90 00 ", sw[1], QString()}));
}
