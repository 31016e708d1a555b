// SPDX-License-Identifier: MIT
// Mifare Ultralight: 16 pages of 4 bytes, no keys.
//
//   page 0   UID0 UID1 UID2 BCC0      read-only
//   page 1   UID3 UID4 UID5 UID6      read-only
//   page 2   BCC1, internal, LOCK0, LOCK1: a write only sets lock bits
//   page 3   OTP: a write only sets bits
//   4..15    data
//
// LOCK0 bit 0 freezes the OTP lock bit, bit 1 the lock bits of pages 4-9, bit 2 those of
// pages 10-15, bit 3 locks page 3, bits 4-7 lock pages 4-7; LOCK1 bits 0-7 lock pages
// 8-15. Lock bits, once set, stay set; a write to a locked or read-only page is refused.
#pragma once

#include <array>

#include "sim/cards/rf_card.h"

namespace sim {

class Ultralight : public RfCard {
 public:
  static constexpr int kPages = 16;
  using Page = std::array<uint8_t, 4>;

  explicit Ultralight(const std::array<uint8_t, 7>& uid);
  // The card the simulator offers: UID 04 A1 3F 52 6B 80 31.
  static std::shared_ptr<Ultralight> makeCard();

  std::string typeCode() const override { return "12"; }
  Protocol protocol() const override { return Protocol::TypeA; }
  // "M", ATQA 00 44, the UID length 7 and the UID.
  Bytes activationReport() const override;

  // `count` pages from `first`: 4 bytes each into *out.
  uint16_t read(int first, int count, Bytes* out) const;
  // 4 bytes per page from `first`, one page after the other; a refused page stops it.
  uint16_t write(int first, const Bytes& data);

  const Page& page(int i) const { return pages_[static_cast<size_t>(i)]; }
  void setPage(int i, const Page& p) { pages_[static_cast<size_t>(i)] = p; }
  bool locked(int page) const;

 private:
  uint16_t writePage(int i, const uint8_t* data);

  std::array<uint8_t, 7> uid_;
  std::array<Page, kPages> pages_{};
};

}  // namespace sim
