// SPDX-License-Identifier: MIT
// kvt730ctl --ports: one command on several readers at once, each on its own connection,
// every line under its port.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>
#include <map>

#include "ctl_live.h"
#include "ctl_process.h"
#include "junit_reader.h"
#include "test_files.h"

using ctl_test::CtlRun;
using ctl_test::SimProcess;

namespace {

const QString kCardStatusEmpty = QStringLiteral(
    "Card Status | Card Status Success / No card in card channel / Enough cards in stacker / The error card bin "
    "is not full");

TEST(ManyPorts, ASilentReaderHoldsUpOnlyItsOwnLine) {
  SimProcess first;
  SimProcess second;
  SimProcess silent({"--baud", "19200"});  // hears only noise at 9600
  ASSERT_TRUE(first.ok() && second.ok() && silent.ok());
  // Waits divided by 4: the silent reader's exchange runs out after 0.75 + 2.5 + 0.75 s.
  // The silent reader comes first: ports taken one after the other would hold up the rest.
  const ctl_test::LiveRun r = ctl_test::RunLive({"--ports", silent.device() + ",COM2," + second.device(),
                                                 "--port", "COM2=" + first.device(), "--timeout-scale", "4",
                                                 "card-status"});
  EXPECT_EQ(r.code, 2) << r.err.toStdString();
  std::map<QString, ctl_test::TimedLine> byPort;
  for (const ctl_test::TimedLine& l : r.lines) {
    const int colon = static_cast<int>(l.text.indexOf(QStringLiteral(": ")));
    ASSERT_GT(colon, 0) << l.text.toStdString();
    EXPECT_TRUE(byPort.emplace(l.text.left(colon), ctl_test::TimedLine{l.text.mid(colon + 2), l.ms}).second);
  }
  ASSERT_EQ(byPort.size(), 3u);
  EXPECT_EQ(byPort["COM2"].text, kCardStatusEmpty);
  EXPECT_EQ(byPort[second.device()].text, kCardStatusEmpty);
  EXPECT_EQ(byPort[silent.device()].text, "Caution | Time is out, cancel communication process");
  // The answering readers were done long before the silent one's waits ran out.
  EXPECT_LT(byPort["COM2"].ms, 2000);
  EXPECT_LT(byPort[second.device()].ms, 2000);
  EXPECT_GE(byPort[silent.device()].ms, 3500);
}

// Lines go out back to back: clearing the line before a frame must not discard the ACK of
// the reply before it, which may not have reached the reader yet; each reader says so at stop.
TEST(ManyPorts, ScriptLinesOfEveryPortStayWholeAndComplete) {
  SimProcess a, b, c;
  ASSERT_TRUE(a.ok() && b.ok() && c.ok());
  QTemporaryDir dir;
  ASSERT_TRUE(test_files::writeFile(dir.filePath("S.TXT"), "C10\nC11\nC$DC1\n"));
  const QStringList devices = {a.device(), b.device(), c.device()};
  const QString report = dir.filePath("R.XML");
  const CtlRun r = ctl_test::runCtl(
      {"--ports", devices.join(','), "--log", "script", dir.filePath("S.TXT"), "--repeat", "20", "--report", report});
  EXPECT_EQ(r.code, 0) << r.err.toStdString();
  static const QRegularExpression stamp(QStringLiteral("^\\[\\d{4}/\\d\\d/\\d\\d      \\d\\d:\\d\\d:\\d\\d:\\d{1,3}\\]$"));
  for (const QString& device : devices) {
    QStringList own;
    for (const QString& line : r.lines)
      if (line.startsWith(device + ": ")) own << line.mid(device.size() + 2);
    EXPECT_EQ(own.filter(QRegularExpression("^Command:\\w\\wh,  Parameter:\\w\\wh$")).size(), 60) << device.toStdString();
    EXPECT_EQ(own.filter("Reply type=<Positive reply>").size(), 60);
    EXPECT_EQ(own.filter(stamp).size(), 120);
    const QStringList summary = own.filter(QRegularExpression("^Summary "));
    ASSERT_EQ(summary.size(), 3);
    EXPECT_TRUE(summary[0].startsWith("Summary 31h/30h: 20 sent, 20 positive, 0 negative, 0 failed, "));
    EXPECT_TRUE(summary[1].startsWith("Summary 31h/31h: 20 sent, 20 positive, 0 negative, 0 failed, "));
    EXPECT_TRUE(summary[2].startsWith("Summary DCh/31h: 20 sent, 20 positive, 0 negative, 0 failed, "));
    // --log: the port's raw lines after its summary.
    const QStringList raw = own.mid(own.indexOf(summary[2]) + 1);
    EXPECT_EQ(raw.filter("SD: F2 00 00 03 43 31 30 03 B0 ").size(), 20) << device.toStdString();
    EXPECT_EQ(raw.filter(QRegularExpression("^(SD|RD): ")).size(), 60 * 4);
  }
  // The report: each port's runs in the order of the list, the suites numbered through.
  const ctl_test::JUnitRead read = ctl_test::ReadJUnit(report);
  ASSERT_TRUE(read.error.isEmpty()) << read.error.toStdString();
  EXPECT_EQ(read.root["tests"], "180");
  ASSERT_EQ(read.suites.size(), 60u);
  for (int i = 0; i < 60; ++i) {
    const ctl_test::Attributes& suite = read.suites[i].attributes;
    EXPECT_EQ(suite["id"], QString::number(i));
    EXPECT_EQ(suite["name"], QStringLiteral("%1 S.TXT run %2").arg(devices[i / 20]).arg(i % 20 + 1));
    EXPECT_EQ(suite["package"], devices[i / 20]);
    EXPECT_EQ(read.suites[i].cases.size(), 3u);
  }
  // Nothing but whole lines of the three ports.
  for (const QString& line : r.lines)
    EXPECT_TRUE(line.startsWith(devices[0] + ": ") || line.startsWith(devices[1] + ": ") ||
                line.startsWith(devices[2] + ": "))
        << line.toStdString();
  EXPECT_EQ(a.stop(), 0);
  EXPECT_EQ(b.stop(), 0);
  EXPECT_EQ(c.stop(), 0);
}

TEST(ManyPorts, RefusedBeforeAnythingIsOpened) {
  const std::vector<QStringList> cases = {
      {"--ports", "COM2,COM3", "scan"},
      {"--ports", "COM2", "atr", "3B", "00"},
      {"--ports", "COM2", "sw", "9000"},
      {"--ports", "COM2", "mifare", "access", "FF0780"},
      {"--ports", "COM2", "pcsc", "list"},
      {"--ports", "COM2,COM3", "--port", "COM4", "card-status"},
      {"--ports", "COM2,com2", "card-status"},
      {"--ports", "COM2,/dev/ttyS1", "card-status"},  // COM2's own device
      {"--ports", "COM2,,COM3", "card-status"},
      {"--ports", "COM2=/dev/null", "card-status"},
      {"--simulate", "--ports", "COM2,/dev/null", "card-status"},
  };
  for (const QStringList& args : cases) {
    const CtlRun r = ctl_test::runCtl(args);
    EXPECT_EQ(r.code, 3) << args.join(' ').toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << args.join(' ').toStdString();
    EXPECT_TRUE(r.err.startsWith("kvt730ctl: --")) << r.err.toStdString();
  }
}

}  // namespace
