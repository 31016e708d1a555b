// SPDX-License-Identifier: MIT
#include "sim/cards/rf_card.h"

#include <algorithm>

#include "sim/cards/iso14443_card.h"
#include "sim/cards/mifare_classic.h"
#include "sim/cards/mifare_samples.h"
#include "sim/cards/ultralight.h"

namespace sim {

const std::vector<std::string>& rfCardKinds() {
  static const std::vector<std::string> kinds = {"none",  "s50",   "s70",      "ultralight",
                                                   "typea", "typeb", "s50-mixed", "s70-mixed"};
  return kinds;
}

bool isRfCardKind(const std::string& kind) {
  const auto& k = rfCardKinds();
  return std::find(k.begin(), k.end(), kind) != k.end();
}

std::shared_ptr<RfCard> makeRfCard(const std::string& kind) {
  if (kind == "s50") return MifareClassic::makeS50();
  if (kind == "s70") return MifareClassic::makeS70();
  if (kind == "s50-mixed") return makeMixedS50();
  if (kind == "s70-mixed") return makeMixedS70();
  if (kind == "ultralight") return Ultralight::makeCard();
  if (kind == "typea") return Iso14443Card::makeTypeA();
  if (kind == "typeb") return Iso14443Card::makeTypeB();
  return nullptr;
}

}  // namespace sim
