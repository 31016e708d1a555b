// SPDX-License-Identifier: MIT
// The chip of a card at the reader's IC contacts, seen from the reader: it is powered
// or not, and it tells the reader what kind it is. The card classes (SLE4442, SLE4428,
// 24Cxx, CPU cards) add their own commands; the reader's contact command handlers
// find the one they talk to with dynamic_cast.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sim {

using Bytes = std::vector<uint8_t>;

class ContactChip {
 public:
  virtual ~ContactChip() = default;
  // The two characters the reader answers to "IC card type": "10" T=0 CPU, "11" T=1 CPU,
  // "20" SLE4442, "21" SLE4428, "30".."38" 24C01..24C256.
  virtual std::string typeCode() const = 0;
  bool powered() const { return powered_; }
  // Contacts released, card moved away or deactivated: volatile state is lost.
  virtual void powerOff() { powered_ = false; }

 protected:
  bool powered_ = false;
};

// Status word bytes appended to card data.
inline Bytes withStatus(Bytes data, uint16_t sw) {
  data.push_back(static_cast<uint8_t>(sw >> 8));
  data.push_back(static_cast<uint8_t>(sw & 0xFF));
  return data;
}

// The header of a memory-card command as the reader passes it on: CLA INS P1 P2 and
// Lc/Le, then the data.
struct MemoryApdu {
  uint8_t cla = 0, ins = 0, p1 = 0, p2 = 0, len = 0;
  Bytes data;
  // False when fewer than five bytes came.
  static bool parse(const Bytes& raw, MemoryApdu* out);
};

// The chip kinds the simulator offers, by the names its options use: "none" (a card
// without contacts), "cpu-t0", "cpu-t1", "cpu-noemv", "sle4442", "sle4428",
// "24c01" ... "24c512".
const std::vector<std::string>& contactChipKinds();
// A fresh chip of that kind; nullptr for "none" or an unknown name.
std::shared_ptr<ContactChip> makeContactChip(const std::string& kind);
bool isContactChipKind(const std::string& kind);

}  // namespace sim
