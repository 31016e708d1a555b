// SPDX-License-Identifier: MIT
// One set of cases for every kind of port, through LinePort and the exchange engine: the
// simulated reader on a pseudo-terminal (QSerialPort), the simulator's own TCP socket (raw
// TCP), and ser2net relaying to the pseudo-terminal raw and with Telnet serial port control.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QElapsedTimer>
#include <atomic>
#include <memory>
#include <thread>

#include "core/base/app_state.h"
#include "core/base/log_sink.h"
#include "core/base/notifier.h"
#include "core/link/frame.h"
#include "core/link/line_port.h"
#include "core/link/port_setup.h"
#include "core/link/session.h"
#include "qt_print.h"
#include "ser2net_fixture.h"
#include "sim/pty_host.h"
#include "sim/tcp_host.h"

using namespace kvt;

namespace {

// What a case needs from the far end, whatever carries the line.
class Rig {
 public:
  virtual ~Rig() = default;
  virtual bool start(QString* whyNot) = 0;
  virtual QString device() const = 0;
  virtual void reader(const std::function<void(sim::Reader&)>& fn) = 0;
  virtual std::vector<uint8_t> received() const = 0;  // what reached the reader
  virtual void vanish() = 0;                           // the far end goes away at once
};

class PtyRig : public Rig {
 public:
  bool start(QString*) override { return host.start(); }
  QString device() const override { return QString::fromStdString(host.slavePath()); }
  void reader(const std::function<void(sim::Reader&)>& fn) override { host.withReader(fn); }
  std::vector<uint8_t> received() const override { return host.received(); }
  void vanish() override { host.vanish(); }
  sim::PtyHost host;
};

class SimTcpRig : public Rig {
 public:
  bool start(QString*) override { return host.start("127.0.0.1", 0); }
  QString device() const override { return QString::fromStdString(host.address()); }
  void reader(const std::function<void(sim::Reader&)>& fn) override { host.withReader(fn); }
  std::vector<uint8_t> received() const override { return host.received(); }
  void vanish() override { host.vanish(); }
  sim::TcpHost host;
};

class Ser2netRig : public PtyRig {
 public:
  explicit Ser2netRig(net_test::Ser2net::Mode m) : mode(m) {}
  bool start(QString* whyNot) override {
    if (net_test::Ser2net::program().isEmpty()) {
      *whyNot = QStringLiteral("ser2net is not installed (Debian package ser2net)");
      return false;
    }
    return PtyRig::start(whyNot) && server.start(mode, PtyRig::device(), whyNot);
  }
  QString device() const override { return server.address(); }
  void vanish() override { server.signalStop(); }
  net_test::Ser2net::Mode mode;
  net_test::Ser2net server;
};

enum class Kind { Pty, SimTcp, Ser2netRaw, Ser2netRfc2217 };

std::unique_ptr<Rig> MakeRig(Kind k) {
  switch (k) {
    case Kind::Pty: return std::make_unique<PtyRig>();
    case Kind::SimTcp: return std::make_unique<SimTcpRig>();
    case Kind::Ser2netRaw: return std::make_unique<Ser2netRig>(net_test::Ser2net::Mode::Raw);
    case Kind::Ser2netRfc2217: return std::make_unique<Ser2netRig>(net_test::Ser2net::Mode::Rfc2217);
  }
  return nullptr;
}

std::string KindName(Kind k) {
  const char* names[] = {"Pty", "SimTcp", "Ser2netRaw", "Ser2netRfc2217"};
  return names[static_cast<int>(k)];
}

Timeouts TestTimeouts() {
  Timeouts t;
  t.ack = 2000;
  t.header = 8000;
  t.remainder = 3000;
  t.eotAnswer = 1000;
  return t;
}

const QByteArray kCardStatus = BuildFrame(0, 0x31, 0x30);
const QString kCardStatusLog = QStringLiteral(
    "SD: F2 00 00 03 43 31 30 03 B0 \r\n"
    "RD: 06\r\n"
    "RD: F2 00 00 06 50 31 30 30 32 30 03 94 \r\n"
    "SD: 06\r\n");

double ThreadCpuMs() {
  rusage u{};
  getrusage(RUSAGE_THREAD, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

}  // namespace

class PortConformance : public ::testing::TestWithParam<Kind> {
 protected:
  void SetUp() override {
    rig = MakeRig(GetParam());
    QString whyNot;
    if (!rig->start(&whyNot)) {
      if (whyNot.contains(QLatin1String("not installed"))) GTEST_SKIP() << whyNot.toStdString();
      FAIL() << "far end did not start: " << whyNot.toStdString();
    }
    ASSERT_EQ(port.open(rig->device(), 9600), OpenError::None) << rig->device().toStdString();
    state.PortOpened = true;
  }
  void TearDown() override { port.close(); }

  int exchange(const QByteArray& frame) { return session.engine.ExecuteCommand(frame, frame.size(), reply); }
  template <class T>
  T fromReader(T (sim::Reader::*getter)() const) {
    T v{};
    rig->reader([&](sim::Reader& r) { v = (r.*getter)(); });
    return v;
  }
  // The reader's count moves once our bytes have crossed the relay; waits a generous while.
  int settledAcks(int expected) {
    QElapsedTimer t;
    t.start();
    int acks = 0;
    while ((acks = fromReader(&sim::Reader::hostAcksSeen)) < expected && t.elapsed() < 5000)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return acks;
  }

  std::unique_ptr<Rig> rig;
  LinePort port;
  AppState state;
  StringLog log;
  RecordingNotifier notifier;
  Session session{state, port, log, notifier, Variant::B, PortMap{}, TestTimeouts()};
  ReplyBuffer reply;
};

// One walk per kind of line: exchanges in the engine's blocking wait, data bytes 0xFF both
// ways (Telnet doubles them on the wire), the line cleared between exchanges, then closed
// and reopened by the windows, which wait in an event loop that keeps them painted.
TEST_P(PortConformance, ExchangesClosesAndReopens) {
  EXPECT_EQ(port.device(), rig->device());
  EXPECT_TRUE(port.clearInput());
  EXPECT_EQ(port.bytesWaiting(), 0);

  // The frame of the next exchange follows our ACK of the last reply at once: clearing the
  // line in between must let that ACK reach the reader.
  for (int i = 0; i < 5; ++i) ASSERT_EQ(exchange(kCardStatus), 0) << i;
  EXPECT_EQ(log.text, kCardStatusLog.repeated(5));
  EXPECT_TRUE(notifier.messages.empty());
  EXPECT_EQ(settledAcks(5), 5);
  EXPECT_EQ(fromReader(&sim::Reader::unacknowledgedReplies), 0);

  const QByteArray unknown = QByteArray::fromHex("F20000 05 43 7A 30 FF FF 03 FD");
  log.text.clear();
  ASSERT_EQ(exchange(unknown), 0);
  EXPECT_EQ(reply.kind(), 'N');
  EXPECT_TRUE(log.text.startsWith(QStringLiteral("SD: F2 00 00 05 43 7A 30 FF FF 03 FD \r\nRD: 06\r\n")))
      << log.text.toStdString();
  const std::vector<uint8_t> got = rig->received();
  const std::vector<uint8_t> want = {0xF2, 0x00, 0x00, 0x05, 0x43, 0x7A, 0x30, 0xFF, 0xFF, 0x03, 0xFD};
  ASSERT_GE(got.size(), want.size());
  EXPECT_TRUE(std::search(got.begin(), got.end(), want.begin(), want.end()) != got.end());
  EXPECT_EQ(settledAcks(6), 6);
  // And from the reader: a serial number of two 0xFF bytes.
  rig->reader([](sim::Reader& r) { r.setSerialNumber("\xFF\xFF"); });
  log.text.clear();
  ASSERT_EQ(exchange(BuildFrame(0, 0xA2, 0x30, QByteArray(1, '\x12'))), 0);
  EXPECT_EQ(log.text, QStringLiteral("SD: F2 00 00 04 43 A2 30 12 03 36 \r\nRD: 06\r\n"
                                     "RD: F2 00 00 08 50 A2 30 30 32 30 FF FF 03 09 \r\nSD: 06\r\n"));

  // A reply nobody asked for waits on the line; the next exchange must not take it.
  ASSERT_TRUE(port.write(BuildFrame(0, 0x31, 0x31)));  // sensor status: a longer reply
  ASSERT_EQ(port.waitForBytes(1 + 4 + 18 + 2, 5000), WaitResult::Ready);
  log.text.clear();
  ASSERT_EQ(exchange(kCardStatus), 0);
  EXPECT_EQ(log.text, kCardStatusLog);

  port.close();
  EXPECT_FALSE(port.isOpen());
  EXPECT_FALSE(port.write(QByteArray(1, '\x06')));
  EXPECT_EQ(port.waitForBytes(1, 100), WaitResult::Failed);
  EXPECT_EQ(port.bytesWaiting(), -1);
  EXPECT_TRUE(port.read(0).isEmpty());
  port.setWaitMode(WaitMode::KeepPainting);
  ASSERT_EQ(port.open(rig->device(), 9600), OpenError::None);
  log.text.clear();
  EXPECT_EQ(exchange(kCardStatus), 0);
  EXPECT_EQ(log.text, kCardStatusLog);
}

// The far end goes away while the reader takes its time to reply: the wait ends at once
// in the failure of the acknowledgement stage, without burning the processor meanwhile,
// whether it waits blocking as kvt730ctl does or in an event loop as the windows do.
TEST_P(PortConformance, VanishedPeerEndsTheWaitInTheStageFailure) {
  for (const WaitMode mode : {WaitMode::Block, WaitMode::KeepPainting}) {
    SCOPED_TRACE(mode == WaitMode::Block ? "blocking wait" : "event loop wait");
    if (mode == WaitMode::KeepPainting) {
      // A fresh far end: the first one is gone.
      port.close();
      rig = MakeRig(GetParam());
      QString whyNot;
      ASSERT_TRUE(rig->start(&whyNot)) << whyNot.toStdString();
      ASSERT_EQ(port.open(rig->device(), 9600), OpenError::None);
      log.text.clear();
      notifier.messages.clear();
    }
    port.setWaitMode(mode);
    rig->reader([](sim::Reader& r) {
      sim::Fault f;
      f.kind = sim::FaultKind::Slow;
      f.slowMs = 30000;
      r.setFault(f);
    });
    std::atomic<bool> done{false};
    std::thread killer([&] {
      // Once the frame is in and its ACK on the way back, the far end goes.
      QElapsedTimer t;
      t.start();
      while (!done && rig->received().size() < static_cast<size_t>(kCardStatus.size()) && t.elapsed() < 5000)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      rig->vanish();
    });
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = ThreadCpuMs();
    const int rc = exchange(kCardStatus);
    const double cpuMs = ThreadCpuMs() - cpu0;
    const qint64 wallMs = wall.elapsed();
    done = true;
    killer.join();

    EXPECT_EQ(rc, -1);
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_EQ(notifier.messages[0],
              (Message{MessageIcon::Warning, "Caution",
                       "Unit not detected\r\n1.Comm port setup error\r\n2.No power on Unit\r\n"
                       "Device Address Error\r\n3.Communication line not connected"}));
    EXPECT_TRUE(log.text.startsWith(QStringLiteral("SD: F2 00 00 03 43 31 30 03 B0 \r\n"))) << log.text.toStdString();
    EXPECT_LT(wallMs, TestTimeouts().header - 2000) << "the wait ran on after the far end went";
    EXPECT_LT(cpuMs, wallMs / 4.0 + 50) << "waited " << wallMs << " ms using " << cpuMs << " ms of processor";
    // Nothing more goes through a port that failed.
    EXPECT_FALSE(port.write(QByteArray(1, '\x06')));
  }
}

// The port setup's "OK" and "Close Comm" reach the line through the port map as COM5;
// switching the modem lines off never waits for an answer (ser2net gives none on a
// pseudo-terminal).
TEST_P(PortConformance, PortSetupOpensItAsCom5AndClosesWithoutWaiting) {
  port.close();
  state.PortOpened = false;
  session.portMap.set(5, rig->device());
  const PortSetupOutcome out = PortSetupOk(session, QStringLiteral("COM5"), QStringLiteral("9600 bits/s"), QStringLiteral("0"));
  EXPECT_TRUE(out.closeDialog);
  EXPECT_TRUE(state.PortOpened);
  EXPECT_EQ(port.device(), rig->device());
  EXPECT_EQ(log.text, kCardStatusLog);
  EXPECT_TRUE(notifier.messages.empty());
  QElapsedTimer t;
  t.start();
  CloseComm(session);
  EXPECT_LT(t.elapsed(), 1000);
  EXPECT_FALSE(port.isOpen());
  EXPECT_FALSE(state.PortOpened);
}

INSTANTIATE_TEST_SUITE_P(Lines, PortConformance,
                         ::testing::Values(Kind::Pty, Kind::SimTcp, Kind::Ser2netRaw, Kind::Ser2netRfc2217),
                         [](const ::testing::TestParamInfo<Kind>& i) { return KindName(i.param); });

// Addresses that cannot lead anywhere are the "no such port" of a serial device, so the
// windows show their usual message; a server that is no Telnet server is refused.
TEST(LinePort, UnusableAddressesAreNoSuchPortAndAPlainServerIsRefused) {
  LinePort port;
  for (const char* device : {"tcp://127.0.0.1", "tcp://127.0.0.1:0", "rfc2217://127.0.0.1:65536", "tcp://:7000",
                             "rfc2217://::1:7000", "/dev/kvt-no-such-device"})
    EXPECT_EQ(port.open(QString::fromLatin1(device), 9600), OpenError::NoSuchPort) << device;

  sim::TcpHost plain;  // raw bytes, no Telnet: never answers the negotiation
  ASSERT_TRUE(plain.start("127.0.0.1", 0));
  const QString raw = QString::fromStdString(plain.address());
  const int closedPort = plain.port();
  QElapsedTimer t;
  t.start();
  EXPECT_EQ(port.open(QStringLiteral("rfc2217") + raw.mid(3), 9600), OpenError::Other);
  EXPECT_LT(t.elapsed(), Rfc2217Port::kNegotiateMs + 2000);
  EXPECT_FALSE(port.isOpen());
  const std::vector<uint8_t> offer = {0xFF, 0xFB, 0x2C, 0xFF, 0xFB, 0x00, 0xFF, 0xFD, 0x00};
  const std::vector<uint8_t> got = plain.received();
  EXPECT_TRUE(got.size() >= offer.size() && std::equal(offer.begin(), offer.end(), got.begin()));

  EXPECT_EQ(port.open(raw, 9600), OpenError::None);
  EXPECT_EQ(port.kind(), LineKind::RawTcp);
  port.close();
  plain.stop();
  EXPECT_EQ(port.open(QStringLiteral("tcp://127.0.0.1:%1").arg(closedPort), 9600), OpenError::NoSuchPort);
}
