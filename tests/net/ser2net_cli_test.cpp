// kvt730ctl through a real ser2net to the simulated reader, raw and with Telnet serial
// port control: the network line must be as transparent as the device itself.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <thread>

#include "ctl_process.h"
#include "test_files.h"
#include "ser2net_fixture.h"
#include "sim/cards/contact_commands.h"
#include "sim/pty_host.h"

using ctl_test::CtlRun;
using ctl_test::runCtl;
using net_test::Ser2net;

namespace {

const QString kUnitNotDetectedLine = QStringLiteral(
    "Caution | Unit not detected / 1.Comm port setup error / 2.No power on Unit / Device Address Error / "
    "3.Communication line not connected");

// A simulated reader in this process, with a memory card at the contacts, alone or behind ser2net.
struct Reader {
  sim::PtyHost host;
  bool start() {
    host.withReader([](sim::Reader& r) {
      r.setCardPosition(sim::CardPos::Inside);
      sim::setContactCardKind(r.state(), "24c01");
    });
    return host.start();
  }
  QString device() const { return QString::fromStdString(host.slavePath()); }
};

bool Ser2netMissing() { return Ser2net::program().isEmpty(); }

struct Route {
  Ser2net::Mode mode;
  bool viaCom5;  // --port COM5=ADDRESS --port COM5 instead of --port ADDRESS
};

class Ser2netRoutes : public ::testing::TestWithParam<Route> {};

}  // namespace

// A script, every card machine operation, and data with 0xFF bytes both ways, give through
// the relay what they give on the device itself: the same lines, log bytes and exit status.
TEST_P(Ser2netRoutes, OperationsMatchTheDirectLine) {
  if (Ser2netMissing()) GTEST_SKIP() << "ser2net is not installed (Debian package ser2net)";
  Reader direct, relayed;
  ASSERT_TRUE(direct.start());
  ASSERT_TRUE(relayed.start());
  Ser2net server;
  QString why;
  ASSERT_TRUE(server.start(GetParam().mode, relayed.device(), &why)) << why.toStdString();
  const QStringList route = GetParam().viaCom5 ? QStringList{"--port", "COM5=" + server.address(), "--port", "COM5"}
                                               : QStringList{"--port", server.address()};

  QTemporaryDir dir;
  const QString script = dir.filePath("card.txt");
  // Card and sensor status, firmware, serial number; the memory card powered and read.
  ASSERT_TRUE(test_files::writeFile(script, "C10\r\nC11\r\nC$DC1\r\nC$A20$12\r\nCT00\r\nCT3$00$B0$00$00$04\r\n"));
  // The blocks and the summary lines carry times; the rest must be the same.
  const auto untimed = [](const QStringList& lines) {
    static const QRegularExpression times(QStringLiteral(", [0-9./]+ ms$"));
    QStringList out;
    for (const QString& l : lines)
      if (!l.startsWith(QLatin1Char('['))) out << QString(l).remove(times);
    return out;
  };
  const CtlRun scriptViaNet = runCtl(route + QStringList{"--log", "script", script, "--repeat", "2"});
  const CtlRun scriptOnDevice = runCtl({"--port", direct.device(), "--log", "script", script, "--repeat", "2"});
  EXPECT_EQ(scriptViaNet.code, 0) << scriptViaNet.out.toStdString();
  EXPECT_EQ(untimed(scriptViaNet.lines), untimed(scriptOnDevice.lines));
  EXPECT_TRUE(scriptViaNet.out.contains("Data(Hex):FF FF FF FF 90 00")) << scriptViaNet.out.toStdString();

  const QList<QStringList> operations = {
      {"24cxx", "activate"}, {"24cxx", "write", "00", "FF", "00", "FF", "7E"}, {"24cxx", "read", "00", "08"},
      {"init"}, {"card-status"}, {"sensor-status"}, {"move", "ic"}, {"move", "rf"}, {"move", "front-hold"},
      {"move", "front"}, {"entry", "allow"}, {"entry", "forbid"}, {"read-sn"}, {"config"}, {"counter-read"},
      {"counter-init", "12"}, {"counter-read"}, {"move", "bin"}};
  for (const QStringList& op : operations) {
    ASSERT_TRUE(server.waitIdle()) << "ser2net kept the device";
    const CtlRun viaNet = runCtl(route + QStringList{"--log"} + op);
    const CtlRun onDevice = runCtl(QStringList{"--port", direct.device(), "--log"} + op);
    EXPECT_EQ(viaNet.code, onDevice.code) << op.join(' ').toStdString();
    EXPECT_EQ(viaNet.lines, onDevice.lines) << op.join(' ').toStdString() << "\n" << viaNet.err.toStdString();
    if (op == QStringList{"24cxx", "read", "00", "08"}) {
      EXPECT_TRUE(viaNet.lines.contains(QStringLiteral("00: FF 00 FF 7E FF FF FF FF"))) << viaNet.out.toStdString();
    }
  }
  // Every reply the relayed reader sent was acknowledged, the last one too.
  ASSERT_TRUE(server.waitIdle());
  int unacknowledged = -1;
  relayed.host.withReader([&](sim::Reader& r) { unacknowledged = r.unacknowledgedReplies(); });
  EXPECT_EQ(unacknowledged, 0);
}

