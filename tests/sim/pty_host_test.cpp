// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <thread>

#include "pty_client.h"
#include "reply_helpers.h"
#include "sim/pty_host.h"

using simtest::PtyClient;

namespace {

// Generous: the machine running the tests may be busy.
constexpr int kAnswerMs = 5000;

const auto kStatusFrame = sim::buildCommandFrame(0, '1', '0');
constexpr size_t kStatusAnswer = 1 + 12;  // ACK + reply frame with LEN 6

class PtyHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(host.start(&error)) << error;
    ASSERT_FALSE(host.slavePath().empty());
  }
  sim::PtyHost host;
};

}  // namespace

// A wrong speed and a vanished device are seen through the tool's own port in the core
// tests (port setup, engine); here what only a raw client shows.
TEST_F(PtyHostTest, AnswersFramesInPiecesAndEotCancelsASlowReply) {
  PtyClient c(host.slavePath(), 9600);
  ASSERT_TRUE(c.ok());
  ASSERT_TRUE(c.send({kStatusFrame.begin(), kStatusFrame.begin() + 5}));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_TRUE(c.send({kStatusFrame.begin() + 5, kStatusFrame.end()}));
  const auto got = c.readFor(kStatusAnswer, kAnswerMs);
  ASSERT_EQ(got.size(), kStatusAnswer);
  EXPECT_EQ(got[0], 0x06);
  EXPECT_EQ(simtest::decodeFrame({got.begin() + 1, got.end()}).status, "020");
  EXPECT_EQ(host.received(), kStatusFrame);

  sim::Fault slow;
  slow.kind = sim::FaultKind::Slow;
  slow.slowMs = 3000;
  host.withReader([&](sim::Reader& r) { r.setFault(slow); });
  ASSERT_TRUE(c.send(kStatusFrame));
  EXPECT_EQ(c.readFor(1, kAnswerMs), std::vector<uint8_t>{0x06});
  ASSERT_TRUE(c.send({0x04}));
  EXPECT_TRUE(c.readFor(1, slow.slowMs + 1500).empty());
  // Without the EOT a delayed reply does arrive.
  slow.slowMs = 300;
  host.withReader([&](sim::Reader& r) { r.setFault(slow); });
  ASSERT_TRUE(c.send(kStatusFrame));
  EXPECT_EQ(c.readFor(kStatusAnswer, kAnswerMs).size(), kStatusAnswer);
}

TEST_F(PtyHostTest, HalfFrameIsForgottenAfterTheLineGoesQuiet) {
  host.stop();
  host.setIdleResetMs(200);
  ASSERT_TRUE(host.start());
  PtyClient c(host.slavePath(), 9600);
  ASSERT_TRUE(c.send({0xF2, 0x00, 0xFF, 0xFF, 0x43}));  // announces 64 KiB that never come
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
  ASSERT_TRUE(c.send(kStatusFrame));
  EXPECT_EQ(c.readFor(kStatusAnswer, kAnswerMs).size(), kStatusAnswer);
}
