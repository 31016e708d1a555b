// SPDX-License-Identifier: MIT
// Synchronous memory cards: SLE4442, SLE4428 and the 24Cxx serial EEPROMs.
//
// The reader powers them up, reads their answer to reset and passes the memory
// commands on as a short header (CLA INS P1 P2 Lc/Le) and data; each card answers with
// its data and a status word:
//   9000 done, 6700 bad length, 6B00 bad P1/P2 or address past the end, 6F00 refused
//   (not verified, protected byte, data differs from memory), 6F01 wrong security code,
//   6F02 card blocked, 6D00 unknown INS, 6E00 CLA other than 00.
#pragma once

#include <algorithm>
#include <array>

#include "sim/cards/contact_chip.h"

namespace sim {

namespace sw {
inline constexpr uint16_t kOk = 0x9000;
inline constexpr uint16_t kBadLength = 0x6700;
inline constexpr uint16_t kBadParameter = 0x6B00;
inline constexpr uint16_t kRefused = 0x6F00;
inline constexpr uint16_t kWrongCode = 0x6F01;
inline constexpr uint16_t kBlocked = 0x6F02;
inline constexpr uint16_t kBadIns = 0x6D00;
inline constexpr uint16_t kBadCla = 0x6E00;
}  // namespace sw

// What the SLE cards have in common: main memory whose bytes 0 to 3 are the answer to
// reset (protected from new, 0xFF elsewhere), protection bits that can only be set, and a
// security code (all 0xFF when new) with an error counter. Writes need the code verified
// since power-up; running out of tries blocks the card for good.
template <int Size, int ProtectedBytes, int CodeBytes, int Tries>
class SleCard : public ContactChip {
 public:
  static constexpr int kSize = Size;
  static constexpr int kTries = Tries;
  static constexpr int kMaxLength = 0x80;
  using Code = std::array<uint8_t, CodeBytes>;

  void powerOff() override {
    ContactChip::powerOff();
    verified_ = false;
  }
  // Power on: the answer to reset, main memory bytes 0 to 3.
  Bytes powerOn() {
    powered_ = true;
    verified_ = false;
    return Bytes(memory_.begin(), memory_.begin() + 4);
  }

  // For tests and the control window.
  uint8_t byte(int address) const { return memory_[static_cast<size_t>(address)]; }
  void setByte(int address, uint8_t value) { memory_[static_cast<size_t>(address)] = value; }
  bool isProtected(int address) const {
    return address < ProtectedBytes && protection_[static_cast<size_t>(address)];
  }
  void setProtected(int address, bool on) { protection_[static_cast<size_t>(address)] = on; }
  int triesLeft() const { return tries_; }
  bool verified() const { return verified_; }
  Code code() const { return psc_; }
  void setCode(const Code& c) { psc_ = c; }

 protected:
  explicit SleCard(const std::array<uint8_t, 4>& atr) {
    memory_.fill(0xFF);
    psc_.fill(0xFF);
    for (size_t i = 0; i < atr.size(); ++i) {
      memory_[i] = atr[i];
      protection_[i] = true;
    }
  }
  // The code presented (its length checked): a match verifies and gives back every try,
  // a wrong one takes a try and the verification; the status word.
  uint16_t presentCode(const Bytes& given) {
    if (tries_ == 0) return sw::kBlocked;
    if (std::equal(given.begin(), given.end(), psc_.begin())) {
      tries_ = kTries;
      verified_ = true;
      return sw::kOk;
    }
    --tries_;
    verified_ = false;
    return sw::kWrongCode;
  }

  std::array<uint8_t, Size> memory_{};
  std::array<bool, ProtectedBytes> protection_{};
  Code psc_{};
  int tries_ = kTries;
  bool verified_ = false;
};

// SLE4442: 256 bytes of main memory, 32 protection bits for bytes 0 to 0x1F, and a
// security memory of an error counter and the 3-byte code; three wrong codes in a row
// block the card.
class Sle4442Card : public SleCard<256, 32, 3, 3> {
 public:
  static constexpr int kProtected = 32;

  // A new card: the answer to reset A2 13 10 91, the transport code FF FF FF.
  Sle4442Card();

  std::string typeCode() const override { return "20"; }

  // Header and data in, data and status word out.
  Bytes process(const MemoryApdu& a);

 private:
  Bytes read(const MemoryApdu& a) const;
  Bytes write(const MemoryApdu& a);
  Bytes verify(const MemoryApdu& a);
  // The protection memory as the card reads it out: bit n of byte n / 8 (lowest bit first)
  // is 0 when main memory byte n is protected.
  std::array<uint8_t, 4> protectionBytes() const;
  uint8_t errorCounterByte() const { return static_cast<uint8_t>((1u << tries_) - 1); }
};

// SLE4428: 1024 bytes, each with a protection bit that can only be set, a 2-byte code and
// an error counter of eight tries. Writes and code changes need the code verified.
//
// Commands: INS 20 verify and 24 change the code (P1 P2 00 00, two bytes); INS B0 reads,
// P1 = high address byte (0 to 3); with P1 0x10 to 0x13 it reads the protection bits
// instead, one byte per memory byte: 00 protected, 01 writable (the bit as the card keeps
// it). INS D0 writes, P1 = high address (0 to 3), plus 0x20 to protect the bytes written.
class Sle4428Card : public SleCard<1024, 1024, 2, 8> {
 public:
  // A new card: 92 23 10 91 in bytes 0 to 3, protected; 0xFF elsewhere; code FF FF.
  Sle4428Card();

  std::string typeCode() const override { return "21"; }

  Bytes process(const MemoryApdu& a);

 private:
  Bytes read(const MemoryApdu& a) const;
  Bytes write(const MemoryApdu& a);
  Bytes checkCode(const MemoryApdu& a);
  Bytes changeCode(const MemoryApdu& a);
};

// 24Cxx serial EEPROM: no security at all. Reads and writes take a 16-bit address (high,
// low) and a length of at most 0x80; anything past the end of the chip is refused.
class Eeprom24Card : public ContactChip {
 public:
  static constexpr int kMaxLength = 0x80;

  // The sizes by model number: 1 (24C01, 128 bytes), 2, 4, 8, 16, 32, 64, 128, 256, 512.
  explicit Eeprom24Card(int kbit);

  // "30" (24C01) to "38" (24C256); the 24C512 answers "39", which the reader's table
  // does not know.
  std::string typeCode() const override;

  int kbit() const { return kbit_; }
  int size() const { return static_cast<int>(memory_.size()); }
  // The size character of activate and status: "1" 24C01 ... "9" 24C256, ":" 24C512.
  uint8_t sizeCode() const;

  void powerOn() { powered_ = true; }
  Bytes process(const MemoryApdu& a);

  uint8_t byte(int address) const { return memory_[static_cast<size_t>(address)]; }
  void setByte(int address, uint8_t value) { memory_[static_cast<size_t>(address)] = value; }

 private:
  int kbit_;
  Bytes memory_;
};

}  // namespace sim
