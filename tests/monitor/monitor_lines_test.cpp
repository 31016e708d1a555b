// SPDX-License-Identifier: MIT
// kvt730ctl monitor over the life of a line: the application coming and going, the reader
// vanishing and coming back, a change of speed, two existing ports, readers behind ser2net,
// and the input it refuses.
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>

#include "../net/ser2net_fixture.h"
#include "../sim/pty_client.h"
#include "monitor_fixture.h"
#include "sim/pty_host.h"

using ctl_test::CtlRun;
using ctl_test::runCtl;
using ctl_test::SimProcess;
using monitor_test::KindsAndTexts;
using monitor_test::MonitorProcess;

namespace {

QByteArray ReadFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

const char* kCardStatusLine =
    "Card Status | Card Status Success / No card in card channel / Enough cards in stacker / The error card bin is not full";

}  // namespace

TEST(MonitorLine, TheApplicationSeesTheReaderAsIfDirectAndTheLogIsTheWindowsLog) {
  QTemporaryDir dir;
  SimProcess sim;
  ASSERT_TRUE(sim.ok());
  const CtlRun direct = runCtl({"--port", sim.device(), "card-status"});
  const QString log = dir.filePath("line.log");
  MonitorProcess mon({"--reader", sim.device(), "--app-link", dir.filePath("app"), "--log", log});
  ASSERT_TRUE(mon.ok()) << mon.err().toStdString();
  EXPECT_EQ(QFileInfo(dir.filePath("app")).symLinkTarget(), mon.app());
  for (int round = 0; round < 3; ++round) {  // the application closes and opens its port again
    const CtlRun through = runCtl({"--port", dir.filePath("app"), "card-status"});
    EXPECT_EQ(through.code, 0);
    EXPECT_EQ(through.out, direct.out);
    EXPECT_EQ(through.lines.value(0), kCardStatusLine);
  }
  EXPECT_EQ(runCtl({"--port", dir.filePath("app"), "send", "43", "7A", "30"}).code, 1);
  int closed = -1;
  for (int i = 0; i < 4; ++i) closed = mon.waitForText("event: the application closed its port", closed + 1);
  ASSERT_GE(closed, 0);
  EXPECT_EQ(mon.stop(), 130);
  EXPECT_TRUE(mon.err().contains("kvt730ctl: stopped by SIGTERM")) << mon.err().toStdString();
  EXPECT_FALSE(QFileInfo::exists(dir.filePath("app")));  // the link goes with the terminal
  EXPECT_EQ(KindsAndTexts(mon.units(), 0, true).count("event event: the application opened its port"), 4);
  EXPECT_EQ(KindsAndTexts(mon.units(), 0, true).count("event event: the application closed its port"), 4);
  const QByteArray exchange =
      "SD: F2 00 00 03 43 31 30 03 B0 \r\nRD: 06\r\nRD: F2 00 00 06 50 31 30 30 32 30 03 94 \r\nSD: 06\r\n\r\n";
  EXPECT_EQ(ReadFile(log), exchange + exchange + exchange +
                               "SD: F2 00 00 03 43 7A 30 03 FB \r\nRD: 06\r\nRD: F2 00 00 05 4E 7A 30 30 30 03 F0 \r\n"
                               "SD: 06\r\n\r\n");
  // The saved log turns into a capture of the same units.
  const CtlRun converted = runCtl({"pcap", log, dir.filePath("from-log.pcapng")});
  EXPECT_EQ(converted.code, 0) << converted.err.toStdString();
  EXPECT_EQ(converted.lines.value(0), QStringLiteral("16 units from %1 written to %2").arg(log, dir.filePath("from-log.pcapng")));
  if (!monitor_test::Tshark().isEmpty()) {
    EXPECT_EQ(monitor_test::Dissect(dir.filePath("from-log.pcapng"), {"kvt730.text"}).mid(12),
              QStringList({"command 7A 30 unknown command 7A 30", "ACK",
                           "reply N 7A 30 unknown command 7A 30: Negative response:00 | A given command code is unidentified",
                           "ACK"}));
  }
}

