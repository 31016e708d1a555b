// The simulator's Mifare cards driven directly: the keys of a sector as the card enforces
// them, and the trailer it keeps locked for good.
#include <gtest/gtest.h>

#include "sim/cards/mifare_samples.h"

using sim::MifareClassic;

namespace {

MifareClassic::Key key(const char* hex) {
  MifareClassic::Key k{};
  for (int i = 0; i < 6; ++i) k[static_cast<size_t>(i)] = static_cast<uint8_t>(std::stoi(std::string(hex + 2 * i, 2), nullptr, 16));
  return k;
}

const auto kA = MifareClassic::KeyType::A;
const auto kB = MifareClassic::KeyType::B;

}  // namespace

// What the whole-card runs of dump_ops_test and dump_cli_test cannot tell apart: which key
// a sector lets write, and the locked trailer refusing a new key as well as new bits.
TEST(MixedCards, SectorsKeepTheirKeysAndALockedTrailerRefusesEveryWrite) {
  auto card = sim::makeMixedS50();
  sim::Bytes out;
  EXPECT_EQ(card->authenticate(1, kA, key("A0A1A2A3A4A5")), 0x9000);
  EXPECT_EQ(card->read(1, 1, 1, &out), 0x9000);
  EXPECT_EQ(card->write(1, 1, sim::Bytes(16, 0x11)), 0x6985);  // data written by key B only
  EXPECT_EQ(card->authenticate(1, kB, key("B0B1B2B3B4B5")), 0x9000);
  EXPECT_EQ(card->write(1, 1, sim::Bytes(16, 0x11)), 0x9000);

  sim::Bytes transport = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x07, 0x80, 0x69,
                          0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  for (auto type : {kA, kB}) {
    EXPECT_EQ(card->authenticate(5, type, key("FFFFFFFFFFFF")), 0x9000);
    EXPECT_EQ(card->write(5, 3, transport), 0x6985);
    EXPECT_EQ(card->changeKeyA(5, key("000000000000")), 0x6985);
    EXPECT_EQ(card->write(5, 1, sim::Bytes(16, 0x22)), 0x9000);  // the data blocks stay free
  }
  EXPECT_EQ(card->block(MifareClassic::firstBlock(5) + 3)[7], 0x8F);
}
