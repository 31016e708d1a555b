// SPDX-License-Identifier: MIT
#include "sim/sim_card_apdu.h"

#include <memory>
#include <random>
#include <utility>

namespace sim {
namespace {

Bytes sw(uint8_t sw1, uint8_t sw2) { return {sw1, sw2}; }

Bytes withOk(Bytes data) {
  data.push_back(0x90);
  data.push_back(0x00);
  return data;
}

const Bytes kPseName = {'1', 'P', 'A', 'Y', '.', 'S', 'Y', 'S', '.', 'D', 'D', 'F', '0', '1'};

// ISO answers to SELECT of 2FE2 by file identifier.
const Bytes& iccidFcp() {
  static const Bytes b = {0x62, 0x0E, 0x82, 0x01, 0x01, 0x83, 0x02, 0x2F, 0xE2,
                          0x80, 0x02, 0x00, 0x0A, 0x8A, 0x01, 0x05};
  return b;
}

}  // namespace

SimCard::SimCard(std::function<uint8_t()> random) : random_(std::move(random)) {
  if (!random_) {
    auto device = std::make_shared<std::random_device>();
    random_ = [device] { return static_cast<uint8_t>((*device)() & 0xFF); };
  }
}

const Bytes& SimCard::atr() {
  // TS, T0 (TA1 and TD1 follow, 10 historical bytes), TA1 (Fi 512, Di 16), TD1 (T=0),
  // then "KVT730-SIM".
  static const Bytes b = {0x3B, 0x9A, 0x95, 0x00, 'K', 'V', 'T', '7', '3', '0', '-', 'S', 'I', 'M'};
  return b;
}

const Bytes& SimCard::iccid() {
  static const Bytes b = {0x98, 0x44, 0x07, 0x30, 0x00, 0x10, 0x32, 0x54, 0x76, 0xF8};
  return b;
}

const Bytes& SimCard::mfFcp() {
  static const Bytes b = {0x62, 0x15, 0x82, 0x01, 0x38, 0x83, 0x02, 0x3F, 0x00, 0x8A, 0x01, 0x05,
                          0x8C, 0x03, 0x03, 0xFF, 0x00, 0xA5, 0x04, 0x80, 0x02, 0x00, 0x00};
  return b;
}

const Bytes& SimCard::pseFci() {
  static const Bytes b = [] {
    Bytes fci = {0x6F, 0x1A, 0x84, 0x0E};
    fci.insert(fci.end(), kPseName.begin(), kPseName.end());
    const Bytes proprietary = {0xA5, 0x08, 0x88, 0x01, 0x01, 0x5F, 0x2D, 0x02, 'e', 'n'};
    fci.insert(fci.end(), proprietary.begin(), proprietary.end());
    return fci;
  }();
  return b;
}

const Bytes& SimCard::gsmMfResponse() {
  // RFU, free memory, file id, type MF, RFU, length of the GSM data, characteristics,
  // 2 DFs, 1 EF, 4 CHVs, RFU, CHV1 / UNBLOCK CHV1 / CHV2 / UNBLOCK CHV2 status.
  static const Bytes b = {0x00, 0x00, 0x00, 0x00, 0x3F, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00,
                          0x00, 0x09, 0x13, 0x02, 0x01, 0x04, 0x00, 0x83, 0x8A, 0x83, 0x8A};
  return b;
}

const Bytes& SimCard::gsmIccidResponse() {
  // RFU, size 10, file id, type EF, RFU, access conditions (read: always), status,
  // 2 more bytes: transparent, no record length.
  static const Bytes b = {0x00, 0x00, 0x00, 0x0A, 0x2F, 0xE2, 0x04, 0x00,
                          0x0F, 0xFF, 0xFF, 0x01, 0x02, 0x00, 0x00};
  return b;
}

void SimCard::reset() {
  current_ = File::None;
  waiting_.clear();
}

Bytes SimCard::answerLater(const Bytes& data, uint8_t sw1) {
  waiting_ = data;
  return sw(sw1, static_cast<uint8_t>(data.size()));
}

Bytes SimCard::process(const Bytes& apdu) {
  // An answer waits for the very next command only.
  Bytes waiting = std::move(waiting_);
  waiting_.clear();

  if (apdu.size() < 5) return sw(0x67, 0x00);  // T=0 always carries P3
  const uint8_t cla = apdu[0], ins = apdu[1], p1 = apdu[2], p2 = apdu[3], p3 = apdu[4];
  const Bytes data(apdu.begin() + 5, apdu.end());
  if (!data.empty() && data.size() != p3) return sw(0x67, 0x00);
  if (cla != 0x00 && cla != 0xA0) return sw(0x6E, 0x00);
  const bool gsm = cla == 0xA0;

  switch (ins) {
    case 0xA4:
      if (data.empty()) return sw(0x67, 0x00);
      return select(gsm, p1, p2, data);
    case 0xB0:
      if (!data.empty()) return sw(0x67, 0x00);
      return readBinary(gsm, p1, p2, p3);
    case 0xC0:
      if (!data.empty()) return sw(0x67, 0x00);
      return getResponse(p3, std::move(waiting));
    case 0x84:
      if (gsm) break;
      if (!data.empty()) return sw(0x67, 0x00);
      return getChallenge(p1, p2, p3);
    default:
      break;
  }
  return sw(0x6D, 0x00);
}

Bytes SimCard::selectFile(bool gsm, const Bytes& data) {
  if (data.size() != 2) return sw(0x67, 0x00);
  if (data[0] == 0x3F && data[1] == 0x00) {
    current_ = File::Mf;
    return gsm ? answerLater(gsmMfResponse(), 0x9F) : answerLater(mfFcp(), 0x61);
  }
  if (data[0] == 0x2F && data[1] == 0xE2) {
    current_ = File::Iccid;
    return gsm ? answerLater(gsmIccidResponse(), 0x9F) : answerLater(iccidFcp(), 0x61);
  }
  return gsm ? sw(0x94, 0x04) : sw(0x6A, 0x82);
}

Bytes SimCard::select(bool gsm, uint8_t p1, uint8_t p2, const Bytes& data) {
  if (gsm) return p1 == 0 && p2 == 0 ? selectFile(true, data) : sw(0x6B, 0x00);
  if (p1 == 0x00 && p2 == 0x00) return selectFile(false, data);
  if (p1 == 0x04 && p2 == 0x00) {
    if (data != kPseName) return sw(0x6A, 0x82);
    current_ = File::Pse;
    return answerLater(pseFci(), 0x61);
  }
  return sw(0x6A, 0x86);
}

Bytes SimCard::readBinary(bool gsm, uint8_t p1, uint8_t p2, uint8_t le) const {
  if (current_ != File::Iccid) return gsm ? sw(0x94, 0x00) : sw(0x69, 0x86);
  if (p1 & 0x80) return gsm ? sw(0x6B, 0x00) : sw(0x6A, 0x86);  // short file id: not kept
  const size_t offset = (size_t(p1) << 8) | p2;
  const Bytes& file = iccid();
  if (offset >= file.size()) return sw(0x6B, 0x00);
  const size_t rest = file.size() - offset;
  const size_t wanted = le == 0 ? 256 : le;  // P3 = 0 asks for 256 bytes on T=0
  if (wanted > rest) return gsm ? sw(0x67, static_cast<uint8_t>(rest)) : sw(0x6C, static_cast<uint8_t>(rest));
  return withOk(Bytes(file.begin() + offset, file.begin() + offset + wanted));
}

Bytes SimCard::getResponse(uint8_t le, Bytes waiting) {
  if (waiting.empty()) return sw(0x69, 0x85);
  const size_t wanted = le == 0 ? 256 : le;
  if (wanted != waiting.size()) {
    waiting_ = std::move(waiting);  // still there for a GET RESPONSE with the right length
    return sw(0x6C, static_cast<uint8_t>(waiting_.size()));
  }
  return withOk(std::move(waiting));
}

Bytes SimCard::getChallenge(uint8_t p1, uint8_t p2, uint8_t le) {
  if (p1 != 0 || p2 != 0) return sw(0x6A, 0x86);
  if (le != 4 && le != 8) return sw(0x6C, 0x08);
  Bytes r;
  for (int i = 0; i < le; ++i) r.push_back(random_());
  return withOk(std::move(r));
}

}  // namespace sim
