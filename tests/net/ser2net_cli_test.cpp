// SPDX-License-Identifier: MIT
// kvt730ctl through a real ser2net with Telnet serial port control to the simulated reader
// (the bytes through each kind of relay are the port conformance test's; here the speed),
// and kvt730ctl losing the simulated reader's terminal under it.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <functional>

#include "ctl_process.h"
#include "ser2net_fixture.h"
#include "sim/pty_host.h"

using ctl_test::CtlRun;
using ctl_test::runCtl;
using net_test::Ser2net;

// The speed set through the relay is the speed on the reader's line: a reader listening at
// 19200 answers at 19200 and hears only noise at 9600.
TEST(Ser2netRelay, BaudRateReachesTheReadersLine) {
  if (Ser2net::program().isEmpty()) GTEST_SKIP() << "ser2net is not installed (Debian package ser2net)";
  ctl_test::SimProcess sim({"--baud", "19200"});
  ASSERT_TRUE(sim.ok());
  Ser2net server;
  QString why;
  ASSERT_TRUE(server.start(Ser2net::Mode::Rfc2217, sim.device(), &why)) << why.toStdString();
  const QString address = server.address();

  CtlRun r = runCtl({"--baud", "19200", "--port", address, "card-status"});
  EXPECT_EQ(r.code, 0) << r.out.toStdString();
  EXPECT_EQ(r.lines.value(0), QStringLiteral("Card Status | Card Status Success / No card in card channel / "
                                             "Enough cards in stacker / The error card bin is not full"));
  ASSERT_TRUE(server.waitIdle());
  r = runCtl({"--baud", "9600", "--timeout-scale", "10", "--port", address, "card-status"});
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.lines, QStringList{"Caution | Time is out, cancel communication process"});
  // The ACK of the first run's reply crossed the relay before kvt730ctl closed its end: the
  // reader counts a reply left unacknowledged when the next command comes.
  ASSERT_TRUE(server.waitIdle());
  EXPECT_EQ(runCtl({"--baud", "19200", "--port", address, "card-status"}).code, 0);
  EXPECT_EQ(sim.stop(), 0);
}

// kvt730ctl card-status on a silent reader whose port `pull` takes away once the frame is
// there: the stage's message, and on stderr, once, that the connection to `port` was lost.
// Once `back` has brought it back, the next run works.
void LostUnderKvt730ctl(sim::PtyHost& host, const QString& port, const std::function<void()>& pull,
                        const std::function<void()>& back) {
  host.withReader([](sim::Reader& r) { r.setFault(sim::Fault{sim::FaultKind::Silent}); });
  QProcess ctl;
  ctl.start(QStringLiteral(KVT730CTL_PATH), {"--port", port, "card-status"});
  for (int i = 0; i < 3000 && host.received().empty(); ++i) QThread::msleep(10);
  pull();
  ASSERT_TRUE(ctl.waitForFinished(30000));
  EXPECT_EQ(ctl.exitCode(), 2);
  EXPECT_EQ(ctl.readAllStandardOutput(), "Caution | Unit not detected / 1.Comm port setup error / 2.No power on Unit / "
                                         "Device Address Error / 3.Communication line not connected\n");
  EXPECT_EQ(QString::fromUtf8(ctl.readAllStandardError()),
            "kvt730ctl: The connection to " + port + " was lost; the next operation reopens it\n");
  back();
  const CtlRun r = runCtl({"--port", port, "card-status"});
  EXPECT_EQ(r.code, 0) << r.err.toStdString();
}

// The simulated reader's terminal, then kvt730-sim back under the same name (the window's
// test stops and starts a ser2net relay too).
TEST(LostPort, TerminalClosedUnderKvt730ctl) {
  QTemporaryDir dir;
  const QString link = dir.filePath("ttyKVT");
  sim::PtyHost host;
  ASSERT_TRUE(host.start());
  ASSERT_TRUE(QFile::link(QString::fromStdString(host.slavePath()), link));
  std::unique_ptr<ctl_test::SimProcess> sim;
  LostUnderKvt730ctl(host, link, [&] { host.vanish(); }, [&] {
    QFile::remove(link);
    sim = std::make_unique<ctl_test::SimProcess>(QStringList{"--link", link});
  });
}

