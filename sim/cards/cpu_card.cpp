// SPDX-License-Identifier: MIT
#include "sim/cards/cpu_card.h"

#include <algorithm>
#include <string>

namespace sim {
namespace {

constexpr uint8_t kSelect = 0xA4;
constexpr uint8_t kReadBinary = 0xB0;
constexpr uint8_t kGetChallenge = 0x84;
constexpr uint8_t kGetResponse = 0xC0;

constexpr uint16_t kOk = 0x9000;
constexpr uint16_t kWrongLength = 0x6700;
constexpr uint16_t kNotFound = 0x6A82;
constexpr uint16_t kWrongP1P2 = 0x6A86;
constexpr uint16_t kNoCurrentEf = 0x6986;
constexpr uint16_t kNothingWaiting = 0x6985;
constexpr uint16_t kOffsetPastEnd = 0x6B00;
constexpr uint16_t kEndReached = 0x6282;
constexpr uint16_t kBadIns = 0x6D00;
constexpr uint16_t kBadCla = 0x6E00;

Bytes status(uint16_t sw) { return withStatus({}, sw); }

Bytes ascii(const std::string& s) { return Bytes(s.begin(), s.end()); }

const Bytes& pseName() {
  static const Bytes name = ascii("1PAY.SYS.DDF01");
  return name;
}

const Bytes& efFcp() {
  static const Bytes fcp = {0x62, 0x0B, 0x80, 0x02, 0x00, 0x20, 0x82, 0x01, 0x01, 0x83, 0x02, 0x2F, 0x01};
  return fcp;
}

// The parts of a command APDU: header, data, Le (-1 when absent; 0 stands for 256).
struct Apdu {
  uint8_t cla = 0, ins = 0, p1 = 0, p2 = 0;
  Bytes data;
  int le = -1;
};

bool parseApdu(const Bytes& raw, Apdu* a) {
  if (raw.size() < 4) return false;
  a->cla = raw[0];
  a->ins = raw[1];
  a->p1 = raw[2];
  a->p2 = raw[3];
  if (raw.size() == 4) return true;
  if (raw.size() == 5) {
    a->le = raw[4] == 0 ? 256 : raw[4];
    return true;
  }
  const size_t lc = raw[4];
  if (lc == 0 || raw.size() < 5 + lc || raw.size() > 6 + lc) return false;
  a->data.assign(raw.begin() + 5, raw.begin() + 5 + static_cast<long>(lc));
  if (raw.size() == 6 + lc) a->le = raw.back() == 0 ? 256 : raw.back();
  return true;
}

Bytes atrWithCheck(Bytes atr) {
  uint8_t tck = 0;
  for (size_t i = 1; i < atr.size(); ++i) tck ^= atr[i];
  atr.push_back(tck);
  return atr;
}

}  // namespace

CpuCard::CpuCard(Protocol protocol, Bytes atr, bool emvCompatible)
    : protocol_(protocol), atr_(std::move(atr)), emvCompatible_(emvCompatible) {}

std::shared_ptr<CpuCard> CpuCard::makeT0() {
  // TS, T0 (TB1 TC1, 8 historical bytes), TB1, TC1, "KVT730T0". T=0 only: no TCK.
  Bytes atr = {0x3B, 0x68, 0x00, 0x00};
  const Bytes hist = ascii("KVT730T0");
  atr.insert(atr.end(), hist.begin(), hist.end());
  return std::make_shared<CpuCard>(Protocol::T0, atr, true);
}

std::shared_ptr<CpuCard> CpuCard::makeT1() {
  // TS, T0 (TB1 TC1 TD1, 9 historical bytes), TB1, TC1, TD1 (T=1, TD2 follows),
  // TD2 (T=1, TA3 TB3 follow), TA3 IFSC 254, TB3 BWI 4 CWI 5, "KVT730-T1", TCK.
  Bytes atr = {0x3B, 0xE9, 0x00, 0x00, 0x81, 0x31, 0xFE, 0x45};
  const Bytes hist = ascii("KVT730-T1");
  atr.insert(atr.end(), hist.begin(), hist.end());
  return std::make_shared<CpuCard>(Protocol::T1, atrWithCheck(atr), true);
}

std::shared_ptr<CpuCard> CpuCard::makeNonEmv() {
  // TS, T0 (TA1 TB1 TC1, 8 historical bytes), TA1 = 96 (F 512, D 32), TB1, TC1, "KVT730IS".
  Bytes atr = {0x3B, 0x78, 0x96, 0x00, 0x00};
  const Bytes hist = ascii("KVT730IS");
  atr.insert(atr.end(), hist.begin(), hist.end());
  return std::make_shared<CpuCard>(Protocol::T0, atr, false);
}

std::shared_ptr<CpuCard> CpuCard::makeSam(int socket) {
  Bytes atr = {0x3B, 0x67, 0x00, 0x00};  // TB1 TC1, 7 historical bytes
  const Bytes hist = ascii("KVTSAM" + std::to_string(socket % 10));
  atr.insert(atr.end(), hist.begin(), hist.end());
  auto card = std::make_shared<CpuCard>(Protocol::T0, atr, true);
  card->seed_ = 0x5A30u + static_cast<unsigned>(socket);
  return card;
}

const Bytes& CpuCard::mfFci() {
  static const Bytes fci = {0x6F, 0x16, 0x84, 0x02, 0x3F, 0x00, 0xA5, 0x10, 0x88, 0x01, 0x01, 0x5F,
                            0x2D, 0x06, 0x7A, 0x68, 0x65, 0x6E, 0x66, 0x72, 0x9F, 0x11, 0x01, 0x01};
  return fci;
}

const Bytes& CpuCard::pseFci() {
  static const Bytes fci = [] {
    Bytes b = {0x6F, 0x1A, 0x84, 0x0E};
    b.insert(b.end(), pseName().begin(), pseName().end());
    const Bytes rest = {0xA5, 0x08, 0x88, 0x01, 0x01, 0x5F, 0x2D, 0x02, 0x65, 0x6E};
    b.insert(b.end(), rest.begin(), rest.end());
    return b;
  }();
  return fci;
}

const Bytes& CpuCard::efContent() {
  static const Bytes content = [] {
    Bytes b = ascii("KVT730 CONTACT CARD EF 2F01");
    b.resize(32, 0x20);
    return b;
  }();
  return content;
}

void CpuCard::powerOff() {
  ContactChip::powerOff();
  clock_ = 0;
  current_ = File::None;
  waiting_.clear();
}

bool CpuCard::coldReset(Profile profile) {
  powerOff();
  if (profile == Profile::Emv && !emvCompatible_) return false;
  powered_ = true;
  clock_ = profile == Profile::Emv ? 1 : 2;
  return true;
}

bool CpuCard::warmReset() {
  if (!powered_) return false;
  current_ = File::None;
  waiting_.clear();
  return true;
}

Bytes CpuCard::process(const Bytes& raw) {
  Bytes waiting;
  waiting.swap(waiting_);  // any command but GET RESPONSE drops a waiting answer
  Apdu a;
  if (!parseApdu(raw, &a)) return status(kWrongLength);
  if (a.cla != 0x00) return status(kBadCla);
  switch (a.ins) {
    case kSelect: return select(a.p1, a.p2, a.data);
    case kReadBinary: return readBinary(a.p1, a.p2, a.le);
    case kGetChallenge: return getChallenge(a.p1, a.p2, a.le);
    case kGetResponse:
      waiting_.swap(waiting);
      return getResponse(a.le);
    default: return status(kBadIns);
  }
}

Bytes CpuCard::answer(const Bytes& data) {
  if (protocol_ == Protocol::T1) return withStatus(data, kOk);
  waiting_ = data;
  return status(static_cast<uint16_t>(0x6100 | (data.size() & 0xFF)));
}

Bytes CpuCard::select(uint8_t p1, uint8_t p2, const Bytes& data) {
  if (p2 != 0x00 && p2 != 0x0C) return status(kWrongP1P2);
  File target = File::None;
  if (p1 == 0x00 || p1 == 0x02) {
    if (data.size() != 2) return status(kWrongLength);
    const int fid = data[0] << 8 | data[1];
    if (fid == 0x3F00 && p1 == 0x00) target = File::Mf;
    else if (fid == 0x2F01) target = File::Ef;
    else return status(kNotFound);
  } else if (p1 == 0x04) {
    if (data != pseName()) return status(kNotFound);
    target = File::Pse;
  } else {
    return status(kWrongP1P2);
  }
  current_ = target;
  if (p2 == 0x0C) return status(kOk);
  return answer(target == File::Mf ? mfFci() : target == File::Pse ? pseFci() : efFcp());
}

Bytes CpuCard::readBinary(uint8_t p1, uint8_t p2, int le) {
  int offset = 0;
  if (p1 & 0x80) {
    if ((p1 & 0x1F) != 0x01 || (p1 & 0x60)) return status(kNotFound);
    current_ = File::Ef;
    offset = p2;
  } else {
    if (current_ != File::Ef) return status(kNoCurrentEf);
    offset = p1 << 8 | p2;
  }
  const Bytes& file = efContent();
  const int size = static_cast<int>(file.size());
  if (offset >= size) return status(kOffsetPastEnd);
  const int left = size - offset;
  if (le < 0 || le == 256) return withStatus(Bytes(file.begin() + offset, file.end()), kOk);  // as much as there is
  if (le > left) {
    if (protocol_ == Protocol::T0) return status(static_cast<uint16_t>(0x6C00 | left));
    return withStatus(Bytes(file.begin() + offset, file.end()), kEndReached);
  }
  return withStatus(Bytes(file.begin() + offset, file.begin() + offset + le), kOk);
}

Bytes CpuCard::getResponse(int le) {
  if (waiting_.empty()) return status(kNothingWaiting);
  const int size = static_cast<int>(waiting_.size());
  if (le < 0 || le > size) return status(static_cast<uint16_t>(0x6C00 | (size & 0xFF)));  // the answer stays
  Bytes out(waiting_.begin(), waiting_.begin() + le);
  waiting_.erase(waiting_.begin(), waiting_.begin() + le);
  if (waiting_.empty()) return withStatus(out, kOk);
  return withStatus(out, static_cast<uint16_t>(0x6100 | (waiting_.size() & 0xFF)));
}

Bytes CpuCard::getChallenge(uint8_t p1, uint8_t p2, int le) {
  if (p1 != 0x00 || p2 != 0x00) return status(kWrongP1P2);
  if (le != 4 && le != 8) return status(kWrongLength);
  if (!random_ && !rng_) rng_ = std::make_unique<std::mt19937>(seed_);
  Bytes out;
  for (int i = 0; i < le; ++i) out.push_back(random_ ? random_() : static_cast<uint8_t>((*rng_)() & 0xFF));
  return withStatus(out, kOk);
}

}  // namespace sim
