// SPDX-License-Identifier: MIT
#include "sim/cards/contact_chip.h"

#include <algorithm>

#include "sim/cards/cpu_card.h"
#include "sim/cards/memory_cards.h"

namespace sim {

const std::vector<std::string>& contactChipKinds() {
  static const std::vector<std::string> kinds = {
      "none",   "cpu-t0", "cpu-t1", "cpu-noemv", "sle4442", "sle4428", "24c01",  "24c02",
      "24c04",  "24c08",  "24c16",  "24c32",     "24c64",   "24c128",  "24c256", "24c512"};
  return kinds;
}

bool isContactChipKind(const std::string& kind) {
  const auto& k = contactChipKinds();
  return std::find(k.begin(), k.end(), kind) != k.end();
}

std::shared_ptr<ContactChip> makeContactChip(const std::string& kind) {
  if (kind == "cpu-t0") return CpuCard::makeT0();
  if (kind == "cpu-t1") return CpuCard::makeT1();
  if (kind == "cpu-noemv") return CpuCard::makeNonEmv();
  if (kind == "sle4442") return std::make_shared<Sle4442Card>();
  if (kind == "sle4428") return std::make_shared<Sle4428Card>();
  if (kind.rfind("24c", 0) == 0 && isContactChipKind(kind))
    return std::make_shared<Eeprom24Card>(std::stoi(kind.substr(3)));
  return nullptr;
}

}  // namespace sim
