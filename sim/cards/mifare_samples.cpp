// SPDX-License-Identifier: MIT
#include "sim/cards/mifare_samples.h"

#include <cstdio>
#include <cstring>

namespace sim {
namespace {

using Block = MifareClassic::Block;

struct SectorSetup {
  int sector;
  const char* keyA;
  const char* keyB;
  uint8_t bits[3];
};

const SectorSetup kSectors[] = {
    {1, "A0A1A2A3A4A5", "B0B1B2B3B4B5", {0x78, 0x77, 0x88}},
    {2, "5A1B3C4D2E6F", "D3F7D3F7D3F7", {0x0F, 0x00, 0xFF}},
    {3, "0123456789AB", "9876543210FE", {0xFF, 0x07, 0x80}},
    {4, "FFFFFFFFFFFF", "C0FFEEC0FFEE", {0x39, 0x61, 0xEC}},
    {5, "FFFFFFFFFFFF", "FFFFFFFFFFFF", {0x77, 0x8F, 0x08}},
    {6, "4D3A99C351DD", "1A982C7E459A", {0xDD, 0x27, 0x82}},
};

void putHex(const char* hex, uint8_t* out) {
  for (int i = 0; i < 6; ++i) {
    unsigned v = 0;
    std::sscanf(hex + 2 * i, "%2x", &v);
    out[i] = static_cast<uint8_t>(v);
  }
}

Block trailer(const char* keyA, const char* keyB, const uint8_t* bits) {
  Block t{};
  putHex(keyA, t.data());
  std::memcpy(t.data() + 6, bits, 3);
  t[9] = 0x69;
  putHex(keyB, t.data() + 10);
  return t;
}

Block text(const char* s) {
  Block b{};
  std::memcpy(b.data(), s, std::min<size_t>(std::strlen(s), b.size()));
  return b;
}

void setUp(MifareClassic& card) {
  card.setBlock(1, text("KVT-730 SIM CARD"));
  card.setBlock(2, text("SECTORS IN USE"));
  for (int s = 1; s < card.sectorCount(); ++s) {
    char line[24];
    std::snprintf(line, sizeof line, "SECTOR %02d DATA", s);
    card.setBlock(MifareClassic::firstBlock(s), text(line));
  }
  for (const SectorSetup& s : kSectors)
    card.setBlock(MifareClassic::firstBlock(s.sector) + 3, trailer(s.keyA, s.keyB, s.bits));
  card.setBlock(MifareClassic::firstBlock(4) + 1, text("FOR KEY B ONLY"));
  card.setBlock(MifareClassic::firstBlock(4) + 2, text("NEVER READ"));
  card.setBlock(MifareClassic::firstBlock(6) + 1, MifareClassic::valueBlock(1000, MifareClassic::firstBlock(6) + 1));
}

}  // namespace

std::shared_ptr<MifareClassic> makeMixedS50() {
  auto card = std::make_shared<MifareClassic>(MifareClassic::Size::K1, std::array<uint8_t, 4>{0x3E, 0x71, 0xC4, 0x05});
  setUp(*card);
  return card;
}

std::shared_ptr<MifareClassic> makeMixedS70() {
  auto card = std::make_shared<MifareClassic>(MifareClassic::Size::K4, std::array<uint8_t, 4>{0x8B, 0x24, 0xF0, 0x6D});
  setUp(*card);
  const uint8_t bits[3] = {0x9B, 0x41, 0xE6};
  const int first = MifareClassic::firstBlock(32);
  card->setBlock(first + 15, trailer("FFFFFFFFFFFF", "FFFFFFFFFFFF", bits));
  card->setBlock(first + 5, text("KEY B ONLY"));
  card->setBlock(first + 10, text("NEVER READ"));
  return card;
}

}  // namespace sim
