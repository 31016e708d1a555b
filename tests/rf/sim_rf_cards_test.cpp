// SPDX-License-Identifier: MIT
// The simulator's contactless cards and its 0x60 handler, driven byte by byte: the card
// behaviour the tool's own tests only touch on (access bits, lock bits, the key memory,
// protocol order, moving the card).
#include <gtest/gtest.h>

#include "../sim/reply_helpers.h"
#include "sim/cards/mifare_classic.h"
#include "sim/cards/rf_commands.h"
#include "sim/cards/ultralight.h"

using simtest::ask;
using simtest::hexOf;
using simtest::unhex;

namespace {

class RfCards : public ::testing::Test {
 protected:
  // A fresh card of that kind at the RF position.
  void insert(const std::string& kind) {
    ASSERT_TRUE(sim::setRfCardKind(r.state(), kind));
    r.setCardPosition(sim::CardPos::Inside, sim::InsideSpot::RfAntenna);
  }
  // The reply data in hex, or "N" and the error code.
  std::string cmd(uint8_t pm, const std::string& hexData, uint8_t cm = 0x60) {
    const auto a = ask(r, cm, pm, unhex(hexData));
    return a.kind == 'N' ? "N" + a.error : hexOf(a.data);
  }
  std::string activate(const char* order = "AB") { return cmd('0', hexOf(order)); }
  std::string card(const std::string& apdu) { return cmd('3', apdu); }

  sim::Reader r;
};

const std::string kTransportKey = "06FFFFFFFFFFFF";

}  // namespace

// The type query (50 31) is pinned by the operations' detection table.
TEST_F(RfCards, ActivationFollowsTheProtocolOrderAndEndsWhenTheCardMoves) {
  EXPECT_EQ(activate(), "N63");  // no card in the field
  insert("s50");
  EXPECT_EQ(cmd('2', ""), "3030");                   // detected, not activated
  EXPECT_EQ(activate("BA"), "4D000404" "1A02B30C");  // "M", ATQA 00 04, 4-byte UID
  EXPECT_EQ(cmd('2', ""), "3130");
  EXPECT_EQ(activate("AA"), "N04");  // refused before the field changes
  EXPECT_EQ(activate("0A"), "N04");
  EXPECT_EQ(cmd('2', ""), "3130");
  EXPECT_EQ(activate("B0"), "N63");  // the field restarts; a Type A card ignores Type B polling
  EXPECT_EQ(cmd('2', ""), "3030");

  EXPECT_EQ(activate("A0"), "4D000404" "1A02B30C");
  // To the IC contacts and back (out of the field is the operations' Ultralight test): not
  // activated any more.
  EXPECT_EQ(ask(r, 0x32, '1').kind, 'P');
  EXPECT_EQ(ask(r, 0x32, '2').kind, 'P');
  EXPECT_EQ(card("00B0000101"), "N65");
  EXPECT_EQ(activate(), "4D000404" "1A02B30C");
  // Deactivation (60 31) and the status after it are the operations' detection test's.

  insert("typea");
  EXPECT_EQ(activate("BA").substr(0, 2), "41");
  EXPECT_EQ(card("00B0000001"), "N62");  // no Mifare memory on a CPU card
  EXPECT_EQ(cmd('7', ""), "N01");
  EXPECT_FALSE(sim::setRfCardKind(r.state(), "desfire"));
}

TEST_F(RfCards, ClassicBlocksNeedTheSectorAuthenticatedWithTheRightKey) {
  insert("s50");
  ASSERT_EQ(activate(), "4D000404" "1A02B30C");
  // A wrong key (6300) is the key memory test's; a readable key B refused after
  // authenticating is pinned by the 4K whole-card dump (blocks 5-9 of sector 32).
  EXPECT_EQ(card("00200001" + kTransportKey), "9000");
  EXPECT_EQ(card("00B0010002"), std::string(64, '0') + "9000");  // two blocks at once
  EXPECT_EQ(card("00B0020101"), "6982");  // only sector 1 is open
  const std::string data = "00112233445566778899AABBCCDDEEFF";

  // The manufacturer block never takes a write.
  EXPECT_EQ(card("00200000" + kTransportKey), "9000");
  EXPECT_EQ(card("00D1000001" + data), "6F00");
  EXPECT_EQ(card("00D10001"), "6700");
  EXPECT_EQ(card("00D1000101" + data.substr(2)), "6700");  // 15 bytes
  EXPECT_EQ(card("10B0000101"), "6E00");
  EXPECT_EQ(card("00A4000000"), "6D00");
  EXPECT_EQ(card("00B0"), "N04");
}

