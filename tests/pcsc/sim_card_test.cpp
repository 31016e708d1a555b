// The virtual SIM: its ATR, its answers to the window's APDUs and to the commands around
// them, the vpcd message framing, and the link to a stand-in for vpcd on a local socket.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "sim/sim_card_apdu.h"
#include "sim/vpcd_card.h"

using sim::Bytes;
using sim::SimCard;

extern char** environ;

namespace {

Bytes Cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const Bytes kOk = {0x90, 0x00};

// Listens on 127.0.0.1 at a free port, as vpcd does, and talks the 2-byte length framing.
class FakeVpcd {
 public:
  FakeVpcd() {
    listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    ::listen(listen_, 1);
  }
  ~FakeVpcd() {
    dropCard();
    close(listen_);
  }
  bool acceptCard(int ms = 5000) {
    pollfd p{listen_, POLLIN, 0};
    if (poll(&p, 1, ms) != 1) return false;
    card_ = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
    return card_ >= 0;
  }
  void dropCard() {
    if (card_ >= 0) close(card_);
    card_ = -1;
  }
  void send(const Bytes& payload) {
    const Bytes f = sim::vpcdFrame(payload);
    ASSERT_EQ(::send(card_, f.data(), f.size(), MSG_NOSIGNAL), ssize_t(f.size()));
  }
  // The next message from the card; empty after ms without one.
  Bytes receive(int ms = 3000) {
    Bytes buffer;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until) {
      std::vector<Bytes> got = sim::takeVpcdMessages(buffer);
      if (!got.empty()) return got.front();
      pollfd p{card_, POLLIN, 0};
      if (poll(&p, 1, 50) == 1) {
        uint8_t chunk[512];
        const ssize_t n = recv(card_, chunk, sizeof chunk, 0);
        if (n <= 0) return {};
        buffer.insert(buffer.end(), chunk, chunk + n);
      }
    }
    return {};
  }
  // Sends and waits for the answer.
  Bytes exchange(const Bytes& payload) {
    send(payload);
    return receive();
  }

  int port = 0;

 private:
  int listen_ = -1;
  int card_ = -1;
};

template <class F>
bool WaitFor(F cond, int ms = 5000) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!cond()) {
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

}  // namespace

TEST(SimCard, AtrOffersOnlyTZeroAndCountsItsHistoricalBytes) {
  const Bytes& atr = SimCard::atr();
  ASSERT_GE(atr.size(), 4u);
  EXPECT_EQ(atr[0], 0x3B);
  const uint8_t y1 = atr[1] >> 4, historical = atr[1] & 0x0F;
  ASSERT_EQ(y1, 0x9);  // TA1 and TD1
  const uint8_t td1 = atr[3];
  EXPECT_EQ(td1, 0x00);  // T=0, no further interface bytes, hence no TCK
  EXPECT_EQ(atr.size(), 4u + historical);
}

TEST(SimCard, AnswersTheWindowsApduListInOrder) {
  uint8_t next = 0xA0;
  SimCard card([&next] { return next++; });
  card.reset();
  EXPECT_EQ(card.process({0xA0, 0xA4, 0x00, 0x00, 0x02, 0x2F, 0xE2}), (Bytes{0x9F, 0x0F}));
  EXPECT_EQ(card.process({0xA0, 0xB0, 0x00, 0x00, 0x0A}), Cat(SimCard::iccid(), kOk));
  EXPECT_EQ(card.process({0x00, 0x84, 0x00, 0x00, 0x08}),
            (Bytes{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0x90, 0x00}));
  EXPECT_EQ(card.process({0x00, 0xA4, 0x00, 0x00, 0x02, 0x3F, 0x00}), (Bytes{0x61, 0x17}));
  const Bytes fcp = card.process({0x00, 0xC0, 0x00, 0x00, 0x17});
  ASSERT_EQ(fcp.size(), 0x17u + 2);
  EXPECT_EQ(fcp, Cat(SimCard::mfFcp(), kOk));
  EXPECT_EQ(fcp[1], 0x17 - 2);  // the FCP template holds the rest
  const Bytes pse = {0x00, 0xA4, 0x04, 0x00, 0x0E, '1', 'P', 'A', 'Y', '.', 'S', 'Y', 'S', '.', 'D', 'D', 'F', '0', '1'};
  EXPECT_EQ(card.process(pse), (Bytes{0x61, 0x1C}));
  const Bytes fci = card.process({0x00, 0xC0, 0x00, 0x00, 0x1C});
  ASSERT_EQ(fci.size(), 0x1Cu + 2);
  EXPECT_EQ(Bytes(fci.begin() + 4, fci.begin() + 18), Bytes(pse.begin() + 5, pse.end()));
  // The GSM class fetches its answer the same way.
  EXPECT_EQ(card.process({0xA0, 0xA4, 0x00, 0x00, 0x02, 0x3F, 0x00}), (Bytes{0x9F, 0x16}));
  EXPECT_EQ(card.process({0xA0, 0xC0, 0x00, 0x00, 0x16}), Cat(SimCard::gsmMfResponse(), kOk));
}

