// SPDX-License-Identifier: MIT
// Contactless microprocessor cards (ISO/IEC 14443-4): a Type A card, reported with its
// ATQA, UID, SAK and answer to select, and a Type B card, reported with its ATQB. Once
// activated they answer command APDUs at once (block protocol, no GET RESPONSE needed)
// from the same small file system as the contact CPU cards: SELECT of 3F00, 2F01 or
// "1PAY.SYS.DDF01", READ BINARY, GET CHALLENGE of 4 or 8 bytes.
#pragma once

#include <functional>

#include "sim/cards/rf_card.h"

namespace sim {

class CpuCard;

class Iso14443Card : public RfCard {
 public:
  Iso14443Card(Protocol protocol, Bytes report);
  // Type A: ATQA 03 44, 7-byte UID 04 5A 73 19 C2 2E 80, SAK 20, an answer to select
  // with "KVT730-A" in its historical bytes.
  static std::shared_ptr<Iso14443Card> makeTypeA();
  // Type B: ATQB 50, PUPI 8A 3C 51 E2, application data "KVT7", protocol info 00 81 81.
  static std::shared_ptr<Iso14443Card> makeTypeB();

  std::string typeCode() const override { return protocol_ == Protocol::TypeA ? "20" : "30"; }
  Protocol protocol() const override { return protocol_; }
  Bytes activationReport() const override { return report_; }

  // Response APDU (data and status word) to a command APDU.
  Bytes process(const Bytes& apdu);
  // Gives the GET CHALLENGE bytes (default: a generator seeded per card).
  void setRandom(std::function<uint8_t()> random);

 protected:
  void endSession() override;

 private:
  Protocol protocol_;
  Bytes report_;
  std::shared_ptr<CpuCard> chip_;
};

}  // namespace sim