TEST_F(RfCards, KeyMemoryChangedKeysAndAccessBits) {
  insert("s70");
  ASSERT_EQ(activate(), "4D000204" "5C7E219A");
  // The reader's key memory serves "load" (21) and survives a card change (loading before
  // and after a key change is the operations' test, on sector 2).
  EXPECT_EQ(card("00D00027" "06010203040506"), "9000");
  EXPECT_EQ(card("00200027" + kTransportKey), "9000");
  EXPECT_EQ(card("00D50027" "06010203040506"), "9000");  // key A of sector 39
  EXPECT_EQ(card("00200027" + kTransportKey), "6300");
  EXPECT_EQ(card("00210027"), "9000");
  EXPECT_EQ(card("00B0270F01"), "000000000000FF078069FFFFFFFFFFFF9000");  // 16-block sector
  EXPECT_EQ(card("00B0271001"), "6B00");
  EXPECT_EQ(card("00D00028" + kTransportKey), "6B00");  // no slot for sector 40
  EXPECT_EQ(card("00D50127" + kTransportKey), "6B00");  // only key A changes

  // Sector 2 to access bits 87 88 77: data blocks C1C2C3 = 011 (key B reads and writes),
  // trailer 100 (key B writes both keys, nobody the access bits, key B no longer readable).
  auto& classic = dynamic_cast<sim::MifareClassic&>(*r.state().rfCard);
  EXPECT_EQ(card("00200002" + kTransportKey), "9000");
  EXPECT_EQ(card("00D1020301" "A0A1A2A3A4A5" "878877" "00" "B0B1B2B3B4B5"), "9000");
  EXPECT_EQ(card("00B0020001"), "6985");  // key A may not read any more
  EXPECT_EQ(card("00200102" "06B0B1B2B3B4B5"), "9000");
  EXPECT_EQ(card("00B0020301"), "000000000000878877000000000000009000");
  EXPECT_EQ(card("00D1020001" + std::string(32, 'E')), "9000");
  // Key B may write key A and key B but not the access bits: those parts change, the rest stays.
  EXPECT_EQ(card("00D1020301" "C0C1C2C3C4C5" "FF0780" "69" "D0D1D2D3D4D5"), "9000");
  EXPECT_EQ(hexOf(std::string(classic.block(11).begin(), classic.block(11).end())),
            "C0C1C2C3C4C5" "878877" "00" "D0D1D2D3D4D5");
  // Inconsistent access bits block the sector for good.
  EXPECT_EQ(card("00200003" + kTransportKey), "9000");
  EXPECT_EQ(card("00D1030301" "FFFFFFFFFFFF" "FFFFFF" "69" "FFFFFFFFFFFF"), "9000");
  EXPECT_EQ(card("00200003" + kTransportKey), "6300");

  // Another S70 enters: the reader still holds the downloaded key.
  insert("s70");
  ASSERT_EQ(activate(), "4D000204" "5C7E219A");
  EXPECT_EQ(card("00210027"), "6300");
  EXPECT_EQ(card("00D00027" + kTransportKey), "9000");
  EXPECT_EQ(card("00210027"), "9000");
}

TEST_F(RfCards, ValueBlocksIncrementDecrementAndRefuseOtherBlocks) {
  insert("s50");
  ASSERT_EQ(activate(), "4D000404" "1A02B30C");
  EXPECT_EQ(card("00200001" + kTransportKey), "9000");
  EXPECT_EQ(card("00D3010104E8030000"), "6F00");  // not a value block yet
  EXPECT_EQ(card("00D2010104E8030000"), "9000");  // 1000
  // Value, inverse, value, then the block address 5 and its inverse twice (the sums after
  // increments and decrements are the operations' purse test).
  EXPECT_EQ(card("00B0010101"), "E803000017FCFFFFE803000005FA05FA9000");
  EXPECT_EQ(card("00D2010304E8030000"), "6F00");  // a trailer is no purse
  EXPECT_EQ(card("00D20101"), "6700");

  // Access bits 6E 17 89: block 0 C1C2C3 = 110 (a value block: key A reads and
  // decrements, key B also writes and increments), trailer 011.
  EXPECT_EQ(card("00D1010301" "FFFFFFFFFFFF" "6E1789" "69" "FFFFFFFFFFFF"), "9000");
  EXPECT_EQ(card("00200001" + kTransportKey), "9000");
  EXPECT_EQ(card("00D2010004E8030000"), "6985");  // writing needs key B
  EXPECT_EQ(card("00200101" + kTransportKey), "9000");
  EXPECT_EQ(card("00D2010004E8030000"), "9000");
  EXPECT_EQ(card("00200001" + kTransportKey), "9000");
  EXPECT_EQ(card("00D301000401000000"), "6985");
  EXPECT_EQ(card("00D401000401000000"), "9000");
  EXPECT_EQ(card("00B10100"), "E70300009000");
}

TEST_F(RfCards, UltralightLockBitsAndOtp) {
  insert("ultralight");
  ASSERT_EQ(activate(), "4D004407" "04A13F526B8031");
  EXPECT_EQ(card("00B0000004"), "04A13F12" "526B8031" "88480000" "00000000" "9000");
  EXPECT_EQ(card("00D1000001" "11223344"), "6F00");  // serial number pages
  EXPECT_EQ(card("00D1050002" "AABBCCDD" "01020304"), "9000");
  EXPECT_EQ(card("00D1030001" "0F000000"), "9000");
  EXPECT_EQ(card("00D1030001" "F0000001"), "9000");  // OTP bits only add up
  EXPECT_EQ(card("00B0030001"), "FF000001" "9000");
  EXPECT_EQ(card("00B0100001"), "6B00");
  EXPECT_EQ(card("00B0040101"), "6B00");
  EXPECT_EQ(card("00200004" + kTransportKey), "6D00");  // no keys on an Ultralight

  // Page 2: bytes 0 and 1 stay, lock bits add up: L4 (bit 4) and L8 (LOCK1 bit 0).
  EXPECT_EQ(card("00D1020001" "00001001"), "9000");
  EXPECT_EQ(card("00B0020001"), "88481001" "9000");
  EXPECT_EQ(card("00D1080001" "55555555"), "6F00");
  EXPECT_EQ(card("00D1050001" "55555555"), "9000");
  // BL 9-4 freezes the lock bits of pages 4 to 9; L-OTP locks the OTP page.
  EXPECT_EQ(card("00D1020001" "00000A00"), "9000");
  EXPECT_EQ(card("00D1020001" "00002002"), "9000");
  EXPECT_EQ(card("00B0020001"), "88481A01" "9000");  // L5 and L9 stayed off
  EXPECT_EQ(card("00D1050001" "66666666"), "9000");
  EXPECT_EQ(card("00D1030001" "00000002"), "6F00");
  EXPECT_EQ(card("00D10400"), "6700");
}
