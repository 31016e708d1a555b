#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

#include "pty_client.h"
#include "reply_helpers.h"
#include "sim/pty_host.h"

using simtest::PtyClient;

namespace {

// Generous: the machine running the tests may be busy.
constexpr int kAnswerMs = 5000;
// How long silence is listened for. A slow machine can only make a silent
// reader look silent, so this cannot fail spuriously.
constexpr int kQuietMs = 700;

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

TEST_F(PtyHostTest, AnswersAtItsSpeedEvenWhenFramesComeInPieces) {
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
}

TEST_F(PtyHostTest, SilentAtAnotherSpeedUntilTheSpeedMatches) {
  host.withReader([](sim::Reader& r) { r.setBaud(38400); });
  {
    PtyClient c(host.slavePath(), 9600);
    ASSERT_TRUE(c.send(kStatusFrame));
    EXPECT_TRUE(c.readFor(1, kQuietMs).empty());
  }
  PtyClient c(host.slavePath(), 38400);
  ASSERT_TRUE(c.send(kStatusFrame));
  EXPECT_EQ(c.readFor(kStatusAnswer, kAnswerMs).size(), kStatusAnswer);
  int seen = 0;
  host.withReader([&](sim::Reader& r) { seen = r.commandsSeen(); });
  EXPECT_EQ(seen, 1);
}

TEST_F(PtyHostTest, EotCancelsASlowReply) {
  sim::Fault slow;
  slow.kind = sim::FaultKind::Slow;
  slow.slowMs = 3000;
  host.withReader([&](sim::Reader& r) { r.setFault(slow); });
  PtyClient c(host.slavePath(), 9600);
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

TEST_F(PtyHostTest, VanishMakesTheClientsReadFail) {
  PtyClient c(host.slavePath(), 9600);
  ASSERT_TRUE(c.ok());
  host.vanish();
  pollfd p{c.fd(), POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, kAnswerMs), 1);
  EXPECT_TRUE(p.revents & (POLLHUP | POLLERR));
  uint8_t b = 0;
  errno = 0;
  const ssize_t n = read(c.fd(), &b, 1);
  EXPECT_TRUE(n == 0 || (n < 0 && errno == EIO)) << n << " " << errno;
  EXPECT_FALSE(host.running());
}
