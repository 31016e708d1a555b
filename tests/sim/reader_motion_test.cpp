// SPDX-License-Identifier: MIT
// The motorised side of the simulated reader: moves that take time and slow down with wear,
// jams reported as the reader reports them, a stacker that runs out, and a byte history that
// stays bounded on a long run.
#include <gtest/gtest.h>

#include "reply_helpers.h"
#include "sim/reader_line.h"
#include "sim/reader_model.h"
#include "sim/sim_options.h"

using sim::Reader;

namespace {

Reader::Motion motion(int ms, int wear = 0, double jam = 0, uint32_t seed = 1) {
  Reader::Motion m;
  m.motionMs = ms;
  m.wearMsPer1000 = wear;
  m.jamRate = jam;
  m.seed = seed;
  return m;
}

// The delay before the reply frame of one command (its ACK comes at once).
int replyDelay(Reader& r, uint8_t cm, uint8_t pm) {
  const auto out = r.feed(sim::buildCommandFrame(0, cm, pm));
  EXPECT_EQ(out.size(), 2u);
  EXPECT_EQ(out.at(0).delayMs, 0);
  return out.size() == 2 ? out[1].delayMs : -1;
}

}  // namespace

TEST(ReaderMotion, MovesTakeTheirTimeAndSlowDownWithWear) {
  Reader r;
  EXPECT_EQ(replyDelay(r, '2', '1'), 0);  // off by default: existing runs keep their speed
  r.setMotion(motion(200, 50));
  for (int i = 0; i < 20; ++i) {
    const int d = replyDelay(r, '2', i % 2 ? '1' : '2');
    EXPECT_GE(d, 190);  // 200 ms give or take 5 %
    EXPECT_LE(d, 211);
  }
  EXPECT_EQ(replyDelay(r, '1', '0'), 0);  // only moves take time
  while (r.motionsMade() < 2000) replyDelay(r, '2', '1');
  const int worn = replyDelay(r, '2', '1');
  EXPECT_GE(worn, 290);  // 2,000 moves made: 100 ms more
  EXPECT_LE(worn, 311);
  EXPECT_EQ(r.motionsMade(), 2001);
}

TEST(ReaderMotion, AJamIsTheNegativeReplyCardJamAndTheCardStaysPut) {
  Reader r;
  r.setCardPosition(Reader::CardPos::Front);
  r.setMotion(motion(0, 0, 1.0));
  const auto out = r.feed(sim::buildCommandFrame(0, '2', '1'));
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[1].bytes, (std::vector<uint8_t>{0xF2, 0x00, 0x00, 0x05, 0x4E, 0x32, 0x31, 0x31, 0x30, 0x03, 0xB8}));
  EXPECT_EQ(r.cardPosition(), Reader::CardPos::Front);
  EXPECT_EQ(r.lastCommand().error, "10");
  EXPECT_FALSE(r.lastCommand().positive);
  EXPECT_EQ(simtest::ask(r, '1', '0').status, "120");  // the status itself never jams
}

TEST(ReaderMotion, TheSeedMakesARunAgain) {
  const auto jams = [](uint32_t seed) {
    Reader r;
    r.setMotion(motion(100, 0, 0.3, seed));
    std::string pattern;
    for (int i = 0; i < 60; ++i) {
      const auto out = r.feed(sim::buildCommandFrame(0, '2', i % 2 ? '1' : '2'));
      pattern += simtest::decodeFrame(out.at(1).bytes).kind;
      pattern += std::to_string(out.at(1).delayMs) + ' ';
    }
    return pattern;
  };
  EXPECT_EQ(jams(42), jams(42));
  EXPECT_NE(jams(42), jams(43));
  const std::string p = jams(42);
  EXPECT_NE(p.find('N'), std::string::npos);
  EXPECT_NE(p.find('P'), std::string::npos);
}

TEST(ReaderMotion, TheStackerEmptiesAsCardsAreDispensed) {
  Reader r;
  r.setStackerCards(2);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(simtest::ask(r, '2', '1').kind, 'P');
    EXPECT_EQ(simtest::ask(r, '2', '3').kind, 'P');  // captured: the next move dispenses again
  }
  EXPECT_EQ(r.stackerCards(), 0);
  EXPECT_EQ(simtest::ask(r, '1', '0').status, "000");
  EXPECT_EQ(simtest::ask(r, '2', '1').error, "A0");
}

TEST(ReaderMotion, TheOptionsSetTheMotion) {
  sim::SimOptions o;
  std::string error;
  ASSERT_TRUE(sim::parseSimOptions({"--motion-ms", "300", "--wear-ms=12", "--jam-rate", "0.25", "--seed", "4000000000"},
                                   &o, &error))
      << error;
  Reader r;
  sim::applySimOptions(o, r);
  EXPECT_EQ(r.motion().motionMs, 300);
  EXPECT_EQ(r.motion().wearMsPer1000, 12);
  EXPECT_DOUBLE_EQ(r.motion().jamRate, 0.25);
  EXPECT_EQ(r.motion().seed, 4000000000u);
  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"--jam-rate", "1.5"}, {"--jam-rate", "x"}, {"--motion-ms", "-1"}, {"--seed", "-3"}}) {
    sim::SimOptions ignored;
    EXPECT_FALSE(sim::parseSimOptions(bad, &ignored, &error)) << bad[0] << ' ' << bad[1];
    EXPECT_NE(error.find(bad[0]), std::string::npos) << error;
  }
}

TEST(ReaderLineHistory, KeepsTheNewestBytesWithinItsLimit) {
  sim::SharedReader shared;
  sim::ReaderLine line(shared, 100);
  line.setHistoryLimit(1000);
  std::vector<uint8_t> chunk(300);
  for (int i = 0; i < 10; ++i) {
    for (auto& b : chunk) b = static_cast<uint8_t>(i);
    line.input(chunk.data(), chunk.size(), false, sim::Clock::now());
  }
  const auto kept = line.received();
  EXPECT_LE(kept.size(), 1000u);
  EXPECT_GE(kept.size(), 500u);
  EXPECT_EQ(kept.back(), 9);
  EXPECT_EQ(std::vector<uint8_t>(kept.end() - 300, kept.end()), std::vector<uint8_t>(300, 9));
}
