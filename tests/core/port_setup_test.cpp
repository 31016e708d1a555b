// SPDX-License-Identifier: MIT
// "Communication Setting": the verify probe, the open errors and the scan.
#include "core/link/port_setup.h"
#include "link_fixture.h"

using namespace kvt;
using kvt::test::LinkTest;

class PortSetupTest : public LinkTest {
 protected:
  void SetUp() override {
    LinkTest::SetUp();
    port.close();
    state.PortOpened = false;
  }
};

TEST_F(PortSetupTest, OkFindsNoUnitAtAWrongAddressOrSpeedThenOpensAndLogsTheProbe) {
  for (const auto& [baud, addr] : {std::pair{"9600 bits/s", "1"}, std::pair{"19200 bits/s", "0"}}) {
    SCOPED_TRACE(std::string(baud) + " address " + addr);
    notifier.messages.clear();
    const auto out = PortSetupOk(session, "COM1", baud, addr);
    EXPECT_FALSE(out.closeDialog);
    EXPECT_FALSE(state.PortOpened);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(texts(), std::vector<QString>{kUnitNotDetected});
    EXPECT_TRUE(log.text.endsWith("\r\n\r\n"));
  }
  notifier.messages.clear();
  const auto out = PortSetupOk(session, "COM1", "9600 bits/s", "0");
  EXPECT_TRUE(out.closeDialog) << log.text.toStdString();
  EXPECT_TRUE(state.PortOpened);
  EXPECT_TRUE(port.isOpen());
  EXPECT_TRUE(notifier.messages.empty());  // the probe's log, byte for byte, is tests/net's port conformance
}

// A wrong check byte in the probe's reply finds no unit; a missing remainder ends without a word.
TEST_F(PortSetupTest, SpoiltProbeReplyLeavesThePortClosed) {
  for (const auto& [kind, shown] : {std::pair{sim::FaultKind::BadBcc, std::vector<QString>{kUnitNotDetected}},
                                    std::pair{sim::FaultKind::ShortRemainder, std::vector<QString>{}}}) {
    SCOPED_TRACE(sim::faultName(kind));
    notifier.messages.clear();
    fault(kind);
    EXPECT_FALSE(PortSetupOk(session, "COM1", "9600 bits/s", "0").closeDialog);
    EXPECT_FALSE(state.PortOpened);
    EXPECT_EQ(texts(), shown);
  }
}

TEST_F(PortSetupTest, InvalidTextsNoDeviceAndBusyDevice) {
  state.PortOpened = true;
  auto out = PortSetupOk(session, "COM16", "9600 bits/s", "0");
  EXPECT_EQ(out.focus, PortSetupOutcome::Focus::Port);
  EXPECT_FALSE(state.PortOpened);
  out = PortSetupOk(session, "COM1", "1200 bits/s", "0");
  EXPECT_EQ(out.focus, PortSetupOutcome::Focus::Baud);
  EXPECT_EQ(texts(), (std::vector<QString>{"Comm Port Setup Invalid", "Baud Rate Setup Invalid"}));

  notifier.messages.clear();
  session.portMap.set(2, "/dev/kvt-no-such-device");
  PortSetupOk(session, "COM2", "9600 bits/s", "0");
  // Another program holds the device.
  QtSerialPort other;
  ASSERT_EQ(other.open(map.device(1), 9600), OpenError::None);
  PortSetupOk(session, "COM1", "9600 bits/s", "0");
  EXPECT_EQ(texts(), (std::vector<QString>{kPortInvalid, kPortInUse}));
  EXPECT_FALSE(state.PortOpened);
}

TEST_F(PortSetupTest, ScanFindsTheReaderAtAnotherSpeedAndPort) {
  reader([](sim::Reader& r) { r.setBaud(38400); });
  for (int n = 1; n <= 16; ++n) session.portMap.set(n, QString("/dev/kvt-none-%1").arg(n));
  ScanOutcome out = PortSetupScan(session, "0");
  EXPECT_FALSE(out.result.found);
  EXPECT_EQ(out.result.label, "No Found KVT-730-M");
  EXPECT_FALSE(port.isOpen());
  session.portMap.set(5, QString::fromStdString(host.slavePath()));
  for (Variant v : {Variant::B, Variant::M}) {
    session.variant = v;
    out = PortSetupScan(session, "0");
    ASSERT_TRUE(out.result.found);
    EXPECT_EQ(out.result.label, "Found KVT-730-M AT COM5 Baut Rate 38400");
    EXPECT_EQ(out.portText, "COM5");
    EXPECT_EQ(out.baudText, "38400 bits/s");
    EXPECT_TRUE(port.isOpen());
    EXPECT_FALSE(state.PortOpened);
    port.close();
  }
  // The scan leaves the combos' values for "OK", which reopens and verifies.
  reader([](sim::Reader& r) { r.setBaud(38400); });
  EXPECT_TRUE(PortSetupOk(session, "COM5", "38400 bits/s", "0").closeDialog);
}

namespace {
// Records every open; no reader ever answers.
class RecordingPort : public SerialPort {
 public:
  OpenError open(const QString& device, qint32 baud) override {
    opens.push_back({device, baud});
    open_ = true;
    return OpenError::None;
  }
  void close() override { open_ = false; }
  bool isOpen() const override { return open_; }
  QString device() const override { return {}; }
  bool setRtsDtrOff() override { return true; }
  bool clearInput() override { return true; }
  bool write(const QByteArray&) override { return true; }
  qint64 bytesWaiting() override { return 0; }
  WaitResult waitForBytes(qint64, int) override { return WaitResult::Timeout; }
  QByteArray read(qint64) override { return {}; }
  std::vector<std::pair<QString, int>> opens;
  bool open_ = false;
};
}  // namespace

TEST(ScanOrder, EveryPortAtEachVariantsSpeedsInOrder) {
  for (Variant v : {Variant::B, Variant::M}) {
    RecordingPort port;
    AppState state;
    PortMap map;
    Scan(port, map, state, v, 0, Timeouts{}.scaled(1000));
    const std::vector<int> order = v == Variant::B ? std::vector<int>{9600, 19200, 38400, 57600, 115200}
                                                   : std::vector<int>{57600, 38400, 19200, 9600};
    ASSERT_EQ(port.opens.size(), 16 * order.size());
    for (size_t i = 0; i < port.opens.size(); ++i) {
      EXPECT_EQ(port.opens[i].second, order[i % order.size()]);
      EXPECT_EQ(port.opens[i].first, PortMap::defaultDevice(static_cast<int>(i / order.size()) + 1));
    }
    EXPECT_FALSE(port.isOpen());
  }
}
