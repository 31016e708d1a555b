// SPDX-License-Identifier: MIT
// Incremental parser for the bytes a host sends to the reader.
//
// Between frames the host may send single control bytes: ACK (it took our
// reply) and EOT (it gave up waiting and cancels). Anything else outside a
// frame is line noise and skipped until the next STX. Inside a frame every
// byte is taken as frame content, so control values in the data are harmless.
//
// Memory is bounded: at most maxText text bytes are kept; a longer frame is
// still followed to its end (LEN can be up to 65535) and checked, and then
// reported with `oversize` set and the text cut.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

struct HostEvent {
  enum class Kind {
    Command,   // a well-formed command frame for our address
    BadFrame,  // a frame for our address with a wrong ETX, a wrong BCC, or text that is no command
    Ack,       // a lone 0x06 between frames
    Eot,       // a lone 0x04 between frames
  };
  Kind kind = Kind::Command;
  uint8_t cm = 0;
  uint8_t pm = 0;
  std::vector<uint8_t> data;  // command data (after CM and PM)
  bool oversize = false;      // text was longer than the parser keeps; data is cut
};

class FrameReader {
 public:
  static constexpr size_t kDefaultMaxText = 4096;

  explicit FrameReader(uint8_t address = 0, size_t maxText = kDefaultMaxText);

  void setAddress(uint8_t address) { address_ = address; }
  uint8_t address() const { return address_; }

  // Consumes n bytes and appends the events they complete to `out`.
  void feed(const uint8_t* data, size_t n, std::vector<HostEvent>& out);

  // True while a frame has started but not ended.
  bool midFrame() const { return state_ != State::Idle; }
  // Forget a partly received frame (used after the line has been idle a while).
  void reset();

  // Counters, mostly for tests and diagnostics.
  size_t skippedBytes() const { return skipped_; }
  size_t foreignFrames() const { return foreign_; }

 private:
  enum class State { Idle, Address, LenHi, LenLo, Text, Etx, Bcc };

  void finishFrame(uint8_t bccByte, std::vector<HostEvent>& out);

  uint8_t address_;
  size_t maxText_;
  State state_ = State::Idle;
  uint8_t frameAddress_ = 0;
  size_t len_ = 0;
  size_t textSeen_ = 0;
  std::vector<uint8_t> text_;
  uint8_t bcc_ = 0;
  bool etxOk_ = false;
  size_t skipped_ = 0;
  size_t foreign_ = 0;
};

}  // namespace sim
