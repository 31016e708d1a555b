// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "reply_helpers.h"
#include "sim/reader_model.h"

using sim::Emission;
using sim::Fault;
using sim::FaultKind;
using sim::Reader;

namespace {

const std::vector<uint8_t> kAckOnly{0x06};
const std::vector<uint8_t> kNakOnly{0x15};

Fault fault(FaultKind k, bool once = true) {
  Fault f;
  f.kind = k;
  f.once = once;
  f.negativeCode = "43";
  f.slowMs = 1234;
  return f;
}

// Sends "move card to IC" under the fault; whether the card moved shows whether it was carried out.
std::vector<Emission> moveUnder(Reader& r, const Fault& f) {
  r.setFault(f);
  return r.feed(sim::buildCommandFrame(0, '2', '1'));
}

}  // namespace

TEST(ReaderFaults, EachFaultPutsItsOwnBytesOnTheLine) {
  struct Case {
    FaultKind kind;
    bool ack;         // first emission is a lone ACK
    size_t count;     // emissions in all
    bool carriedOut;  // the card moved
  };
  const Case cases[] = {
      {FaultKind::Silent, false, 0, false},        {FaultKind::Nak, false, 1, false},
      {FaultKind::AckThenSilence, true, 1, true},  {FaultKind::LostAck, false, 1, true},
      {FaultKind::ShortRemainder, true, 2, true},  {FaultKind::BadBcc, true, 2, true},
      {FaultKind::Garbage, true, 2, true},         {FaultKind::Slow, true, 2, true},
      {FaultKind::Negative, true, 2, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(sim::faultName(c.kind));
    Reader r;
    r.setReplyDelayMs(15);
    const auto out = moveUnder(r, fault(c.kind));
    ASSERT_EQ(out.size(), c.count);
    if (c.count > 0) {
      EXPECT_EQ(out[0].bytes == kAckOnly, c.ack);
    }
    EXPECT_EQ(r.cardPosition() == Reader::CardPos::Inside, c.carriedOut);
    EXPECT_EQ(r.commandsSeen(), 1);
    if (c.count == 0) continue;
    // The bytes of the other kinds are on the line in tests/core's engine and port setup runs.
    const auto& last = out.back().bytes;
    if (c.kind == FaultKind::Garbage) {
      ASSERT_FALSE(last.empty());
      for (uint8_t b : last) EXPECT_TRUE(b != 0xF2 && b != 0x06 && b != 0x15) << int(b);
    }
    if (c.kind == FaultKind::Slow) {
      EXPECT_EQ(out[0].delayMs, 0);
      EXPECT_EQ(out[1].delayMs, 1234);
      EXPECT_EQ(simtest::decodeFrame(last).kind, 'P');
    }
  }
}

// A one-time fault clearing itself is met by tests/core (a refused initialise, then a good one).
TEST(ReaderFaults, PersistentStaysDamagedFramesLeaveItArmed) {
  Reader r;
  r.setFault(fault(FaultKind::Nak, false));
  for (int i = 0; i < 3; ++i) {
    const auto out = r.feed(sim::buildCommandFrame(0, '1', '0'));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes, kNakOnly);
  }
  r.clearFault();
  EXPECT_EQ(simtest::ask(r, '1', '0').kind, 'P');

  // A damaged frame gets a NAK and leaves a one-time fault armed.
  Reader fresh;
  fresh.setFault(fault(FaultKind::Slow));
  auto f = sim::buildCommandFrame(0, '2', '1');
  f.back() ^= 0x20;
  const auto out = fresh.feed(f);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].bytes, kNakOnly);
  EXPECT_EQ(fresh.commandsSeen(), 0);
  EXPECT_EQ(fresh.fault().kind, FaultKind::Slow);
  EXPECT_EQ(fresh.cardPosition(), Reader::CardPos::None);
}

// A command, EOT, a new command in one read: the first answer is dropped, the marker comes
// first and the new answer after it.
TEST(ReaderFaults, EotCancelsRepliesNotYetWritten) {
  Reader r;
  auto in = sim::buildCommandFrame(0, '1', '0');
  in.push_back(0x04);
  const auto next = sim::buildCommandFrame(0, '1', '0');
  in.insert(in.end(), next.begin(), next.end());
  const auto out = r.feed(in);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_TRUE(out[0].cancelPending);
  EXPECT_TRUE(out[0].bytes.empty());
  EXPECT_EQ(out[1].bytes, kAckOnly);
  EXPECT_FALSE(out[2].cancelPending);
}
