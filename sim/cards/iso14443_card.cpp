// SPDX-License-Identifier: MIT
#include "sim/cards/iso14443_card.h"

#include "sim/cards/cpu_card.h"

namespace sim {

Iso14443Card::Iso14443Card(Protocol protocol, Bytes report)
    : protocol_(protocol), report_(std::move(report)), chip_(CpuCard::makeT1()) {}

std::shared_ptr<Iso14443Card> Iso14443Card::makeTypeA() {
  // "A", ATQA, UID length and UID, SAK (ISO/IEC 14443-4 compliant), then the answer to
  // select: TL, T0 (TA1 TB1 TC1 present, FSCI 8), TA1 (106 kbit/s only), TB1 (FWI 8,
  // SFGI 1), TC1 (CID supported), the historical bytes.
  Bytes r = {'A', 0x03, 0x44, 7, 0x04, 0x5A, 0x73, 0x19, 0xC2, 0x2E, 0x80, 0x20};
  const std::string hist = "KVT730-A";
  r.push_back(static_cast<uint8_t>(5 + hist.size()));
  r.insert(r.end(), {0x78, 0x00, 0x81, 0x02});
  r.insert(r.end(), hist.begin(), hist.end());
  return std::make_shared<Iso14443Card>(Protocol::TypeA, r);
}

std::shared_ptr<Iso14443Card> Iso14443Card::makeTypeB() {
  // "B", then the ATQB: 50, PUPI, application data, protocol info (106 kbit/s, FSCI 8
  // and ISO/IEC 14443-4 compliant, FWI 8 with CID supported).
  Bytes r = {'B', 0x50, 0x8A, 0x3C, 0x51, 0xE2, 'K', 'V', 'T', '7', 0x00, 0x81, 0x81};
  return std::make_shared<Iso14443Card>(Protocol::TypeB, r);
}

Bytes Iso14443Card::process(const Bytes& apdu) {
  if (!chip_->powered()) chip_->coldReset(CpuCard::Profile::Iso);
  return chip_->process(apdu);
}

void Iso14443Card::setRandom(std::function<uint8_t()> random) { chip_->setRandom(std::move(random)); }

void Iso14443Card::endSession() { chip_->powerOff(); }

}  // namespace sim
