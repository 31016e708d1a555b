// SPDX-License-Identifier: MIT
#include "sim/cards/memory_cards.h"

#include <algorithm>

namespace sim {
namespace {

constexpr uint8_t kRead = 0xB0;
constexpr uint8_t kWrite = 0xD0;
constexpr uint8_t kVerify = 0x20;
constexpr uint8_t kChangeCode = 0x24;

Bytes status(uint16_t sw) { return withStatus({}, sw); }

// Checks a data length and the range it covers; 0 when both are fine, else the status word.
uint16_t rangeError(int address, int length, int maxLength, int size) {
  if (length < 1 || length > maxLength) return sw::kBadLength;
  if (address + length > size) return sw::kBadParameter;
  return 0;
}

const int kEepromSizes[] = {1, 2, 4, 8, 16, 32, 64, 128, 256, 512};

int eepromIndex(int kbit) {
  for (int i = 0; i < 10; ++i)
    if (kEepromSizes[i] == kbit) return i;
  return 0;
}

}  // namespace

bool MemoryApdu::parse(const Bytes& raw, MemoryApdu* out) {
  if (raw.size() < 5) return false;
  out->cla = raw[0];
  out->ins = raw[1];
  out->p1 = raw[2];
  out->p2 = raw[3];
  out->len = raw[4];
  out->data.assign(raw.begin() + 5, raw.end());
  return true;
}

// ---- SLE4442 ----------------------------------------------------------------------

Sle4442Card::Sle4442Card() : SleCard({0xA2, 0x13, 0x10, 0x91}) {}

std::array<uint8_t, 4> Sle4442Card::protectionBytes() const {
  std::array<uint8_t, 4> out{};
  for (int n = 0; n < kProtected; ++n)
    if (!protection_[static_cast<size_t>(n)]) out[static_cast<size_t>(n / 8)] |= static_cast<uint8_t>(1u << (n % 8));
  return out;
}

Bytes Sle4442Card::process(const MemoryApdu& a) {
  if (a.cla != 0x00) return status(sw::kBadCla);
  switch (a.ins) {
    case kRead: return read(a);
    case kWrite: return write(a);
    case kVerify: return verify(a);
    default: return status(sw::kBadIns);
  }
}

Bytes Sle4442Card::read(const MemoryApdu& a) const {
  Bytes out;
  switch (a.p1) {
    case 0x00: {
      if (const uint16_t e = rangeError(a.p2, a.len, kMaxLength, kSize)) return status(e);
      out.assign(memory_.begin() + a.p2, memory_.begin() + a.p2 + a.len);
      break;
    }
    case 0x01: {
      if (const uint16_t e = rangeError(a.p2, a.len, 4, 4)) return status(e);
      const auto bits = protectionBytes();
      out.assign(bits.begin() + a.p2, bits.begin() + a.p2 + a.len);
      break;
    }
    case 0x02: {
      if (const uint16_t e = rangeError(a.p2, a.len, 4, 4)) return status(e);
      // The code itself reads as zeros until it has been verified.
      const std::array<uint8_t, 4> security = {errorCounterByte(), verified_ ? psc_[0] : uint8_t(0),
                                               verified_ ? psc_[1] : uint8_t(0), verified_ ? psc_[2] : uint8_t(0)};
      out.assign(security.begin() + a.p2, security.begin() + a.p2 + a.len);
      break;
    }
    default:
      return status(sw::kBadParameter);
  }
  return withStatus(out, sw::kOk);
}

Bytes Sle4442Card::write(const MemoryApdu& a) {
  if (a.data.size() != a.len) return status(sw::kBadLength);
  switch (a.p1) {
    case 0x00: {
      if (const uint16_t e = rangeError(a.p2, a.len, kMaxLength, kSize)) return status(e);
      if (!verified_) return status(sw::kRefused);
      for (int k = 0; k < a.len; ++k)
        if (isProtected(a.p2 + k) && memory_[static_cast<size_t>(a.p2 + k)] != a.data[static_cast<size_t>(k)])
          return status(sw::kRefused);
      std::copy(a.data.begin(), a.data.end(), memory_.begin() + a.p2);
      return status(sw::kOk);
    }
    case 0x01: {
      // Protecting a byte means stating what it holds: the data must equal main memory.
      if (const uint16_t e = rangeError(a.p2, a.len, kProtected, kProtected)) return status(e);
      if (!verified_) return status(sw::kRefused);
      if (!std::equal(a.data.begin(), a.data.end(), memory_.begin() + a.p2)) return status(sw::kRefused);
      for (int k = 0; k < a.len; ++k) protection_[static_cast<size_t>(a.p2 + k)] = true;
      return status(sw::kOk);
    }
    case 0x02: {
      // A new code: security memory bytes 1 to 3.
      if (a.p2 != 0x01) return status(sw::kBadParameter);
      if (a.len != 3) return status(sw::kBadLength);
      if (!verified_) return status(sw::kRefused);
      std::copy(a.data.begin(), a.data.end(), psc_.begin());
      return status(sw::kOk);
    }
    default:
      return status(sw::kBadParameter);
  }
}

Bytes Sle4442Card::verify(const MemoryApdu& a) {
  if (a.p1 != 0x03 || a.p2 != 0x01) return status(sw::kBadParameter);
  if (a.len != 3 || a.data.size() != 3) return status(sw::kBadLength);
  return status(presentCode(a.data));
}

// ---- SLE4428 ----------------------------------------------------------------------

Sle4428Card::Sle4428Card() : SleCard({0x92, 0x23, 0x10, 0x91}) {}

Bytes Sle4428Card::process(const MemoryApdu& a) {
  if (a.cla != 0x00) return status(sw::kBadCla);
  switch (a.ins) {
    case kRead: return read(a);
    case kWrite: return write(a);
    case kVerify: return checkCode(a);
    case kChangeCode: return changeCode(a);
    default: return status(sw::kBadIns);
  }
}

Bytes Sle4428Card::read(const MemoryApdu& a) const {
  const bool bits = (a.p1 & 0xF0) == 0x10;
  if ((a.p1 & 0xF0) != 0x00 && !bits) return status(sw::kBadParameter);
  const int high = a.p1 & 0x0F;
  if (high > 3) return status(sw::kBadParameter);
  const int address = high * 256 + a.p2;
  if (const uint16_t e = rangeError(address, a.len, kMaxLength, kSize)) return status(e);
  Bytes out;
  for (int k = 0; k < a.len; ++k) {
    const auto at = static_cast<size_t>(address + k);
    out.push_back(bits ? (protection_[at] ? 0x00 : 0x01) : memory_[at]);
  }
  return withStatus(out, sw::kOk);
}

Bytes Sle4428Card::write(const MemoryApdu& a) {
  const int mode = a.p1 & 0xF0;
  if (mode != 0x00 && mode != 0x20) return status(sw::kBadParameter);
  const int high = a.p1 & 0x0F;
  if (high > 3) return status(sw::kBadParameter);
  if (a.data.size() != a.len) return status(sw::kBadLength);
  const int address = high * 256 + a.p2;
  if (const uint16_t e = rangeError(address, a.len, kMaxLength, kSize)) return status(e);
  if (!verified_) return status(sw::kRefused);
  for (int k = 0; k < a.len; ++k) {
    const auto at = static_cast<size_t>(address + k);
    if (protection_[at] && memory_[at] != a.data[static_cast<size_t>(k)]) return status(sw::kRefused);
  }
  for (int k = 0; k < a.len; ++k) {
    const auto at = static_cast<size_t>(address + k);
    memory_[at] = a.data[static_cast<size_t>(k)];
    if (mode == 0x20) protection_[at] = true;
  }
  return status(sw::kOk);
}

Bytes Sle4428Card::checkCode(const MemoryApdu& a) {
  if (a.p1 != 0x00 || a.p2 != 0x00) return status(sw::kBadParameter);
  if (a.len != 2 || a.data.size() != 2) return status(sw::kBadLength);
  return status(presentCode(a.data));
}

Bytes Sle4428Card::changeCode(const MemoryApdu& a) {
  if (a.p1 != 0x00 || a.p2 != 0x00) return status(sw::kBadParameter);
  if (a.len != 2 || a.data.size() != 2) return status(sw::kBadLength);
  if (!verified_) return status(sw::kRefused);
  std::copy(a.data.begin(), a.data.end(), psc_.begin());
  return status(sw::kOk);
}

// ---- 24Cxx ------------------------------------------------------------------------

Eeprom24Card::Eeprom24Card(int kbit)
    : kbit_(kEepromSizes[eepromIndex(kbit)]), memory_(static_cast<size_t>(kbit_) * 128, 0xFF) {}

std::string Eeprom24Card::typeCode() const {
  return std::string("3") + static_cast<char>('0' + eepromIndex(kbit_));
}

uint8_t Eeprom24Card::sizeCode() const { return static_cast<uint8_t>('1' + eepromIndex(kbit_)); }

Bytes Eeprom24Card::process(const MemoryApdu& a) {
  if (a.cla != 0x00) return status(sw::kBadCla);
  if (a.ins != kRead && a.ins != kWrite) return status(sw::kBadIns);
  const int address = a.p1 * 256 + a.p2;
  if (const uint16_t e = rangeError(address, a.len, kMaxLength, size())) return status(e);
  if (a.ins == kRead)
    return withStatus(Bytes(memory_.begin() + address, memory_.begin() + address + a.len), sw::kOk);
  if (a.data.size() != a.len) return status(sw::kBadLength);
  std::copy(a.data.begin(), a.data.end(), memory_.begin() + address);
  return status(sw::kOk);
}

}  // namespace sim
