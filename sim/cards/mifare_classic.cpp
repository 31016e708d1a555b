// SPDX-License-Identifier: MIT
#include "sim/cards/mifare_classic.h"

#include <algorithm>
#include <limits>

namespace sim {
namespace {

// Who may do something: key A, key B, either or neither.
constexpr uint8_t kNever = 0, kA = 1, kB = 2, kAB = 3;

// Data blocks, by C1 C2 C3: read, write, increment, decrement (also transfer and restore).
constexpr uint8_t kDataRights[8][4] = {
    {kAB, kAB, kAB, kAB},        // 000 transport
    {kAB, kNever, kNever, kAB},  // 001 value block, decrement only
    {kAB, kNever, kNever, kNever},  // 010 read only
    {kB, kB, kNever, kNever},    // 011
    {kAB, kB, kNever, kNever},   // 100
    {kB, kNever, kNever, kNever},  // 101
    {kAB, kB, kB, kAB},          // 110 value block with recharge by key B
    {kNever, kNever, kNever, kNever},  // 111 blocked
};

// Trailers, by C1 C2 C3: write key A, read and write the access bits, read and write key B.
enum TrailerRight { kWriteKeyA, kReadAccess, kWriteAccess, kReadKeyB, kWriteKeyB };
constexpr uint8_t kTrailerRights[8][5] = {
    {kA, kA, kNever, kA, kA},               // 000
    {kA, kA, kA, kA, kA},                   // 001 transport
    {kNever, kA, kNever, kA, kNever},       // 010
    {kB, kAB, kB, kNever, kB},              // 011
    {kB, kAB, kNever, kNever, kB},          // 100
    {kNever, kAB, kB, kNever, kNever},      // 101
    {kNever, kAB, kNever, kNever, kNever},  // 110
    {kNever, kAB, kNever, kNever, kNever},  // 111
};

uint8_t keyBit(MifareClassic::KeyType t) { return t == MifareClassic::KeyType::A ? kA : kB; }

void putLe(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t getLe(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

MifareClassic::MifareClassic(Size size, const std::array<uint8_t, 4>& uid)
    : size_(size), uid_(uid), blocks_(size == Size::K1 ? 64 : 256, Block{}) {
  Block maker{};
  std::copy(uid.begin(), uid.end(), maker.begin());
  maker[4] = uid[0] ^ uid[1] ^ uid[2] ^ uid[3];
  maker[5] = size == Size::K1 ? 0x08 : 0x18;  // SAK
  maker[6] = size == Size::K1 ? 0x04 : 0x02;  // ATQA, least significant byte first
  maker[7] = 0x00;
  const char tag[] = "KVT-730S";
  std::copy(tag, tag + 8, maker.begin() + 8);
  blocks_[0] = maker;

  const Block transport = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x07,
                           0x80, 0x69, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  for (int s = 0; s < sectorCount(); ++s) at(s, blocksIn(s) - 1) = transport;
}

std::shared_ptr<MifareClassic> MifareClassic::makeS50() {
  return std::make_shared<MifareClassic>(Size::K1, std::array<uint8_t, 4>{0x1A, 0x02, 0xB3, 0x0C});
}

std::shared_ptr<MifareClassic> MifareClassic::makeS70() {
  return std::make_shared<MifareClassic>(Size::K4, std::array<uint8_t, 4>{0x5C, 0x7E, 0x21, 0x9A});
}

Bytes MifareClassic::activationReport() const {
  Bytes r = {'M', 0x00, static_cast<uint8_t>(size_ == Size::K1 ? 0x04 : 0x02), 4};
  r.insert(r.end(), uid_.begin(), uid_.end());
  return r;
}

bool MifareClassic::decodeAccess(const Block& t, std::array<int, 4>* groups) {
  const uint8_t b6 = t[6], b7 = t[7], b8 = t[8];
  for (int i = 0; i < 4; ++i) {
    const int c1 = (b7 >> (4 + i)) & 1, c2 = (b8 >> i) & 1, c3 = (b8 >> (4 + i)) & 1;
    const int n1 = (b6 >> i) & 1, n2 = (b6 >> (4 + i)) & 1, n3 = (b7 >> i) & 1;
    if (c1 == n1 || c2 == n2 || c3 == n3) return false;
    (*groups)[static_cast<size_t>(i)] = c1 << 2 | c2 << 1 | c3;
  }
  return true;
}

MifareClassic::Block MifareClassic::valueBlock(int32_t value, uint8_t address) {
  Block b{};
  const uint32_t v = static_cast<uint32_t>(value);
  putLe(&b[0], v);
  putLe(&b[4], ~v);
  putLe(&b[8], v);
  b[12] = address;
  b[13] = static_cast<uint8_t>(~address);
  b[14] = address;
  b[15] = static_cast<uint8_t>(~address);
  return b;
}

bool MifareClassic::parseValue(const Block& b, int32_t* value) {
  const uint32_t v = getLe(&b[0]);
  if (getLe(&b[4]) != ~v || getLe(&b[8]) != v) return false;
  if (b[12] != b[14] || b[13] != b[15] || b[13] != static_cast<uint8_t>(~b[12])) return false;
  *value = static_cast<int32_t>(v);
  return true;
}

bool MifareClassic::exists(int sector, int block) const {
  return sector >= 0 && sector < sectorCount() && block >= 0 && block < blocksIn(sector);
}

int MifareClassic::group(int sector, int block) const {
  if (isTrailer(sector, block)) return 3;
  return sector < 32 ? block : block / 5;
}

bool MifareClassic::keyBReadable(int sector) const {
  std::array<int, 4> g{};
  if (!decodeAccess(at(sector, blocksIn(sector) - 1), &g)) return false;
  return kTrailerRights[g[3]][kReadKeyB] != kNever;
}

uint16_t MifareClassic::check(int sector, int block, Access what) const {
  if (authSector_ != sector) return rfsw::kNotAuthenticated;
  std::array<int, 4> g{};
  if (!decodeAccess(at(sector, blocksIn(sector) - 1), &g)) return rfsw::kDenied;
  // A key B that can be read is data, not a key: the card refuses access after it.
  if (authKey_ == KeyType::B && keyBReadable(sector)) return rfsw::kDenied;
  const int c = g[static_cast<size_t>(group(sector, block))];
  return (kDataRights[c][static_cast<int>(what)] & keyBit(authKey_)) ? 0 : rfsw::kDenied;
}

uint16_t MifareClassic::authenticate(int sector, KeyType type, const Key& key) {
  authSector_ = -1;
  if (!exists(sector, 0)) return rfsw::kBadParameter;
  const Block& t = at(sector, blocksIn(sector) - 1);
  std::array<int, 4> g{};
  if (!decodeAccess(t, &g)) return rfsw::kAuthFailed;  // the sector is blocked for good
  if (!std::equal(key.begin(), key.end(), t.begin() + (type == KeyType::A ? 0 : 10))) return rfsw::kAuthFailed;
  authSector_ = sector;
  authKey_ = type;
  return rfsw::kOk;
}

MifareClassic::Block MifareClassic::readTrailer(int sector) const {
  const Block& t = at(sector, blocksIn(sector) - 1);
  std::array<int, 4> g{};
  decodeAccess(t, &g);
  Block out{};  // key A never reads back
  std::copy(t.begin() + 6, t.begin() + 10, out.begin() + 6);
  if (kTrailerRights[g[3]][kReadKeyB] & keyBit(authKey_)) std::copy(t.begin() + 10, t.end(), out.begin() + 10);
  return out;
}

uint16_t MifareClassic::read(int sector, int block, int count, Bytes* out) {
  if (!exists(sector, block) || count < 1 || block + count > blocksIn(sector)) return rfsw::kBadParameter;
  Bytes data;
  for (int b = block; b < block + count; ++b) {
    if (isTrailer(sector, b)) {
      if (authSector_ != sector) return rfsw::kNotAuthenticated;
      std::array<int, 4> g{};
      if (!decodeAccess(at(sector, b), &g) || (authKey_ == KeyType::B && keyBReadable(sector)) ||
          !(kTrailerRights[g[3]][kReadAccess] & keyBit(authKey_)))
        return rfsw::kDenied;
      const Block t = readTrailer(sector);
      data.insert(data.end(), t.begin(), t.end());
      continue;
    }
    if (const uint16_t sw = check(sector, b, Access::Read)) return sw;
    data.insert(data.end(), at(sector, b).begin(), at(sector, b).end());
  }
  *out = data;
  return rfsw::kOk;
}

uint16_t MifareClassic::writeTrailer(int sector, const uint8_t* data) {
  if (authSector_ != sector) return rfsw::kNotAuthenticated;
  Block& t = at(sector, blocksIn(sector) - 1);
  std::array<int, 4> g{};
  if (!decodeAccess(t, &g) || (authKey_ == KeyType::B && keyBReadable(sector))) return rfsw::kDenied;
  const uint8_t* rights = kTrailerRights[g[3]];
  const uint8_t k = keyBit(authKey_);
  const bool keyA = rights[kWriteKeyA] & k, access = rights[kWriteAccess] & k, keyB = rights[kWriteKeyB] & k;
  if (!keyA && !access && !keyB) return rfsw::kDenied;
  // Only the parts this key may write change; the card keeps the rest.
  if (keyA) std::copy(data, data + 6, t.begin());
  if (access) std::copy(data + 6, data + 10, t.begin() + 6);
  if (keyB) std::copy(data + 10, data + 16, t.begin() + 10);
  return rfsw::kOk;
}

uint16_t MifareClassic::write(int sector, int block, const Bytes& data) {
  const int count = static_cast<int>(data.size() / 16);
  if (data.empty() || data.size() % 16 != 0) return rfsw::kBadLength;
  if (!exists(sector, block) || block + count > blocksIn(sector)) return rfsw::kBadParameter;
  for (int k = 0; k < count; ++k) {
    const int b = block + k;
    const uint8_t* src = data.data() + 16 * k;
    if (isTrailer(sector, b)) {
      const uint16_t sw = writeTrailer(sector, src);
      if (sw != rfsw::kOk) return sw;
      continue;
    }
    if (const uint16_t sw = check(sector, b, Access::Write)) return sw;
    if (sector == 0 && b == 0) return rfsw::kRefused;  // the manufacturer block is read-only
    std::copy(src, src + 16, at(sector, b).begin());
  }
  return rfsw::kOk;
}

uint16_t MifareClassic::initValue(int sector, int block, int32_t value) {
  if (!exists(sector, block)) return rfsw::kBadParameter;
  if (authSector_ != sector) return rfsw::kNotAuthenticated;
  if (isTrailer(sector, block) || (sector == 0 && block == 0)) return rfsw::kRefused;
  if (const uint16_t sw = check(sector, block, Access::Write)) return sw;
  at(sector, block) = valueBlock(value, static_cast<uint8_t>(firstBlock(sector) + block));
  return rfsw::kOk;
}

uint16_t MifareClassic::addValue(int sector, int block, int32_t amount, bool increment) {
  if (!exists(sector, block)) return rfsw::kBadParameter;
  if (isTrailer(sector, block)) {
    if (authSector_ != sector) return rfsw::kNotAuthenticated;
    return rfsw::kRefused;
  }
  // Increment and decrement end with a transfer back into the block, which needs the
  // decrement right as well.
  if (const uint16_t sw = check(sector, block, Access::Decrement)) return sw;
  if (increment) {
    if (const uint16_t sw = check(sector, block, Access::Increment)) return sw;
  }
  Block& b = at(sector, block);
  int32_t value = 0;
  if (!parseValue(b, &value)) return rfsw::kRefused;
  const int64_t next = int64_t(value) + (increment ? int64_t(amount) : -int64_t(amount));
  if (next > std::numeric_limits<int32_t>::max() || next < std::numeric_limits<int32_t>::min())
    return rfsw::kRefused;
  b = valueBlock(static_cast<int32_t>(next), b[12]);
  return rfsw::kOk;
}

uint16_t MifareClassic::readValue(int sector, int block, Bytes* out) {
  if (!exists(sector, block)) return rfsw::kBadParameter;
  if (isTrailer(sector, block)) {
    if (authSector_ != sector) return rfsw::kNotAuthenticated;
    return rfsw::kRefused;
  }
  if (const uint16_t sw = check(sector, block, Access::Read)) return sw;
  int32_t value = 0;
  if (!parseValue(at(sector, block), &value)) return rfsw::kRefused;
  out->assign(at(sector, block).begin(), at(sector, block).begin() + 4);
  return rfsw::kOk;
}

uint16_t MifareClassic::changeKeyA(int sector, const Key& key) {
  if (!exists(sector, 0)) return rfsw::kBadParameter;
  if (authSector_ != sector) return rfsw::kNotAuthenticated;
  Block& t = at(sector, blocksIn(sector) - 1);
  std::array<int, 4> g{};
  if (!decodeAccess(t, &g) || (authKey_ == KeyType::B && keyBReadable(sector)) ||
      !(kTrailerRights[g[3]][kWriteKeyA] & keyBit(authKey_)))
    return rfsw::kDenied;
  std::copy(key.begin(), key.end(), t.begin());
  return rfsw::kOk;
}

}  // namespace sim
