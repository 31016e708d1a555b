// SPDX-License-Identifier: MIT
// The mechanical side of the reader: where the card is, the card stacker,
// the error card bin, the entry gate, and the facts the unit reports about
// itself. Command handlers read and change it; the GUI control window and the
// program options set it directly.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sim {

class ContactChip;
class CpuCard;
class RfCard;

enum class CardPos { None, Front, Inside };
enum class InsideSpot { IcContacts, RfAntenna };

// Error codes the machine reports in negative replies.
namespace err {
inline constexpr char kUnknownCommand[] = "00";
inline constexpr char kBadParameter[] = "01";
inline constexpr char kDataError[] = "04";
inline constexpr char kCannotExecute[] = "02";    // e.g. no card at the IC contacts
inline constexpr char kCardJam[] = "10";          // the card stuck on its way
inline constexpr char kAtrError[] = "61";         // the chip gives no usable answer to reset
inline constexpr char kWrongProtocol[] = "62";    // the command is for another kind of chip
inline constexpr char kNoResponse[] = "63";       // no chip answers
inline constexpr char kNotActivated[] = "65";     // chip command before the chip was reset
inline constexpr char kNotEmv[] = "69";           // refused by a cold reset under the EMV profile
inline constexpr char kCounterOverflow[] = "50";
inline constexpr char kNoCard[] = "A0";
inline constexpr char kBinFull[] = "A1";
inline constexpr char kNotInitialized[] = "B0";
}  // namespace err

struct ReaderState {
  static constexpr int kStackerLowBelow = 5;  // fewer cards than this reads as "low"
  static constexpr int kCounterMax = 999;     // three decimal digits

  CardPos card = CardPos::None;
  InsideSpot spot = InsideSpot::IcContacts;  // meaningful while card == Inside
  int stackerCards = 50;
  int binCards = 0;
  int binCapacity = 20;
  bool entryAllowed = true;
  bool initialised = false;
  bool countCaptures = true;  // INITIALIZE "4"/"5"/"7" switch it on, "0"/"1"/"3" off
  int captureCounter = 0;
  std::string firmware = "KVT730-RAVI V1.05";
  std::string initInfo = "KVT-730 READY";
  std::string serialNumber = "KVT730MA10012345";
  std::string configuration = "9V100ER2221";

  // The chip of the card in the channel, or of the next card while the channel is
  // empty; nullptr for a card without contacts. A card pushed in or dispensed gets a
  // fresh chip from newCardChip. The chip answers only while the card is at the IC
  // contacts and loses power whenever the card moves.
  std::shared_ptr<ContactChip> icChip;
  std::function<std::shared_ptr<ContactChip>()> newCardChip;
  std::string icCardKind;  // the name of the kind newCardChip makes (setContactCardKind)
  // The contactless side of the same card (nullptr for a card without an antenna), made
  // afresh by newRfCard for every card that enters. It answers only while the card is at
  // the RF position and loses its session whenever the card moves (setRfCardKind).
  std::shared_ptr<RfCard> rfCard;
  std::function<std::shared_ptr<RfCard>()> newRfCard;
  std::string rfCardKind;
  // The SAM sockets 1 to 8 (index 0 to 7) and the index the SAM commands address.
  std::vector<std::shared_ptr<CpuCard>> sams;
  int currentSam = 0;

  bool cardInChannel() const { return card != CardPos::None; }
  bool binFull() const { return binCards >= binCapacity; }

  // st0 card position, st1 stacker level, st2 error bin.
  std::array<uint8_t, 3> statusBytes() const;

  // Sensors PSS1..PSS10, KS1, KS2 as '0'/'1':
  //   PSS1, PSS2   front gate: a card stands in the gate
  //   PSS3, PSS4   channel: a card is inside, at either operation position
  //   PSS5         IC contacts engaged (card at the IC position)
  //   PSS6         card at the RF position
  //   PSS7         entry gate open (entry allowed)
  //   PSS8         error card bin full
  //   PSS9, PSS10  spare, always off
  //   KS1          stacker holds at least one card
  //   KS2          stacker holds enough cards (not low)
  std::array<uint8_t, 12> sensorBytes() const;

  // Card movements. Each returns an empty string when done, else the error
  // code for the negative reply; on error nothing changes.
  // A card already in the channel moves; otherwise one is dispensed from the stacker.
  std::string bringCardTo(CardPos pos, InsideSpot spot = InsideSpot::IcContacts);
  // Moves the card in the channel (or a freshly dispensed one) to the error bin.
  std::string captureToBin();
  // Takes the card in the channel to the bin; nothing to do without a card.
  std::string captureCardInChannel();

  // The chip while its card is at the IC contacts, else nullptr.
  ContactChip* chipAtContacts() const;
  // The contacts let go of the card: its chip loses power. The card also leaves the RF
  // field, or is about to move within it.
  void releaseContacts();
  // A new card enters the channel: it gets a fresh chip.
  void newCardEnters();
};

}  // namespace sim
