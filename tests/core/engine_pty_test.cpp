// SPDX-License-Identifier: MIT
// The exchange engine over a real serial port against the simulated reader and its faults.
#include <thread>

#include "core/base/conversions.h"
#include "core/link/frame.h"
#include "link_fixture.h"

using namespace kvt;
using kvt::test::LinkTest;

namespace {
const QByteArray kCardStatus = BuildFrame(0, 0x31, 0x30);
const QString kSent = "SD: F2 00 00 03 43 31 30 03 B0 \r\n";
}

class EngineTest : public LinkTest {
 protected:
  int exchange() { return session.engine.ExecuteCommand(kCardStatus, kCardStatus.size(), reply); }
  ReplyBuffer reply;
};

TEST_F(EngineTest, PositiveReplyIsLoggedAndReturned) {
  ASSERT_EQ(exchange(), 0);
  ASSERT_EQ(reply.len, 8);
  EXPECT_EQ(reply.kind(), 'P');
  EXPECT_EQ(reply.at(1), 0x31);
  EXPECT_EQ(reply.at(6), 0x03);
  EXPECT_EQ(log.text, kSent + "RD: 06\r\nRD: F2 00 00 06 50 31 30 30 32 30 03 94 \r\nSD: 06\r\n");
  EXPECT_TRUE(notifier.messages.empty());
  // The reader saw our ACK of its reply.
  int acks = 0;
  for (int i = 0; i < 100 && acks == 0; ++i) {
    reader([&](sim::Reader& r) { acks = r.hostAcksSeen(); });
    if (acks == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(acks, 1);
}

TEST_F(EngineTest, EachFailureEndsWithItsLogAndMessage) {
  const struct {
    sim::FaultKind fault;
    int result;
    bool emptied;  // the reply's length set back to 0
    QString log;  // after the sent line; a reply header ends in "..."
    QString message;
  } cases[] = {
      {sim::FaultKind::Silent, -2, true, "SD: 04\r\n", kTimeOut},  // cancelled with EOT
      {sim::FaultKind::Nak, -1, false, "RD: 15\r\n\r\n", kUnitNotDetected},
      {sim::FaultKind::AckThenSilence, -2, false, "RD: 06\r\nSD: 04\r\n", kTimeOut},
      {sim::FaultKind::ShortRemainder, -1, false, "RD: 06\r\nRD: F2 00 00 06 \r\n...", kDataError},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(sim::faultName(c.fault));
    log.text.clear();
    notifier.messages.clear();
    fault(c.fault);
    reply.len = 99;
    EXPECT_EQ(exchange(), c.result);
    if (c.emptied) { EXPECT_EQ(reply.len, 0); }
    if (c.log.endsWith("...")) { EXPECT_TRUE(log.text.startsWith(kSent + c.log.chopped(3))) << log.text.toStdString(); }
    else EXPECT_EQ(log.text, kSent + c.log);
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_EQ(notifier.messages[0], (Message{MessageIcon::Warning, "Caution", c.message}));
  }
}

// The reply's kind and its check byte are the operations' to judge: the engine hands them on.
// Each reply comes after the acknowledgement wait is over, which matters only to a lost ACK.
TEST_F(EngineTest, RepliesUnderAFaultAreHandedOn) {
  reader([](sim::Reader& r) { r.setReplyDelayMs(kvt::test::FastTimeouts().ack + 200); });
  fault(sim::FaultKind::LostAck);
  EXPECT_EQ(exchange(), 0);
  EXPECT_EQ(reply.kind(), 'P');
  EXPECT_FALSE(log.text.contains("RD: 06"));
  fault(sim::FaultKind::Negative, "10");
  ASSERT_EQ(exchange(), 0);
  EXPECT_EQ(reply.bytes.left(reply.len), QByteArray::fromHex("4E3130313003BA"));
  fault(sim::FaultKind::BadBcc);
  EXPECT_EQ(exchange(), 0);
  EXPECT_EQ(reply.kind(), 'P');
  EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(EngineTest, PortClosedUnderneathFailsWithoutSpinning) {
  host.vanish();
  QElapsedTimer t;
  t.start();
  EXPECT_EQ(exchange(), -1);
  EXPECT_LT(t.elapsed(), 3000);
  EXPECT_FALSE(port.isOpen());
  EXPECT_EQ(texts(), std::vector<QString>{kDataError});
  // A port that cannot open itself again says how to, once.
  const QString lost = "The connection to COM1 (" + map.device(1) + ") was lost; reopen it with \"Setup Comm\"\r\n";
  EXPECT_EQ(log.text, lost + "\r\n");
  // A second command on the dead port fails the same way, at once.
  notifier.messages.clear();
  log.text.clear();
  EXPECT_EQ(exchange(), -1);
  EXPECT_EQ(texts(), std::vector<QString>{kDataError});
  EXPECT_EQ(log.text, "\r\n");
}

TEST_F(EngineTest, WaitsAreTheReadersFullTime) {
  // The waits a user's reader gets (3 s for the ACK, 10 s for the header, 3 s after EOT),
  // a tenth of each here: a slow reader answering late in the header wait is still heard,
  // and a silent one is given up only after all three.
  session.engine.setTimeouts(Timeouts{}.scaled(10));
  fault(sim::FaultKind::Slow, "10", 750);  // of the 1000 ms header wait
  EXPECT_EQ(exchange(), 0);
  EXPECT_EQ(reply.kind(), 'P');
  fault(sim::FaultKind::Silent);
  QElapsedTimer t;
  t.start();
  EXPECT_EQ(exchange(), -2);
  EXPECT_GE(t.elapsed(), 1550);  // 300 + 1000 + 300 ms
  EXPECT_LT(t.elapsed(), 8000);
}

TEST_F(EngineTest, PortFlagClearSendsNothing) {
  state.PortOpened = false;
  EXPECT_EQ(exchange(), 0);
  EXPECT_EQ(reply.len, 0);
  EXPECT_TRUE(log.text.isEmpty());
  EXPECT_EQ(texts(), std::vector<QString>{kPortSetupFirst});
  int seen = -1;
  reader([&](sim::Reader& r) { seen = r.commandsSeen(); });
  EXPECT_EQ(seen, 0);
}
