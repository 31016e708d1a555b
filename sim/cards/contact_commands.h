// SPDX-License-Identifier: MIT
// The reader's contact card commands, carried out on the chip of the card at the IC
// contacts and on the SAMs in their sockets:
//   0x50 "P"  card type: parameter "0" the contact chip, "1" the contactless card
//   0x51 "Q"  CPU card: "0" cold reset (data "0" EMV profile, "3" ISO profile), "1" off,
//             "2" status, "3" APDU under T=0, "4" under T=1, "8" warm reset, "9" APDU
//             under the card's own protocol
//   0x52 "R"  SAM: as 0x51 without "3" and "4", plus 0x40 to choose the socket
//   0x53 "S"  SLE cards: "0" power on, "1" power off (any chip), "2" status,
//             "3" SLE4442 memory command, "4" SLE4428 memory command
//   0x54 "T"  24Cxx cards: "0" power on, "2" status, "3" memory command
//
// A command for the chip while no card is at the IC contacts is refused with "02"; a
// memory command before power-on with "65"; a command for another kind of chip with
// "62"; a power-on that finds no chip of the kind with "61" (SLE) or "63" (24Cxx).
#pragma once

#include <functional>
#include <string>

#include "sim/command_handler.h"
#include "sim/machine_commands.h"

namespace sim {

namespace cm {
inline constexpr uint8_t kCardType = 0x50;
inline constexpr uint8_t kCpuCard = 0x51;
inline constexpr uint8_t kSamCard = 0x52;
inline constexpr uint8_t kSleCard = 0x53;
inline constexpr uint8_t kEeprom24 = 0x54;
}  // namespace cm

// Answers "card type" with parameter "1" (the contactless card). The contactless models
// plug in here; until then the answer is "00", no card in the field.
using RfTypeQuery = std::function<Reply(const Command&, ReaderState&)>;

// The 0x50 handler: the contact chip's type code for "0", the RF query for "1".
class CardTypeHandler : public CommandHandler {
 public:
  explicit CardTypeHandler(RfTypeQuery rf = {});
  Reply handle(const Command& cmd, ReaderState& state) override;

 private:
  RfTypeQuery rf_;
};

// Handlers for 0x50 to 0x54.
std::vector<HandlerEntry> contactCommandHandlers();

// The chip kind of the cards that enter from now on (contactChipKinds()); the card now
// in the channel (or the next one) gets a fresh chip of that kind at once. False for an
// unknown name.
bool setContactCardKind(ReaderState& state, const std::string& kind);

// Fills the eight SAM sockets with fresh SAMs and addresses socket 1.
void fillSamSockets(ReaderState& state);

}  // namespace sim
