// kvt730ctl through a real ser2net to the simulated reader, raw and with Telnet serial
// port control: the network line must be as transparent as the device itself.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>

#include "ctl_process.h"
#include "test_files.h"
#include "ser2net_fixture.h"
#include "sim/cards/contact_commands.h"
#include "sim/pty_host.h"

using ctl_test::CtlRun;
using ctl_test::runCtl;
using net_test::Ser2net;

namespace {

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

class Ser2netRoutes : public ::testing::TestWithParam<Ser2net::Mode> {};

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
  ASSERT_TRUE(server.start(GetParam(), relayed.device(), &why)) << why.toStdString();
  const QStringList route = {"--port", server.address()};

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

INSTANTIATE_TEST_SUITE_P(Relay, Ser2netRoutes, ::testing::Values(Ser2net::Mode::Raw, Ser2net::Mode::Rfc2217),
                         [](const ::testing::TestParamInfo<Ser2net::Mode>& i) {
                           return std::string(i.param == Ser2net::Mode::Raw ? "Raw" : "Rfc2217");
                         });

// The speed set through the relay is the speed on the reader's line: a reader listening at
// 19200 answers at 19200 and hears only noise at 9600.
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
}
