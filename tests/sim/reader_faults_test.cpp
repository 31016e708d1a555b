#include <gtest/gtest.h>

#include "reply_helpers.h"
#include "sim/reader_model.h"

using sim::Emission;
using sim::Fault;
using sim::FaultKind;
using sim::Reader;

namespace {

const std::vector<uint8_t> kAckOnly{0x06};

// Sends "move card to IC" under the fault; the move is visible in the state.
std::vector<Emission> moveUnder(Reader& r, Fault f) {
  r.setFault(f);
  return r.feed(sim::buildCommandFrame(0, '2', '1'));
}

Fault fault(FaultKind k) {
  Fault f;
  f.kind = k;
  return f;
}

}  // namespace

TEST(ReaderFaults, SilentAndNakDropTheCommand) {
  Reader r;
  EXPECT_TRUE(moveUnder(r, fault(FaultKind::Silent)).empty());
  EXPECT_EQ(r.cardPosition(), Reader::CardPos::None);
  const auto nak = moveUnder(r, fault(FaultKind::Nak));
  ASSERT_EQ(nak.size(), 1u);
  EXPECT_EQ(nak[0].bytes, std::vector<uint8_t>{0x15});
  EXPECT_EQ(r.cardPosition(), Reader::CardPos::None);
  EXPECT_EQ(r.commandsSeen(), 2);
}

TEST(ReaderFaults, AckThenSilenceStillMovesTheCard) {
  Reader r;
  const auto out = moveUnder(r, fault(FaultKind::AckThenSilence));
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].bytes, kAckOnly);
  EXPECT_EQ(r.cardPosition(), Reader::CardPos::Inside);
}

TEST(ReaderFaults, LostAckSendsOnlyTheReply) {
  Reader r;
  const auto out = moveUnder(r, fault(FaultKind::LostAck));
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(simtest::decodeFrame(out[0].bytes).status, "220");
}

TEST(ReaderFaults, ShortRemainderCutsAfterTheHeader) {
  Reader r;
  const auto out = moveUnder(r, fault(FaultKind::ShortRemainder));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].bytes, kAckOnly);
  const auto& part = out[1].bytes;
  ASSERT_GE(part.size(), 4u);
  const size_t announced = (size_t(part[2]) << 8 | part[3]) + 2;
  EXPECT_EQ(announced, 8u);
  EXPECT_LT(part.size() - 4, announced);
}

TEST(ReaderFaults, BadBccSpoilsOnlyTheCheckByte) {
  Reader r;
  const auto out = moveUnder(r, fault(FaultKind::BadBcc));
  ASSERT_EQ(out.size(), 2u);
  const auto& f = out[1].bytes;
  ASSERT_EQ(f.size(), 12u);
  EXPECT_EQ(f[10], 0x03);
  EXPECT_NE(f[11], sim::xorBcc(f.data(), 11));
}

TEST(ReaderFaults, GarbageIsNoFrame) {
  Reader r;
  const auto out = moveUnder(r, fault(FaultKind::Garbage));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].bytes, kAckOnly);
  ASSERT_FALSE(out[1].bytes.empty());
  for (uint8_t b : out[1].bytes) {
    EXPECT_NE(b, 0xF2);
    EXPECT_NE(b, 0x06);
  }
}

TEST(ReaderFaults, SlowDelaysTheReplyNotTheAck) {
  Reader r;
  r.setReplyDelayMs(15);
  Fault f = fault(FaultKind::Slow);
  f.slowMs = 1234;
  const auto out = moveUnder(r, f);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].delayMs, 0);
  EXPECT_EQ(out[1].delayMs, 1234);
  EXPECT_EQ(simtest::decodeFrame(out[1].bytes).kind, 'P');
  const auto normal = moveUnder(r, Fault{});
  ASSERT_EQ(normal.size(), 2u);
  EXPECT_EQ(normal[1].delayMs, 15);
}

TEST(ReaderFaults, NegativeAnswersWithTheChosenCode) {
  Reader r;
  Fault f = fault(FaultKind::Negative);
  f.negativeCode = "43";
  const auto out = moveUnder(r, f);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].bytes, kAckOnly);
  const auto a = simtest::decodeFrame(out[1].bytes);
  EXPECT_EQ(a.kind, 'N');
  EXPECT_EQ(a.error, "43");
  EXPECT_EQ(r.cardPosition(), Reader::CardPos::None);
}

TEST(ReaderFaults, OnceClearsItselfPersistentStays) {
  Reader r;
  moveUnder(r, fault(FaultKind::Silent));
  EXPECT_EQ(r.fault().kind, FaultKind::None);
  EXPECT_EQ(simtest::ask(r, '1', '0').kind, 'P');

  Fault sticky = fault(FaultKind::Nak);
  sticky.once = false;
  r.setFault(sticky);
  for (int i = 0; i < 3; ++i) {
    const auto out = r.feed(sim::buildCommandFrame(0, '1', '0'));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes, std::vector<uint8_t>{0x15});
  }
  r.clearFault();
  EXPECT_EQ(simtest::ask(r, '1', '0').kind, 'P');
}

TEST(ReaderFaults, DamagedFrameGetsNakAndNothingElse) {
  Reader r;
  r.setFault(fault(FaultKind::Slow));  // faults concern commands, not damaged frames
  auto f = sim::buildCommandFrame(0, '2', '1');
  f.back() ^= 0x20;
  const auto out = r.feed(f);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].bytes, std::vector<uint8_t>{0x15});
  EXPECT_EQ(r.commandsSeen(), 0);
  EXPECT_EQ(r.fault().kind, FaultKind::Slow);
  EXPECT_EQ(r.cardPosition(), Reader::CardPos::None);
}

TEST(ReaderFaults, EotCancelsRepliesNotYetWritten) {
  Reader r;
  auto in = sim::buildCommandFrame(0, '1', '0');
  in.push_back(0x04);
  const auto cancelled = r.feed(in);
  ASSERT_EQ(cancelled.size(), 1u);
  EXPECT_TRUE(cancelled[0].cancelPending);
  EXPECT_TRUE(cancelled[0].bytes.empty());

  // EOT then a new command: the marker comes first, the new reply after it.
  in.clear();
  in.push_back(0x04);
  const auto next = sim::buildCommandFrame(0, '1', '0');
  in.insert(in.end(), next.begin(), next.end());
  const auto out = r.feed(in);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_TRUE(out[0].cancelPending);
  EXPECT_EQ(out[1].bytes, kAckOnly);
  EXPECT_FALSE(out[2].cancelPending);
}
