// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "sim/frame_codec.h"
#include "sim/frame_reader.h"

using sim::FrameReader;
using sim::HostEvent;

namespace {

std::vector<HostEvent> feedAll(FrameReader& p, const std::vector<uint8_t>& b) {
  std::vector<HostEvent> ev;
  p.feed(b.data(), b.size(), ev);
  return ev;
}

}  // namespace

TEST(FrameReader, SplitFramesNoiseAndLoneControlBytes) {
  // Noise, a lone ACK and EOT, then a frame whose data holds STX, EOT and ACK
  // values, fed one byte at a time.
  std::vector<uint8_t> in{0x00, 0x43, 0x06, 0xFF, 0x04};
  const auto frame = sim::buildCommandFrame(0, 0x60, 0x33, {0xF2, 0x04, 0x06, 0x03});
  in.insert(in.end(), frame.begin(), frame.end());
  FrameReader p;
  std::vector<HostEvent> ev;
  for (size_t i = 0; i < in.size(); ++i) {
    EXPECT_EQ(ev.size(), i < 3 ? 0u : i < 5 ? 1u : 2u) << i;
    p.feed(&in[i], 1, ev);
  }
  ASSERT_EQ(ev.size(), 3u);
  EXPECT_EQ(ev[0].kind, HostEvent::Kind::Ack);
  EXPECT_EQ(ev[1].kind, HostEvent::Kind::Eot);
  EXPECT_EQ(ev[2].kind, HostEvent::Kind::Command);
  EXPECT_EQ(ev[2].cm, 0x60);
  EXPECT_EQ(ev[2].pm, 0x33);
  EXPECT_EQ(ev[2].data, (std::vector<uint8_t>{0xF2, 0x04, 0x06, 0x03}));
  EXPECT_EQ(p.skippedBytes(), 3u);
  EXPECT_FALSE(p.midFrame());
}

TEST(FrameReader, DamagedFramesAreBadAndParsingResumes) {
  auto badBcc = sim::buildCommandFrame(0, '1', '0');
  badBcc.back() ^= 0x01;
  auto badEtx = sim::buildCommandFrame(0, '1', '0');
  badEtx[badEtx.size() - 2] = 0x02;
  badEtx.back() = sim::xorBcc(badEtx.data(), badEtx.size() - 1);  // check byte fits, ETX does not
  const auto notCommand = sim::buildFrame(0, {'X', '1', '0'});
  const auto tooShort = sim::buildFrame(0, {'C', '1'});
  for (const auto& f : {badBcc, badEtx, notCommand, tooShort}) {
    FrameReader p;
    auto in = f;
    const auto good = sim::buildCommandFrame(0, '2', '9');
    in.insert(in.end(), good.begin(), good.end());
    const auto ev = feedAll(p, in);
    ASSERT_EQ(ev.size(), 2u);
    EXPECT_EQ(ev[0].kind, HostEvent::Kind::BadFrame);
    EXPECT_EQ(ev[1].kind, HostEvent::Kind::Command);
    EXPECT_EQ(ev[1].pm, '9');
  }
}

TEST(FrameReader, FramesForOtherAddressesAreConsumedSilently) {
  FrameReader p(0x03);
  auto other = sim::buildCommandFrame(0x04, '1', '0');
  auto otherBad = sim::buildCommandFrame(0x00, '1', '0');
  otherBad.back() ^= 0xFF;
  auto in = other;
  in.insert(in.end(), otherBad.begin(), otherBad.end());
  const auto mine = sim::buildCommandFrame(0x03, '1', '1');
  in.insert(in.end(), mine.begin(), mine.end());
  const auto ev = feedAll(p, in);
  ASSERT_EQ(ev.size(), 1u);
  EXPECT_EQ(ev[0].pm, '1');
  EXPECT_EQ(p.foreignFrames(), 2u);
}

// Random streams are the fuzz target's (fuzz_sim_frames); here the longest frame after a reset
// that drops the same frame's first part.
TEST(FrameReader, LongestFrameIsFollowedWithBoundedBufferAfterAReset) {
  std::vector<uint8_t> data(65535 - 3, 0xF2);
  const auto frame = sim::buildCommandFrame(0, 0x51, 0x33, data);
  ASSERT_EQ(frame.size(), 65535u + 6);
  FrameReader p(0, 64);
  std::vector<HostEvent> ev;
  p.feed(frame.data(), 1000, ev);
  EXPECT_TRUE(p.midFrame());
  p.reset();
  EXPECT_FALSE(p.midFrame());
  for (size_t at = 0; at < frame.size(); at += 1000)
    p.feed(frame.data() + at, std::min<size_t>(1000, frame.size() - at), ev);
  ASSERT_EQ(ev.size(), 1u);
  EXPECT_EQ(ev[0].kind, HostEvent::Kind::Command);
  EXPECT_TRUE(ev[0].oversize);
  EXPECT_EQ(ev[0].data.size(), 64u - 3);
}
