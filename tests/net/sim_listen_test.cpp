// SPDX-License-Identifier: MIT
// kvt730-sim --listen: the simulated reader on a TCP socket, through kvt730ctl.
#include <gtest/gtest.h>

#include <QTcpSocket>

#include "ctl_process.h"

using ctl_test::CtlRun;
using ctl_test::runCtl;

TEST(SimListen, ServesOneClientAtATimeAndKeepsTheReaderState) {
  ctl_test::SimProcess sim({"--listen", "tcp://127.0.0.1:0", "--no-pty"});
  ASSERT_TRUE(sim.listenAddress().startsWith("tcp://127.0.0.1:")) << sim.listenAddress().toStdString();
  EXPECT_TRUE(sim.device().isEmpty());
  const QString address = sim.listenAddress();

  // A client that came first is put off when the next one connects.
  QTcpSocket first;
  first.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(address.section(':', -1).toInt()));
  ASSERT_TRUE(first.waitForConnected(5000));

  CtlRun r = runCtl({"--port", address, "move", "ic"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.lines, QStringList{"Move card to IC card operation position | Move card to IC card operation "
                                 "position success"});
  if (first.state() == QAbstractSocket::ConnectedState) first.waitForDisconnected(5000);
  EXPECT_EQ(first.state(), QAbstractSocket::UnconnectedState);

  r = runCtl({"--port", "COM5=" + address, "--port", "COM5", "counter-init", "42"});
  EXPECT_EQ(r.code, 0);
  // The log is printed after the result exactly as the monitor holds it.
  r = runCtl({"--port", address, "--log", "counter-read"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "Counter: 042\n"
                   "Read Counter | Read Counter Success\n"
                   "SD: F2 00 00 03 43 A5 30 03 24 \r\n"
                   "RD: 06\r\n"
                   "RD: F2 00 00 09 50 A5 30 32 32 30 30 34 32 03 3B \r\n"
                   "SD: 06\r\n"
                   "\r\n");
  // The card moved by the first client is still at the contacts for the last one.
  r = runCtl({"--port", address, "card-status"});
  EXPECT_TRUE(r.lines.value(0).contains("There is card at RF/IC card operation position")) << r.out.toStdString();
  EXPECT_EQ(sim.stop(), 0);
}

// Beside the pseudo-terminal, one reader behind both.
TEST(SimListen, SocketAndTerminalShareOneReader) {
  ctl_test::SimProcess sim({"--listen", "tcp://127.0.0.1:0", "--card", "front"});
  ASSERT_FALSE(sim.listenAddress().isEmpty());
  ASSERT_FALSE(sim.device().isEmpty());
  EXPECT_EQ(runCtl({"--port", sim.listenAddress(), "counter-init", "7"}).code, 0);
  const CtlRun r = sim.ctl({"counter-read"});
  EXPECT_EQ(r.lines.value(0), QStringLiteral("Counter: 007"));
}

TEST(SimListen, RefusesUnusableAddresses) {
  for (const char* bad : {"127.0.0.1:0", "tcp://127.0.0.1", "tcp://127.0.0.1:70000", "udp://127.0.0.1:0"}) {
    QProcess p;
    p.start(QStringLiteral(KVT730SIM_PATH), {"--listen", bad});
    ASSERT_TRUE(p.waitForFinished(10000)) << bad;
    EXPECT_EQ(p.exitCode(), 2) << bad;
    EXPECT_TRUE(p.readAllStandardError().startsWith("kvt730-sim: --listen needs tcp://HOST:PORT")) << bad;
  }
  QProcess p;
  p.start(QStringLiteral(KVT730SIM_PATH), {"--no-pty"});
  ASSERT_TRUE(p.waitForFinished(10000));
  EXPECT_EQ(p.exitCode(), 2);
}
