// kvt730ctl through a real ser2net with Telnet serial port control to the simulated reader.
// The bytes through each kind of relay are the port conformance test's; here the speed.
#include <gtest/gtest.h>

#include "ctl_process.h"
#include "ser2net_fixture.h"

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