INSTANTIATE_TEST_SUITE_P(Relay, Ser2netRoutes,
                         ::testing::Values(Route{Ser2net::Mode::Raw, false}, Route{Ser2net::Mode::Rfc2217, false},
                                           Route{Ser2net::Mode::Raw, true}, Route{Ser2net::Mode::Rfc2217, true}),
                         [](const ::testing::TestParamInfo<Route>& i) {
                           return std::string(i.param.mode == Ser2net::Mode::Raw ? "Raw" : "Rfc2217") +
                                  (i.param.viaCom5 ? "AsCom5" : "");
                         });

// The speed set through the relay is the speed on the reader's line: a reader listening at
// 19200 answers at 19200 and hears only noise at 9600, and the scan finds it at 19200.
TEST(Ser2netRelay, BaudRateReachesTheReadersLine) {
  if (Ser2netMissing()) GTEST_SKIP() << "ser2net is not installed (Debian package ser2net)";
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

  QStringList map;
  for (int n = 1; n <= 4; ++n) map << "--port" << QStringLiteral("COM%1=/dev/nonexistent%1").arg(n);
  map << "--port" << "COM5=" + address;
  ASSERT_TRUE(server.waitIdle());
  r = runCtl(map + QStringList{"scan"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.lines, (QStringList{"Scan: Found KVT-730-M AT COM5 Baut Rate 19200", "Comm Port Number: COM5",
                                  "Baud Rate: 19200 bits/s"}));
}

class Ser2netGone : public ::testing::TestWithParam<Ser2net::Mode> {};

// ser2net dies while the reader takes its time over a reply: kvt730ctl ends at once with
// the failure of the stage it was in, instead of waiting out its timeouts.
TEST_P(Ser2netGone, MidExchangeEndsInTheStageFailure) {
  if (Ser2netMissing()) GTEST_SKIP() << "ser2net is not installed (Debian package ser2net)";
  Reader reader;
  ASSERT_TRUE(reader.start());
  reader.host.withReader([](sim::Reader& r) {
    sim::Fault f;
    f.kind = sim::FaultKind::Slow;
    f.slowMs = 30000;
    r.setFault(f);
  });
  Ser2net server;
  QString why;
  ASSERT_TRUE(server.start(GetParam(), reader.device(), &why)) << why.toStdString();

  QProcess ctl;
  ctl.start(QStringLiteral(KVT730CTL_PATH), {"--port", server.address(), "card-status"});
  ASSERT_TRUE(ctl.waitForStarted(10000));
  QElapsedTimer t;
  t.start();
  while (reader.host.received().size() < 9 && t.elapsed() < 10000)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_GE(reader.host.received().size(), 9u) << "the frame never reached the reader";
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // its ACK goes back meanwhile
  server.stop();
  t.restart();
  ASSERT_TRUE(ctl.waitForFinished(8000)) << "kvt730ctl still waits after the server went";
  EXPECT_LT(t.elapsed(), 5000);
  EXPECT_EQ(ctl.exitCode(), 2);
  EXPECT_EQ(QString::fromUtf8(ctl.readAllStandardOutput()).trimmed(), kUnitNotDetectedLine);
}

INSTANTIATE_TEST_SUITE_P(Relay, Ser2netGone, ::testing::Values(Ser2net::Mode::Raw, Ser2net::Mode::Rfc2217),
                         [](const ::testing::TestParamInfo<Ser2net::Mode>& i) {
                           return std::string(i.param == Ser2net::Mode::Raw ? "Raw" : "Rfc2217");
                         });
