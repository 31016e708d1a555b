// SPDX-License-Identifier: MIT
// The simulator's contact card models and their command handlers, driven byte by byte:
// what the tool's own tests do not reach (card movement, chunked answers, odd commands).
#include <gtest/gtest.h>

#include "../sim/reply_helpers.h"
#include "sim/cards/contact_commands.h"
#include "sim/cards/cpu_card.h"

using simtest::ask;
using simtest::hexOf;
using simtest::unhex;
using simtest::bytes;

namespace {

class SimCards : public ::testing::Test {
 protected:
  void insert(const std::string& kind) {
    ASSERT_TRUE(sim::setContactCardKind(r.state(), kind));
    r.setCardPosition(sim::CardPos::Inside, sim::InsideSpot::IcContacts);
  }
  // A memory or APDU command; the reply data in hex.
  std::string cmd(uint8_t cm, uint8_t pm, const std::string& hexData) {
    const auto a = ask(r, cm, pm, unhex(hexData));
    return a.kind == 'N' ? "N" + a.error : hexOf(a.data);
  }
  sim::Reader r;
};

}  // namespace

TEST_F(SimCards, ChipAnswersOnlyAtTheContactsAndLosesPowerWhenMoved) {
  r.setStackerCards(5);
  EXPECT_EQ(ask(r, 0x32, '1').kind, 'P');  // dispensed to the IC position: the default chip
  EXPECT_EQ(ask(r, 0x50, '0').data, "10");
  EXPECT_EQ(ask(r, 0x50, '2').error, "01");  // neither the contacts nor the antenna
  EXPECT_EQ(ask(r, 0x51, '0', bytes("0")).kind, 'P');
  EXPECT_EQ(ask(r, 0x51, '2').data, "1");
  EXPECT_EQ(ask(r, 0x32, '2').kind, 'P');  // to the RF antenna
  EXPECT_EQ(ask(r, 0x51, '2').data, "0");
  EXPECT_EQ(ask(r, 0x51, '9', unhex("0084000008")).error, "02");
  EXPECT_EQ(ask(r, 0x32, '1').kind, 'P');
  EXPECT_EQ(ask(r, 0x51, '9', unhex("0084000008")).error, "65");  // back, but off

  // A card pushed in carries a fresh chip of the chosen kind.
  ASSERT_TRUE(sim::setContactCardKind(r.state(), "sle4442"));
  EXPECT_FALSE(sim::setContactCardKind(r.state(), "sle5542"));
  EXPECT_EQ(ask(r, 0x32, '3').kind, 'P');  // into the bin
  ASSERT_TRUE(r.insertCard());
  auto* first = r.state().icChip.get();
  EXPECT_EQ(ask(r, 0x32, '1').kind, 'P');
  EXPECT_EQ(r.state().icChip.get(), first);
  EXPECT_EQ(ask(r, 0x50, '0').data, "20");
  EXPECT_EQ(ask(r, 0x51, '0', bytes("0")).error, "61");  // a memory chip gives no usable ATR
  EXPECT_EQ(ask(r, 0x54, '0', bytes("0")).error, "63");
}

TEST_F(SimCards, MemoryCommandsNeedPowerAndTheRightChip) {
  insert("sle4428");
  EXPECT_EQ(cmd(0x53, '4', "00B0000001"), "N65");
  EXPECT_EQ(cmd(0x53, '0', ""), "92231091");
  EXPECT_EQ(cmd(0x53, '3', "00B0000001"), "N62");  // SLE4442 command to an SLE4428
  EXPECT_EQ(cmd(0x53, '4', "00B000"), "N04");      // header cut short
  EXPECT_EQ(cmd(0x53, '4', "00B003FF02"), "6B00");  // past 0x3FF
  // Verification is lost with the power.
  EXPECT_EQ(cmd(0x53, '4', "0020000002FFFF"), "9000");
  EXPECT_EQ(cmd(0x53, '4', "00D0000401AA"), "9000");
  EXPECT_EQ(cmd(0x53, '1', ""), "");
  EXPECT_EQ(cmd(0x53, '2', ""), "30");
  EXPECT_EQ(cmd(0x53, '0', ""), "92231091");
  EXPECT_EQ(cmd(0x53, '4', "00D0000401BB"), "6F00");
  EXPECT_EQ(cmd(0x53, '4', "00B0000401"), "AA9000");

  insert("24c02");
  EXPECT_EQ(cmd(0x54, '3', "00B0000001"), "N65");
  EXPECT_EQ(cmd(0x54, '0', "30"), "32");
  EXPECT_EQ(cmd(0x54, '3', "00D000FF02AABB"), "6B00");  // nothing written past the end
  EXPECT_EQ(cmd(0x54, '3', "00D000FE02AABB"), "9000");
  EXPECT_EQ(cmd(0x54, '3', "00D000FE02AA"), "6700");
}

TEST_F(SimCards, CpuCardFileSystemUnderT0AndT1) {
  auto t0 = sim::CpuCard::makeT0();
  auto run = [](sim::CpuCard& c, const std::string& h) {
    const auto out = c.process(unhex(h));
    return hexOf(std::string(out.begin(), out.end()));
  };
  ASSERT_TRUE(t0->coldReset(sim::CpuCard::Profile::Iso));
  EXPECT_EQ(run(*t0, "00C0000010"), "6985");           // nothing waiting
  EXPECT_EQ(run(*t0, "00A40000023F00"), "6118");
  EXPECT_EQ(run(*t0, "00C0000020"), "6C18");           // wrong Le: the answer stays
  EXPECT_EQ(run(*t0, "00C0000010"), "6F1684023F00A5108801015F2D067A68" "6108");  // in two parts
  EXPECT_EQ(run(*t0, "00C0000008"), "656E66729F110101" "9000");
  EXPECT_EQ(run(*t0, "00B0000004"), "6986");           // the MF is no EF
  EXPECT_EQ(run(*t0, "00A40000022F02"), "6A82");
  EXPECT_EQ(run(*t0, "00A4020C022F01"), "9000");
  EXPECT_EQ(run(*t0, "00B0001C08"), "6C04");
  EXPECT_EQ(run(*t0, "00B0001C04"), "202020209000");
  EXPECT_EQ(run(*t0, "00B0810003"), "4B56549000");      // by short file identifier
  // Any other command drops the waiting answer.
  EXPECT_EQ(run(*t0, "00A40000023F00"), "6118");
  EXPECT_EQ(run(*t0, "0084000004").size(), 12u);
  EXPECT_EQ(run(*t0, "00C0000018"), "6985");

  auto t1 = sim::CpuCard::makeT1();
  uint8_t check = 0;
  for (size_t i = 1; i < t1->atr().size(); ++i) check ^= t1->atr()[i];
  EXPECT_EQ(check, 0);  // TCK
  EXPECT_FALSE(t1->warmReset());
  EXPECT_FALSE(sim::CpuCard::makeNonEmv()->coldReset(sim::CpuCard::Profile::Emv));
  ASSERT_TRUE(t1->coldReset(sim::CpuCard::Profile::Emv));
  EXPECT_EQ(run(*t1, "00A40000023F00"), "6F1684023F00A5108801015F2D067A68656E66729F110101" "9000");
  EXPECT_EQ(run(*t1, "00B0811E04"), "2020" "6282");  // end of file before Le bytes
}