TEST(SimCard, RefusesWhatDoesNotFit) {
  SimCard card([] { return uint8_t(0); });
  // Nothing selected yet.
  EXPECT_EQ(card.process({0xA0, 0xB0, 0x00, 0x00, 0x0A}), (Bytes{0x94, 0x00}));
  EXPECT_EQ(card.process({0x00, 0xB0, 0x00, 0x00, 0x0A}), (Bytes{0x69, 0x86}));
  EXPECT_EQ(card.process({0x00, 0xC0, 0x00, 0x00, 0x17}), (Bytes{0x69, 0x85}));
  // Wrong length for the waiting answer: 6C with the right one, which then works.
  EXPECT_EQ(card.process({0x00, 0xA4, 0x00, 0x00, 0x02, 0x3F, 0x00}), (Bytes{0x61, 0x17}));
  EXPECT_EQ(card.process({0x00, 0xC0, 0x00, 0x00, 0x10}), (Bytes{0x6C, 0x17}));
  EXPECT_EQ(card.process({0x00, 0xC0, 0x00, 0x00, 0x17}).size(), 0x17u + 2);
  // Another command in between drops the answer.
  EXPECT_EQ(card.process({0x00, 0xA4, 0x00, 0x00, 0x02, 0x3F, 0x00}), (Bytes{0x61, 0x17}));
  EXPECT_EQ(card.process({0x00, 0x84, 0x00, 0x00, 0x08}).size(), 10u);
  EXPECT_EQ(card.process({0x00, 0xC0, 0x00, 0x00, 0x17}), (Bytes{0x69, 0x85}));
  // A reset forgets the selected file.
  card.process({0xA0, 0xA4, 0x00, 0x00, 0x02, 0x2F, 0xE2});
  EXPECT_EQ(card.process({0xA0, 0xB0, 0x00, 0x05, 0x05}), Cat({0x10, 0x32, 0x54, 0x76, 0xF8}, kOk));
  EXPECT_EQ(card.process({0xA0, 0xB0, 0x00, 0x05, 0x06}), (Bytes{0x67, 0x05}));
  EXPECT_EQ(card.process({0x00, 0xB0, 0x00, 0x0A, 0x01}), (Bytes{0x6B, 0x00}));
  card.reset();
  EXPECT_EQ(card.process({0xA0, 0xB0, 0x00, 0x00, 0x0A}), (Bytes{0x94, 0x00}));

  EXPECT_EQ(card.process({0x00, 0x84, 0x00, 0x00, 0x10}), (Bytes{0x6C, 0x08}));
  EXPECT_EQ(card.process({0xA0, 0x84, 0x00, 0x00, 0x08}), (Bytes{0x6D, 0x00}));
  EXPECT_EQ(card.process({0x00, 0xCA, 0x00, 0x00, 0x00}), (Bytes{0x6D, 0x00}));
  EXPECT_EQ(card.process({0x80, 0xA4, 0x00, 0x00, 0x02, 0x3F, 0x00}), (Bytes{0x6E, 0x00}));
  EXPECT_EQ(card.process({0x00, 0xA4, 0x00, 0x00}), (Bytes{0x67, 0x00}));
  EXPECT_EQ(card.process({0x00, 0xA4, 0x00, 0x00, 0x03, 0x3F, 0x00}), (Bytes{0x67, 0x00}));
  EXPECT_EQ(card.process({0x00, 0xA4, 0x00, 0x00, 0x02, 0x7F, 0x20}), (Bytes{0x6A, 0x82}));
  EXPECT_EQ(card.process({0xA0, 0xA4, 0x00, 0x00, 0x02, 0x7F, 0x20}), (Bytes{0x94, 0x04}));
  EXPECT_EQ(card.process({0x00, 0xA4, 0x04, 0x00, 0x02, 0xA0, 0x00}), (Bytes{0x6A, 0x82}));
}

