// SPDX-License-Identifier: MIT
// A contact microprocessor card (ISO/IEC 7816-3/-4) as the reader sees it: an answer to
// reset, one protocol (T=0 or T=1), and a small file system.
//
//   3F00  master file; SELECT answers its FCI (24 bytes)
//     2F01  transparent EF of 32 bytes, short file identifier 1, for READ BINARY
//   "1PAY.SYS.DDF01"  the payment system environment, selected by name
//
// Commands (CLA 00): SELECT (A4) by file identifier (P1 00 or 02) or by name (P1 04),
// READ BINARY (B0) of the current EF or by short identifier (P1 = 0x80 | SFI), GET
// CHALLENGE (84), GET RESPONSE (C0). Under T=0 a SELECT only announces its answer with
// 61 xx and GET RESPONSE fetches it (6C xx when Le is wrong); under T=1 the answer comes
// at once. Errors: 6700 length, 6A82 file not found, 6A86 P1/P2, 6986 no current EF,
// 6985 nothing to fetch, 6B00 offset past the end, 6D00 INS, 6E00 CLA.
//
// A card whose answer to reset asks for a clock rate factor outside the EMV profile
// (TA1 = 96) is refused by a cold reset under that profile; the reader still reports its
// answer to reset.
#pragma once

#include <functional>
#include <memory>
#include <random>

#include "sim/cards/contact_chip.h"

namespace sim {

class CpuCard : public ContactChip {
 public:
  enum class Protocol { T0, T1 };
  enum class Profile { Emv, Iso };

  CpuCard(Protocol protocol, Bytes atr, bool emvCompatible);

  // The cards the simulator offers. Their answers to reset carry "KVT730" in the
  // historical bytes.
  static std::shared_ptr<CpuCard> makeT0();
  static std::shared_ptr<CpuCard> makeT1();
  static std::shared_ptr<CpuCard> makeNonEmv();  // T=0, TA1 = 96
  // The SAM of socket n (1 to 8): T=0, "KVTSAM" and the socket digit in its ATR.
  static std::shared_ptr<CpuCard> makeSam(int socket);

  std::string typeCode() const override { return protocol_ == Protocol::T0 ? "10" : "11"; }
  void powerOff() override;

  Protocol protocol() const { return protocol_; }
  const Bytes& atr() const { return atr_; }
  bool emvCompatible() const { return emvCompatible_; }
  // Clock while powered: 1 at 3.57 MHz (EMV profile), 2 at 7.16 MHz (ISO profile).
  int clock() const { return clock_; }

  // Cold reset under a profile: false when the card cannot work under it (it stays off).
  bool coldReset(Profile profile);
  // Warm reset: only while powered; the selection and a waiting answer are forgotten.
  bool warmReset();

  Bytes process(const Bytes& apdu);

  // The answers of SELECT.
  static const Bytes& mfFci();
  static const Bytes& pseFci();
  static const Bytes& efContent();  // 2F01

  // Gives the GET CHALLENGE bytes (default: a generator seeded per card).
  void setRandom(std::function<uint8_t()> random) { random_ = std::move(random); }

 private:
  enum class File { None, Mf, Ef, Pse };

  Bytes select(uint8_t p1, uint8_t p2, const Bytes& data);
  Bytes readBinary(uint8_t p1, uint8_t p2, int le);
  Bytes getResponse(int le);
  Bytes getChallenge(uint8_t p1, uint8_t p2, int le);
  Bytes answer(const Bytes& data);  // T=0: kept for GET RESPONSE; T=1: at once

  Protocol protocol_;
  Bytes atr_;
  bool emvCompatible_;
  int clock_ = 0;
  File current_ = File::None;
  Bytes waiting_;
  std::function<uint8_t()> random_;
  // The generator is made at the first GET CHALLENGE: a reader holds nine of these cards
  // and most never give a challenge, while a generator is 5 KB to fill.
  uint32_t seed_ = 0x730C;
  std::unique_ptr<std::mt19937> rng_;
};

}  // namespace sim
