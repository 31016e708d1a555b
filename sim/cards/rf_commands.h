// SPDX-License-Identifier: MIT
// The reader's contactless commands, carried out on the card at the RF position:
//   0x50 "P" parameter "1": the type of the card in the field, "00" when there is none
//   0x60  "0" activate, the data two protocol letters in polling order: "AB", "BA",
//             "A0" (Type A only) or "B0" (Type B only); the answer is the card's type
//             letter and its activation answers (RfCard::activationReport)
//         "1" switch the field off (deactivate)
//         "2" the type code of the activated card, "00" when none is
//         "3" Mifare / Ultralight command: 00 INS P1 P2 [Lc data], answered with the
//             card's data and a status word:
//               D0 KT SEC 06 KEY   store a key in the reader's key memory (no card needed)
//               21 KT SEC          authenticate the sector with the stored key
//               20 KT SEC 06 KEY   authenticate the sector with this key
//               D5 00 SEC 06 KEY   write key A of the sector
//               B0 SEC BLK CNT     read blocks (Ultralight: B0 PAGE 00 CNT, pages)
//               D1 SEC BLK CNT ..  write blocks (Ultralight: D1 PAGE 00 CNT, pages)
//               D2/D3/D4 SEC BLK 04 V0..V3  make a value block / increment / decrement
//               B1 SEC BLK         read a value block: V0..V3
//         "4" APDU to a Type A CPU card, "5" to a Type B card: the response APDU
//
// The key memory holds key A and key B for sectors 0 to 39, FF FF FF FF FF FF until
// changed; it belongs to the reader and keeps its keys whatever card comes.
//
// Negative replies: "04" malformed data (bad protocol letters, a command shorter than its
// header, an empty APDU), "63" no card of the chosen protocols answers (also a card
// command with no card in the field: the card answers nothing), "65" a card command to a
// card in the field that was not activated, "62" a command for another kind of card.
#pragma once

#include <array>

#include "sim/cards/mifare_classic.h"
#include "sim/command_handler.h"
#include "sim/machine_commands.h"

namespace sim {

namespace cm {
inline constexpr uint8_t kRfCard = 0x60;
}  // namespace cm

class RfCommandHandler : public CommandHandler {
 public:
  static constexpr int kKeySectors = 40;

  RfCommandHandler();
  Reply handle(const Command& cmd, ReaderState& state) override;

  const MifareClassic::Key& storedKey(MifareClassic::KeyType type, int sector) const {
    return keys_[static_cast<size_t>(type)][static_cast<size_t>(sector)];
  }

 private:
  Reply activate(const Command& cmd, ReaderState& s);
  Reply cardCommand(const Command& cmd, ReaderState& s);

  std::array<std::array<MifareClassic::Key, kKeySectors>, 2> keys_;
};

// The card at the RF position, if the card in the channel has an antenna; else nullptr.
RfCard* rfCardInField(const ReaderState& state);

// Handlers for 0x50 (contact and contactless card type) and 0x60.
std::vector<HandlerEntry> rfCommandHandlers();

// The contactless kind of the cards that enter from now on (rfCardKinds()); the card now
// in the channel (or the next one) gets a fresh one of that kind at once. False for an
// unknown name.
bool setRfCardKind(ReaderState& state, const std::string& kind);

}  // namespace sim