TEST(MonitorLine, TheReaderVanishesAndComesBackWhileTheApplicationStays) {
  QTemporaryDir dir;
  const QString reader = dir.filePath("reader");
  auto first = std::make_unique<sim::PtyHost>();
  ASSERT_TRUE(first->start());
  ASSERT_TRUE(QFile::link(QString::fromStdString(first->slavePath()), reader));
  MonitorProcess mon({"--reader", reader, "--app-link", dir.filePath("app")});
  ASSERT_TRUE(mon.ok());
  EXPECT_EQ(runCtl({"--port", mon.app(), "card-status"}).code, 0);
  first->vanish();
  const int gone = mon.waitForText(QStringLiteral("event: the reader side is gone (%1): opening it again every 1 s").arg(reader));
  ASSERT_GE(gone, 0);
  EXPECT_EQ(runCtl({"--port", mon.app(), "--timeout-scale", "20", "card-status"}).code, 2);  // nobody answers
  sim::PtyHost second;
  ASSERT_TRUE(second.start());
  QFile::remove(reader);
  ASSERT_TRUE(QFile::link(QString::fromStdString(second.slavePath()), reader));
  ASSERT_GE(mon.waitForText(QStringLiteral("event: the reader side is back (%1) at 9600 8N1").arg(reader), gone), 0);
  EXPECT_EQ(runCtl({"--port", mon.app(), "card-status"}).lines.value(0), kCardStatusLine);
  EXPECT_EQ(mon.stop(), 130);
}

TEST(MonitorLine, TheReadersLineFollowsTheSpeedTheApplicationSets) {
  QTemporaryDir dir;
  SimProcess sim({"--baud", "19200"});  // hears nothing at 9600
  MonitorProcess mon({"--reader", sim.device(), "--app-link", dir.filePath("app")});
  ASSERT_TRUE(mon.ok());
  EXPECT_EQ(runCtl({"--port", mon.app(), "--baud", "19200", "card-status"}).lines.value(0), kCardStatusLine);
  EXPECT_GE(mon.waitForText("event: the application set 19200 8N1: the reader side follows"), 0);
  EXPECT_EQ(runCtl({"--port", mon.app(), "--baud", "9600", "--timeout-scale", "20", "card-status"}).code, 2);
  EXPECT_GE(mon.waitForText("event: the application set 9600 8N1: the reader side follows"), 0);
  EXPECT_EQ(mon.stop(), 130);
}

TEST(MonitorLine, TwoExistingPortsArePassedThroughToo) {
  int master = -1, slave = -1;
  char name[64] = {};
  ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);  // the far end plays the application
  SimProcess sim;
  MonitorProcess mon({"--reader", sim.device(), "--app", QString::fromLatin1(name)});
  ASSERT_TRUE(mon.ok());
  EXPECT_EQ(mon.app(), QString::fromLatin1(name));
  const uint8_t command[] = {0xF2, 0x00, 0x00, 0x03, 0x43, 0x31, 0x30, 0x03, 0xB0};
  ASSERT_EQ(::write(master, command, sizeof command), ssize_t(sizeof command));
  ASSERT_GE(mon.waitFor([](const QJsonObject& u) { return u.value("reply").toString() == "P"; }), 0);
  uint8_t got[16] = {};
  EXPECT_EQ(::read(master, got, sizeof got), 13);  // ACK and the reply frame
  EXPECT_EQ(QByteArray(reinterpret_cast<char*>(got), 13).toHex(' ').toUpper(), "06 F2 00 00 06 50 31 30 30 32 30 03 94");
  EXPECT_EQ(mon.stop(), 130);
  ::close(master);
  ::close(slave);
}

