// SPDX-License-Identifier: MIT
// The virtual SIM: its ATR, its answers, the vpcd framing, and its link to a stand-in
// for vpcd on a local socket.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "sim/sim_card_apdu.h"
#include "sim/vpcd_card.h"

using sim::Bytes;
using sim::SimCard;

namespace {

Bytes WithOk(Bytes b) {
  b.insert(b.end(), {0x90, 0x00});
  return b;
}

// Listens on a free port of 127.0.0.1 as vpcd does.
struct FakeVpcd {
  int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0), card = -1, port = 0;
  FakeVpcd() {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    bind(listener, reinterpret_cast<sockaddr*>(&a), len);
    getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    listen(listener, 1);
  }
  ~FakeVpcd() { close(card), close(listener); }
  bool accept() {
    pollfd p{listener, POLLIN, 0};
    if (card >= 0) close(card);
    card = poll(&p, 1, 5000) == 1 ? ::accept(listener, nullptr, nullptr) : -1;
    return card >= 0;
  }
  // Sends one message and gives the answer (empty after 3 s of silence).
  Bytes exchange(const Bytes& payload) {
    const Bytes f = sim::vpcdFrame(payload);
    send(card, f.data(), f.size(), MSG_NOSIGNAL);
    Bytes buffer;
    for (pollfd p{card, POLLIN, 0}; poll(&p, 1, 3000) == 1;) {
      uint8_t chunk[512];
      const ssize_t n = recv(card, chunk, sizeof chunk, 0);
      if (n <= 0) break;
      buffer.insert(buffer.end(), chunk, chunk + n);
      const auto got = sim::takeVpcdMessages(buffer);
      if (!got.empty()) return got.front();
    }
    return {};
  }
};

}  // namespace

// Its ATR and its answers to the window's APDUs are checked byte for byte through the real
// pcscd (pcsc_service_test.cpp); here the answers that run never meets.
TEST(SimCard, RefusesWhatItCannotAnswer) {
  SimCard card([] { return uint8_t(0xA5); });
  EXPECT_EQ(card.process({0xA0, 0xB0, 0x00, 0x00, 0x0A}), (Bytes{0x94, 0x00}));  // no file selected
  EXPECT_EQ(card.process({0x00, 0xA4, 0x00, 0x00, 0x02, 0x3F, 0x00}), (Bytes{0x61, 0x17}));
  EXPECT_EQ(card.process({0x00, 0xC0, 0x00, 0x00, 0x10}), (Bytes{0x6C, 0x17}));  // wrong length: told the right one
  EXPECT_EQ(card.process({0x00, 0xC0, 0x00, 0x00, 0x17}), WithOk(SimCard::mfFcp()));
  const Bytes pse = {0x00, 0xA4, 0x04, 0x00, 0x0E, '1', 'P', 'A', 'Y', '.', 'S', 'Y', 'S', '.', 'D', 'D', 'F', '0', '1'};
  EXPECT_EQ(card.process(pse), (Bytes{0x61, 0x1C}));
  EXPECT_EQ(card.process({0x00, 0x84, 0x00, 0x00, 0x08}), WithOk(Bytes(8, 0xA5)));
  EXPECT_EQ(card.process({0x00, 0xC0, 0x00, 0x00, 0x1C}), (Bytes{0x69, 0x85}));  // dropped by the command between
  EXPECT_EQ(card.process({0x00, 0xCA, 0x00, 0x00, 0x00}), (Bytes{0x6D, 0x00}));
  EXPECT_EQ(card.process({0x80, 0xA4, 0x00, 0x00, 0x02, 0x3F, 0x00}), (Bytes{0x6E, 0x00}));
}

TEST(VpcdLink, FramingAndControlCodes) {
  Bytes buffer = {0x00, 0x01, 0x01, 0x01, 0x2C};  // a whole message and the start of one of 300 bytes
  EXPECT_EQ(sim::takeVpcdMessages(buffer), std::vector<Bytes>{{0x01}});
  EXPECT_EQ(buffer, (Bytes{0x01, 0x2C}));
  const Bytes frame = sim::vpcdFrame(Bytes(300, 7));
  EXPECT_EQ(Bytes(frame.begin(), frame.begin() + 3), (Bytes{0x01, 0x2C, 7}));
  EXPECT_EQ(frame.size(), 302u);

  SimCard card;
  EXPECT_EQ(sim::answerVpcdMessage(card, {sim::kVpcdAtr}), SimCard::atr());
  card.process({0xA0, 0xA4, 0x00, 0x00, 0x02, 0x2F, 0xE2});
  for (uint8_t code : {sim::kVpcdPowerOff, sim::kVpcdPowerOn, sim::kVpcdReset})
    EXPECT_FALSE(sim::answerVpcdMessage(card, {code}));
  EXPECT_EQ(sim::answerVpcdMessage(card, {0xA0, 0xB0, 0x00, 0x00, 0x0A}), (Bytes{0x94, 0x00}));  // reset forgot 2FE2
}

TEST(VpcdLink, CardRejoinsWhenDroppedAndGivesUpWhenAlone) {
  FakeVpcd vpcd;
  SimCard card;
  sim::VpcdOptions o;
  o.port = vpcd.port;
  o.retryMs = 20;
  sim::VpcdCardHost host(card, o);
  ASSERT_TRUE(host.start());
  ASSERT_TRUE(vpcd.accept());
  EXPECT_EQ(vpcd.exchange({sim::kVpcdAtr}), SimCard::atr());
  ASSERT_TRUE(vpcd.accept());  // drops the first link: pcscd restarted
  EXPECT_EQ(vpcd.exchange({0x00, 0xA4, 0x00, 0x00, 0x02, 0x3F, 0x00}), (Bytes{0x61, 0x17}));
  EXPECT_EQ(host.connections(), 2);
  host.stop();

  o.port = FakeVpcd().port;  // closed again: nobody listens there
  o.waitSeconds = 0;
  sim::VpcdCardHost alone(card, o);
  ASSERT_TRUE(alone.start());
  for (int i = 0; i < 200 && !alone.finished(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(alone.finished());
  EXPECT_NE(alone.failure().find(std::to_string(o.port)), std::string::npos);
}
