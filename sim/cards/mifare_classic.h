// SPDX-License-Identifier: MIT
// Mifare Classic 1K (S50) and 4K (S70).
//
// Memory: 16-byte blocks in sectors. Sectors 0 to 31 hold 4 blocks, sectors 32 to 39
// (4K only) 16 blocks; the last block of a sector is its trailer: key A (bytes 0-5), the
// access bits (6-8), a general purpose byte (9) and key B (10-15). Block 0 of sector 0 is
// the manufacturer block (UID, its check byte, SAK, ATQA, maker data) and cannot be
// written. A new card is in the transport configuration: both keys FF FF FF FF FF FF,
// access bits FF 07 80 (key A or B may do anything with the data blocks, key A manages
// the trailer) and 69 in the general purpose byte.
//
// A sector must be authenticated (key A or key B) before its blocks can be read or
// written; authenticating another sector, a failed authentication, a new activation or
// the field going off drop it. What the authenticated key may do is decided by the
// sector's access bits, as on the card: a key B that the trailer lets be read cannot be
// used for access, key A never reads back (zeros), and a trailer write changes only the
// parts that key may write. A sector whose access bits are inconsistent is blocked.
//
// Value blocks: value, inverted value, value (4 bytes each, least significant first),
// then the address byte, its inverse, the address, its inverse. Increment and decrement
// need a block in that format and keep the value within a signed 32-bit number.
#pragma once

#include <array>

#include "sim/cards/rf_card.h"

namespace sim {

class MifareClassic : public RfCard {
 public:
  enum class Size { K1, K4 };
  enum class KeyType { A = 0, B = 1 };
  using Key = std::array<uint8_t, 6>;
  using Block = std::array<uint8_t, 16>;
  enum class Access { Read, Write, Increment, Decrement };

  MifareClassic(Size size, const std::array<uint8_t, 4>& uid);
  // The cards the simulator offers: UID 1A 02 B3 0C (S50) and 5C 7E 21 9A (S70).
  static std::shared_ptr<MifareClassic> makeS50();
  static std::shared_ptr<MifareClassic> makeS70();

  std::string typeCode() const override { return size_ == Size::K1 ? "10" : "11"; }
  Protocol protocol() const override { return Protocol::TypeA; }
  // "M", ATQA (00 04 or 00 02), the UID length and the UID.
  Bytes activationReport() const override;

  Size size() const { return size_; }
  int sectorCount() const { return size_ == Size::K1 ? 16 : 40; }
  static int blocksIn(int sector) { return sector < 32 ? 4 : 16; }
  static int firstBlock(int sector) { return sector < 32 ? sector * 4 : 128 + (sector - 32) * 16; }
  static bool isTrailer(int sector, int block) { return block == blocksIn(sector) - 1; }

  // The reader's commands. Each gives the status word; reads put their data in *out.
  uint16_t authenticate(int sector, KeyType type, const Key& key);
  uint16_t read(int sector, int block, int count, Bytes* out);
  uint16_t write(int sector, int block, const Bytes& data);  // 16 bytes per block
  uint16_t initValue(int sector, int block, int32_t value);
  uint16_t addValue(int sector, int block, int32_t amount, bool increment);
  uint16_t readValue(int sector, int block, Bytes* out);  // 4 bytes, least significant first
  // Writes key A of the sector's trailer, keeping its access bits and key B.
  uint16_t changeKeyA(int sector, const Key& key);

  // The raw memory, for tests and for setting a card up.
  const Block& block(int absolute) const { return blocks_[static_cast<size_t>(absolute)]; }
  void setBlock(int absolute, const Block& b) { blocks_[static_cast<size_t>(absolute)] = b; }
  int authenticatedSector() const { return authSector_; }

  // The access bits of a trailer as C1 C2 C3 (one 3-bit number per block group, group 3
  // is the trailer); false when the inverted copies disagree.
  static bool decodeAccess(const Block& trailer, std::array<int, 4>* groups);
  static Block valueBlock(int32_t value, uint8_t address);
  static bool parseValue(const Block& b, int32_t* value);

 protected:
  void endSession() override { authSector_ = -1; }

 private:
  bool exists(int sector, int block) const;
  // 0 when the authenticated key may do `what` to the block, else the status word.
  uint16_t check(int sector, int block, Access what) const;
  int group(int sector, int block) const;
  bool keyBReadable(int sector) const;
  Block& at(int sector, int block) { return blocks_[static_cast<size_t>(firstBlock(sector) + block)]; }
  const Block& at(int sector, int block) const { return blocks_[static_cast<size_t>(firstBlock(sector) + block)]; }
  Block readTrailer(int sector) const;
  uint16_t writeTrailer(int sector, const uint8_t* data);

  Size size_;
  std::array<uint8_t, 4> uid_;
  std::vector<Block> blocks_;
  int authSector_ = -1;
  KeyType authKey_ = KeyType::A;
};

}  // namespace sim