TEST(VpcdLink, FramingAndControlCodes) {
  EXPECT_EQ(sim::vpcdFrame({0x04}), (Bytes{0x00, 0x01, 0x04}));
  EXPECT_EQ(sim::vpcdFrame(Bytes(300, 0)).size(), 302u);
  EXPECT_EQ(sim::vpcdFrame(Bytes(300, 0))[0], 0x01);

  // Two whole messages and the start of a third, as one read may bring them.
  Bytes buffer = {0x00, 0x01, 0x01, 0x00, 0x01, 0x04, 0x00, 0x05, 0x00, 0x84};
  const std::vector<Bytes> got = sim::takeVpcdMessages(buffer);
  EXPECT_EQ(got, (std::vector<Bytes>{{0x01}, {0x04}}));
  EXPECT_EQ(buffer, (Bytes{0x00, 0x05, 0x00, 0x84}));
  buffer.insert(buffer.end(), {0x00, 0x00, 0x08});
  EXPECT_EQ(sim::takeVpcdMessages(buffer), (std::vector<Bytes>{{0x00, 0x84, 0x00, 0x00, 0x08}}));
  EXPECT_TRUE(buffer.empty());

  SimCard card([] { return uint8_t(0); });
  EXPECT_EQ(sim::answerVpcdMessage(card, {sim::kVpcdAtr}), SimCard::atr());
  card.process({0xA0, 0xA4, 0x00, 0x00, 0x02, 0x2F, 0xE2});
  for (uint8_t code : {sim::kVpcdPowerOff, sim::kVpcdPowerOn, sim::kVpcdReset})
    EXPECT_FALSE(sim::answerVpcdMessage(card, {code}).has_value());
  // The reset took the selection away.
  EXPECT_EQ(sim::answerVpcdMessage(card, {0xA0, 0xB0, 0x00, 0x00, 0x0A}), (Bytes{0x94, 0x00}));
}

TEST(VpcdLink, HostServesRejoinsAndGivesUp) {
  FakeVpcd vpcd;
  SimCard card([] { return uint8_t(0x55); });
  sim::VpcdOptions o;
  o.port = vpcd.port;
  o.retryMs = 20;
  sim::VpcdCardHost host(card, o);
  ASSERT_TRUE(host.start());
  ASSERT_TRUE(vpcd.acceptCard());
  vpcd.send({sim::kVpcdPowerOn});
  EXPECT_EQ(vpcd.exchange({sim::kVpcdAtr}), SimCard::atr());
  EXPECT_EQ(vpcd.exchange({0x00, 0x84, 0x00, 0x00, 0x04}), (Bytes{0x55, 0x55, 0x55, 0x55, 0x90, 0x00}));

  // vpcd drops the card (pcscd restarted): the card comes back by itself.
  vpcd.dropCard();
  ASSERT_TRUE(vpcd.acceptCard());
  EXPECT_TRUE(WaitFor([&] { return host.connections() == 2; }));
  EXPECT_EQ(vpcd.exchange({sim::kVpcdAtr}), SimCard::atr());
  host.stop();
  EXPECT_TRUE(vpcd.receive(200).empty());
  EXPECT_FALSE(host.finished());

  // Nobody listening and no patience: it gives up with a reason.
  int freePort = 0;
  {
    FakeVpcd gone;
    freePort = gone.port;
  }
  o.port = freePort;
  o.waitSeconds = 0;
  sim::VpcdCardHost lonely(card, o);
  ASSERT_TRUE(lonely.start());
  EXPECT_TRUE(WaitFor([&] { return lonely.finished(); }));
  EXPECT_NE(lonely.failure().find(std::to_string(freePort)), std::string::npos);
}

TEST(VpcdLink, SimulatorProgramJoinsAndStopsOnTerm) {
  FakeVpcd vpcd;
  const std::string port = std::to_string(vpcd.port);
  const char* argv[] = {KVT730_SIM_PATH, "--pcsc-card", "--vpcd-port", port.c_str(), "--vpcd-wait", "5", nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, KVT730_SIM_PATH, nullptr, nullptr, const_cast<char**>(argv), environ), 0);
  const bool joined = vpcd.acceptCard();
  if (joined) EXPECT_EQ(vpcd.exchange({sim::kVpcdAtr}), SimCard::atr());
  kill(pid, SIGTERM);
  int status = -1;
  EXPECT_TRUE(WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }));
  EXPECT_TRUE(joined);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}