TEST(MonitorLine, ReadersBehindSer2netInBothModesWithEveryByteValue) {
  using net_test::Ser2net;
  if (Ser2net::program().isEmpty()) GTEST_SKIP() << "ser2net is not installed (Debian package ser2net)";
  for (const Ser2net::Mode mode : {Ser2net::Mode::Raw, Ser2net::Mode::Rfc2217}) {
    SCOPED_TRACE(mode == Ser2net::Mode::Raw ? "raw" : "rfc2217");
    QTemporaryDir dir;
    // Over RFC 2217 the reader listens at 19200, which only the application's speed, carried
    // through the protocol, reaches.
    const QString baud = mode == Ser2net::Mode::Raw ? "9600" : "19200";
    SimProcess sim({"--baud", baud, "--card", "inside", "--ic-card", "24c01"});
    Ser2net server;
    QString why;
    ASSERT_TRUE(server.start(mode, sim.device(), &why)) << why.toStdString();
    MonitorProcess mon({"--reader", server.address(), "--app-link", dir.filePath("app")});
    ASSERT_TRUE(mon.ok()) << mon.err().toStdString();
    const QStringList port{"--port", mon.app(), "--baud", baud};
    EXPECT_EQ(runCtl(port + QStringList{"24cxx", "activate"}).code, 0);
    EXPECT_EQ(runCtl(port + QStringList{"24cxx", "write", "10", "FF", "00", "FF", "FF", "00"}).code, 0);
    const CtlRun read = runCtl(port + QStringList{"24cxx", "read", "10", "05"});
    EXPECT_EQ(read.lines.value(0), "00: FF 00 FF FF 00") << read.out.toStdString();
    const int at = mon.waitFor([](const QJsonObject& u) {
      return u.value("name").toString() == "24Cxx read data" && u.value("reply").toString() == "P";
    });
    ASSERT_GE(at, 0);
    EXPECT_TRUE(mon.units()[at].value("data").toString().startsWith("FF 00 FF FF 00"));
    EXPECT_EQ(mon.units()[at].value("check").toString(), "ok");
    EXPECT_EQ(mon.stop(), 130);
  }
}

TEST(MonitorLine, BadInputIsRefusedAndNothingIsOverwritten) {
  QTemporaryDir dir;
  const QString file = dir.filePath("taken");
  {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("keep me\n");
  }
  CtlRun r = runCtl({"monitor", "--reader", "/dev/ttyNOSUCH", "--app-link", file});
  EXPECT_EQ(r.code, 3);
  EXPECT_TRUE(r.err.contains(QStringLiteral("--app-link: %1 exists and is not a symlink: refused, nothing is overwritten").arg(file)));
  EXPECT_EQ(ReadFile(file), "keep me\n");

  r = runCtl({"monitor", "--reader", "/dev/ttyNOSUCH", "--app-link", dir.filePath("app")});
  EXPECT_EQ(r.code, 4);
  EXPECT_EQ(r.lines, QStringList{"Caution | Comm Port Selection Invalid, Please Select Right Comm. Port"});
  EXPECT_FALSE(QFileInfo::exists(dir.filePath("app")));

  EXPECT_EQ(runCtl({"monitor", "--app-link", dir.filePath("app")}).code, 3);
  EXPECT_EQ(runCtl({"monitor", "--reader", "COM1", "--app", "COM2", "--app-link", dir.filePath("app")}).code, 3);
  EXPECT_EQ(runCtl({"monitor", "--reader", "COM1", "--app", "COM2", "--pcap", dir.filePath("no/such.pcapng")}).code, 3);

  r = runCtl({"pcap", file, dir.filePath("out.pcapng")});
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.err.trimmed(), QStringLiteral("kvt730ctl: %1 is not a communication log: line 1 is not a line of a "
                                            "communication log (\"SD: \" or \"RD: \" and hex bytes): keep me")
                                 .arg(file));
  EXPECT_FALSE(QFileInfo::exists(dir.filePath("out.pcapng")));
  EXPECT_EQ(runCtl({"pcap", file}).code, 3);
}
