// SPDX-License-Identifier: MIT
// The contactless side of a card, as the reader's RF module sees it: the card answers
// the polling of one protocol (ISO/IEC 14443 Type A or Type B), tells the reader what it
// is, and keeps a session from its activation until the field goes off or the card
// leaves the field.
//
// The card models (Mifare Classic, Ultralight, ISO 14443-4 CPU cards) answer the commands
// the reader passes on with data and a status word:
//   9000 done, 6300 authentication failed, 6700 bad length, 6982 sector not
//   authenticated, 6985 the access conditions forbid it, 6B00 no such sector, block or
//   page, 6D00 unknown INS, 6E00 CLA other than 00, 6F00 the card refused (read-only or
//   locked area, not a value block, value out of range).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sim/cards/contact_chip.h"

namespace sim {

namespace rfsw {
inline constexpr uint16_t kOk = 0x9000;
inline constexpr uint16_t kAuthFailed = 0x6300;
inline constexpr uint16_t kBadLength = 0x6700;
inline constexpr uint16_t kNotAuthenticated = 0x6982;
inline constexpr uint16_t kDenied = 0x6985;
inline constexpr uint16_t kBadParameter = 0x6B00;
inline constexpr uint16_t kBadIns = 0x6D00;
inline constexpr uint16_t kBadCla = 0x6E00;
inline constexpr uint16_t kRefused = 0x6F00;
}  // namespace rfsw

class RfCard {
 public:
  enum class Protocol { TypeA, TypeB };

  virtual ~RfCard() = default;

  // The two characters of the reader's "RF card type" answer: "10" Mifare S50, "11"
  // Mifare S70, "12" Ultralight, "20" Type A CPU card, "30" Type B card.
  virtual std::string typeCode() const = 0;
  virtual Protocol protocol() const = 0;
  // What the reader reports after activating the card: the type letter ("M" Mifare
  // memory card, "A" Type A CPU card, "B" Type B card), then the card's answers.
  virtual Bytes activationReport() const = 0;

  bool active() const { return active_; }
  // The card answers the polling and is selected; whatever an earlier session held
  // (authentication, selected files) is gone.
  void activate() {
    endSession();
    active_ = true;
  }
  // The field goes off, or the card leaves it.
  void fieldOff() {
    endSession();
    active_ = false;
  }

 protected:
  virtual void endSession() {}

 private:
  bool active_ = false;
};

// The contactless kinds the simulator offers, by the names its options use: "none" (a
// card without an antenna), "s50", "s70", "ultralight", "typea", "typeb", and
// "s50-mixed", "s70-mixed": Mifare cards with sectors in use (mifare_samples.h).
const std::vector<std::string>& rfCardKinds();
// A fresh card of that kind; nullptr for "none" or an unknown name.
std::shared_ptr<RfCard> makeRfCard(const std::string& kind);
bool isRfCardKind(const std::string& kind);

}  // namespace sim
