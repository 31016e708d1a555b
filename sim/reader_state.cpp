// SPDX-License-Identifier: MIT
#include "sim/reader_state.h"

#include "sim/cards/contact_chip.h"
#include "sim/cards/rf_card.h"

namespace sim {

std::array<uint8_t, 3> ReaderState::statusBytes() const {
  uint8_t st0 = '0';
  if (card == CardPos::Front) st0 = '1';
  if (card == CardPos::Inside) st0 = '2';
  uint8_t st1 = '2';
  if (stackerCards <= 0) st1 = '0';
  else if (stackerCards < kStackerLowBelow) st1 = '1';
  return {st0, st1, static_cast<uint8_t>(binFull() ? '1' : '0')};
}

std::array<uint8_t, 12> ReaderState::sensorBytes() const {
  auto bit = [](bool on) { return static_cast<uint8_t>(on ? '1' : '0'); };
  const bool front = card == CardPos::Front;
  const bool inside = card == CardPos::Inside;
  return {bit(front),
          bit(front),
          bit(inside),
          bit(inside),
          bit(inside && spot == InsideSpot::IcContacts),
          bit(inside && spot == InsideSpot::RfAntenna),
          bit(entryAllowed),
          bit(binFull()),
          '0',
          '0',
          bit(stackerCards > 0),
          bit(stackerCards >= kStackerLowBelow)};
}

std::string ReaderState::bringCardTo(CardPos pos, InsideSpot where) {
  if (pos == CardPos::None) return err::kBadParameter;
  if (!cardInChannel()) {
    if (stackerCards <= 0) return err::kNoCard;
    --stackerCards;
    newCardEnters();
  }
  releaseContacts();
  card = pos;
  spot = where;
  return {};
}

std::string ReaderState::captureToBin() {
  if (!cardInChannel() && stackerCards <= 0) return err::kNoCard;
  if (binFull()) return err::kBinFull;
  if (countCaptures && captureCounter >= kCounterMax) return err::kCounterOverflow;
  if (!cardInChannel()) --stackerCards;
  releaseContacts();
  card = CardPos::None;
  ++binCards;
  if (countCaptures) ++captureCounter;
  return {};
}

std::string ReaderState::captureCardInChannel() {
  return cardInChannel() ? captureToBin() : std::string{};
}

ContactChip* ReaderState::chipAtContacts() const {
  return card == CardPos::Inside && spot == InsideSpot::IcContacts ? icChip.get() : nullptr;
}

void ReaderState::releaseContacts() {
  if (icChip) icChip->powerOff();
  if (rfCard) rfCard->fieldOff();
}

void ReaderState::newCardEnters() {
  if (newCardChip) icChip = newCardChip();
  if (newRfCard) rfCard = newRfCard();
}

}  // namespace sim
