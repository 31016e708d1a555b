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

namespace {

// A simulated reader that keeps silent: kvt730ctl waits for its acknowledgement.
void Silence(sim::PtyHost& host) {
  host.withReader([](sim::Reader& r) {
    sim::Fault f;
    f.kind = sim::FaultKind::Silent;
    r.setFault(f);
  });
}

// kvt730ctl card-status on `port`; once the reader has the frame, `pull` takes the port away.
CtlRun CardStatusWhileLost(const QString& port, const sim::PtyHost& host, const std::function<void()>& pull) {
  QProcess ctl;
  ctl.start(QStringLiteral(KVT730CTL_PATH), {"--port", port, "card-status"});
  EXPECT_TRUE(ctl.waitForStarted());
  for (int i = 0; i < 3000 && host.received().empty(); ++i) QThread::msleep(10);
  EXPECT_FALSE(host.received().empty());
  pull();
  EXPECT_TRUE(ctl.waitForFinished(30000));
  CtlRun r;
  r.code = ctl.exitCode();
  r.out = ctl.readAllStandardOutput();
  r.err = QString::fromUtf8(ctl.readAllStandardError());
  return r;
}

const QByteArray kUnitNotDetectedLine =
    "Caution | Unit not detected / 1.Comm port setup error / 2.No power on Unit / Device Address Error / "
    "3.Communication line not connected\n";

}  // namespace

// The simulated reader's terminal closed while kvt730ctl waits for its acknowledgement: the
// stage's message, and on stderr, once, that the connection was lost. Once kvt730-sim is
// back under the same name, the next run works.
TEST(LostPort, TerminalClosedUnderKvt730ctlAndBackUnderItsName) {
  QTemporaryDir dir;
  const QString link = dir.filePath("ttyKVT");
  sim::PtyHost host;
  std::string err;
  ASSERT_TRUE(host.start(&err)) << err;
  ASSERT_TRUE(QFile::link(QString::fromStdString(host.slavePath()), link));
  Silence(host);
  const CtlRun lost = CardStatusWhileLost(link, host, [&] { host.vanish(); });
  EXPECT_EQ(lost.code, 2);
  EXPECT_EQ(lost.out, kUnitNotDetectedLine);
  EXPECT_EQ(lost.err, "kvt730ctl: The connection to " + link + " was lost; the next operation reopens it\n");

  QFile::remove(link);
  ctl_test::SimProcess back({"--link", link});
  ASSERT_TRUE(back.ok());
  const CtlRun r = runCtl({"--port", link, "card-status"});
  EXPECT_EQ(r.code, 0) << r.err.toStdString();
  EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
}

// The same through a ser2net relay that stops, then starts again on its port.
TEST(LostPort, RelayStoppedUnderKvt730ctlAndStartedAgain) {
  if (Ser2net::program().isEmpty()) GTEST_SKIP() << "ser2net is not installed (Debian package ser2net)";
  sim::PtyHost host;
  std::string err;
  ASSERT_TRUE(host.start(&err)) << err;
  Silence(host);
  Ser2net relay;
  QString why;
  ASSERT_TRUE(relay.start(Ser2net::Mode::Raw, QString::fromStdString(host.slavePath()), &why)) << why.toStdString();
  const CtlRun lost = CardStatusWhileLost(relay.address(), host, [&] { relay.stop(); });
  EXPECT_EQ(lost.code, 2);
  EXPECT_EQ(lost.out, kUnitNotDetectedLine);
  EXPECT_EQ(lost.err, "kvt730ctl: The connection to " + relay.address() + " was lost; the next operation reopens it\n");

  host.withReader([](sim::Reader& r) { r.clearFault(); });
  ASSERT_TRUE(relay.restart(&why)) << why.toStdString();
  const CtlRun r = runCtl({"--port", relay.address(), "card-status"});
  EXPECT_EQ(r.code, 0) << r.err.toStdString();
}
