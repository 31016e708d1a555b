// SPDX-License-Identifier: MIT
#include "sim/cards/ultralight.h"

#include <algorithm>

namespace sim {

Ultralight::Ultralight(const std::array<uint8_t, 7>& uid) : uid_(uid) {
  pages_[0] = {uid[0], uid[1], uid[2], static_cast<uint8_t>(0x88 ^ uid[0] ^ uid[1] ^ uid[2])};
  pages_[1] = {uid[3], uid[4], uid[5], uid[6]};
  pages_[2] = {static_cast<uint8_t>(uid[3] ^ uid[4] ^ uid[5] ^ uid[6]), 0x48, 0x00, 0x00};
}

std::shared_ptr<Ultralight> Ultralight::makeCard() {
  return std::make_shared<Ultralight>(std::array<uint8_t, 7>{0x04, 0xA1, 0x3F, 0x52, 0x6B, 0x80, 0x31});
}

Bytes Ultralight::activationReport() const {
  Bytes r(4 + uid_.size());
  r[0] = 'M';
  r[2] = 0x44;
  r[3] = static_cast<uint8_t>(uid_.size());
  std::copy(uid_.begin(), uid_.end(), r.begin() + 4);
  return r;
}

bool Ultralight::locked(int page) const {
  const uint8_t lock0 = pages_[2][2], lock1 = pages_[2][3];
  if (page < 2) return true;
  if (page == 2) return false;  // the lock bytes themselves can always gain bits
  if (page == 3) return lock0 & 0x08;
  if (page < 8) return lock0 & (1 << page);  // bits 4 to 7 lock pages 4 to 7
  return lock1 & (1 << (page - 8));
}

uint16_t Ultralight::read(int first, int count, Bytes* out) const {
  if (first < 0 || count < 1 || first + count > kPages) return rfsw::kBadParameter;
  out->clear();
  for (int i = first; i < first + count; ++i) out->insert(out->end(), pages_[i].begin(), pages_[i].end());
  return rfsw::kOk;
}

uint16_t Ultralight::writePage(int i, const uint8_t* d) {
  if (locked(i)) return rfsw::kRefused;
  Page& p = pages_[static_cast<size_t>(i)];
  if (i == 2) {
    // Bytes 0 and 1 stay; lock bits are only set, and not those a block-lock bit froze.
    const uint8_t lock0 = p[2];
    uint8_t mask0 = 0x07;                  // the three block-lock bits
    if (!(lock0 & 0x01)) mask0 |= 0x08;    // OTP lock
    if (!(lock0 & 0x02)) mask0 |= 0xF0;    // pages 4 to 7
    uint8_t mask1 = 0;
    if (!(lock0 & 0x02)) mask1 |= 0x03;    // pages 8 and 9
    if (!(lock0 & 0x04)) mask1 |= 0xFC;    // pages 10 to 15
    p[2] |= d[2] & mask0;
    p[3] |= d[3] & mask1;
    return rfsw::kOk;
  }
  if (i == 3) {
    for (int k = 0; k < 4; ++k) p[static_cast<size_t>(k)] |= d[k];
    return rfsw::kOk;
  }
  for (int k = 0; k < 4; ++k) p[static_cast<size_t>(k)] = d[k];
  return rfsw::kOk;
}

uint16_t Ultralight::write(int first, const Bytes& data) {
  if (data.empty() || data.size() % 4 != 0) return rfsw::kBadLength;
  const int count = static_cast<int>(data.size() / 4);
  if (first < 0 || first + count > kPages) return rfsw::kBadParameter;
  for (int k = 0; k < count; ++k) {
    const uint16_t sw = writePage(first + k, data.data() + 4 * k);
    if (sw != rfsw::kOk) return sw;
  }
  return rfsw::kOk;
}

}  // namespace sim
