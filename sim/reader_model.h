// SPDX-License-Identifier: MIT
// A KVT-730 reader as bytes in, bytes out. Feed it what the host wrote; it
// returns what the reader writes back, with the pauses between. No threads,
// no I/O: PtyHost puts it on a pseudo-terminal, tests drive it directly.
//
// For each well-formed command frame for its address the reader sends ACK and
// then the reply frame (positive "P", CM, PM, st0, st1, st2, data, or negative
// "N", CM, PM, E1, E0). A damaged frame for its address gets a lone NAK.
// Frames for other addresses are ignored. The host's EOT cancels whatever
// has not been written yet: feed returns an Emission with cancelPending set
// (see emission.h). The host's ACK after a reply is only counted.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "sim/command_handler.h"
#include "sim/emission.h"
#include "sim/faults.h"
#include "sim/frame_reader.h"
#include "sim/reader_state.h"

namespace sim {

class Reader {
 public:
  using CardPos = sim::CardPos;

  Reader();  // address 0, 9600 baud, the machine, contact and contactless card commands
             // registered; cards carry a T=0 CPU chip and a Mifare S50 antenna, the SAM
             // sockets hold SAMs
  ~Reader();
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  std::vector<Emission> feed(const uint8_t* data, size_t n);
  std::vector<Emission> feed(const std::vector<uint8_t>& bytes) { return feed(bytes.data(), bytes.size()); }

  // Line handling.
  void setAddress(uint8_t address);
  uint8_t address() const { return address_; }
  void setBaud(int baud) { baud_ = baud; }
  int baud() const { return baud_; }
  bool midFrame() const { return parser_.midFrame(); }
  void resetLink() { parser_.reset(); }  // forget a partly received frame
  void setReplyDelayMs(int ms) { replyDelayMs_ = ms < 0 ? 0 : ms; }
  int replyDelayMs() const { return replyDelayMs_; }

  // How long a card motion takes and how it wears; all off by default (moves answer at once).
  struct Motion {
    int motionMs = 0;         // a move's time, give or take kMotionSpread
    int wearMsPer1000 = 0;    // every 1,000 motions made add this to it
    double jamRate = 0;       // the chance (0 to 1) that a move jams ("10", card jam)
    uint32_t seed = 1;        // of the spread and the jams, so a run can be made again
  };
  static constexpr double kMotionSpread = 0.05;
  void setMotion(const Motion& m);
  Motion motion() const { return motion_; }
  // Move commands answered since the last setMotion (jams included).
  long long motionsMade() const { return motions_; }

  void setFault(const Fault& fault) { fault_ = fault; }
  Fault fault() const { return fault_; }
  void clearFault() { fault_ = Fault{}; }

  // When set, every command but INITIALIZE is refused with "B0" until the
  // first successful INITIALIZE.
  void setRequireInitialize(bool on) { requireInit_ = on; }
  bool requireInitialize() const { return requireInit_; }

  // Registers (or replaces) the handler for one command code.
  void addHandler(uint8_t cm, std::unique_ptr<CommandHandler> handler);

  // Machine state.
  bool insertCard();  // a card pushed in at the front gate; false if entry is forbidden or the channel is busy
  bool removeCard();  // takes the card standing in the front gate; false if none is there
  // A card inside the reader pulled out by hand (a demonstration of a lost card): the chip
  // loses power at once. False if no card is inside.
  bool pullCard();
  CardPos cardPosition() const { return state_.card; }
  void setCardPosition(CardPos pos, InsideSpot spot = InsideSpot::IcContacts);
  int stackerCards() const { return state_.stackerCards; }
  void setStackerCards(int n) { state_.stackerCards = n < 0 ? 0 : n; }
  int binCards() const { return state_.binCards; }
  void setBinCards(int n) { state_.binCards = n < 0 ? 0 : n; }
  int binCapacity() const { return state_.binCapacity; }
  void setBinCapacity(int n) { state_.binCapacity = n < 1 ? 1 : n; }
  bool entryAllowed() const { return state_.entryAllowed; }
  void setEntryAllowed(bool on) { state_.entryAllowed = on; }
  int captureCounter() const { return state_.captureCounter; }
  void setCaptureCounter(int n);
  bool initialised() const { return state_.initialised; }
  std::string serialNumber() const { return state_.serialNumber; }
  void setSerialNumber(const std::string& s) { state_.serialNumber = s; }
  std::string configuration() const { return state_.configuration; }
  void setConfiguration(const std::string& s) { state_.configuration = s; }
  std::string firmwareVersion() const { return state_.firmware; }
  void setFirmwareVersion(const std::string& s) { state_.firmware = s; }
  std::array<uint8_t, 3> statusBytes() const { return state_.statusBytes(); }
  std::array<uint8_t, 12> sensorBytes() const { return state_.sensorBytes(); }
  // Everything at once, for handlers added later and for the control window.
  ReaderState& state() { return state_; }
  const ReaderState& state() const { return state_; }

  // The last command for this reader and how it was answered, for the control window.
  struct LastCommand {
    uint8_t cm = 0;
    uint8_t pm = 0;
    bool positive = false;
    std::string error;     // the negative reply's code
    FaultKind fault = FaultKind::None;  // the fault it met, if any
  };
  const LastCommand& lastCommand() const { return last_; }

  // Counters for tests.
  int commandsSeen() const { return commands_; }
  int badFramesSeen() const { return badFrames_; }
  int hostAcksSeen() const { return hostAcks_; }
  // Whole replies the host never acknowledged: counted when its next command comes
  // without an ACK (or EOT) after a reply it must have read in full.
  int unacknowledgedReplies() const { return unackedReplies_; }

 private:
  std::vector<Emission> answer(const HostEvent& ev);
  Reply execute(const Command& cmd, bool oversize);
  // For a move command: its time, and whether it jams.
  int motionDelayMs(bool* jam);

  uint8_t address_ = 0;
  int baud_ = 9600;
  int replyDelayMs_ = 0;
  bool requireInit_ = false;
  Fault fault_;
  FrameReader parser_;
  ReaderState state_;
  std::map<uint8_t, std::unique_ptr<CommandHandler>> handlers_;
  std::mt19937 rng_{0x730u};
  Motion motion_;
  std::mt19937 motionRng_{1u};
  long long motions_ = 0;
  LastCommand last_;
  int commands_ = 0;
  int badFrames_ = 0;
  int hostAcks_ = 0;
  int unackedReplies_ = 0;
  bool awaitingAck_ = false;  // a whole reply went out and no ACK or EOT came since
};

}  // namespace sim
