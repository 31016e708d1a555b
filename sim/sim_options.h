// SPDX-License-Identifier: MIT
// Command-line options of kvt730-sim.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/reader_model.h"

namespace sim {

struct SimOptions {
  int baud = 9600;
  uint8_t address = 0;
  CardPos card = CardPos::None;
  InsideSpot spot = InsideSpot::IcContacts;  // where an inside card stands (--card rf)
  int stacker = -1;  // -1: keep the reader's default
  std::string link;  // symlink to create for the device, empty for none
  bool requireInit = false;
  Reader::Motion motion;  // --motion-ms, --wear-ms, --jam-rate, --seed
  // --listen tcp://HOST:PORT: serve the reader on a TCP socket too (port 0: a free one).
  std::string listenHost;  // empty: no socket
  int listenPort = 0;
  bool noPty = false;  // --no-pty: the socket alone, no pseudo-terminal
  std::string icCard;  // chip of the cards (contactChipKinds()); empty: the reader's default
  std::string rfCard;  // contactless kind of the cards (rfCardKinds()); empty: the reader's default
  // --pcsc-card: serve a virtual SIM in pcscd's virtual reader instead of the reader.
  bool pcscCard = false;
  std::string vpcdHost = "127.0.0.1";
  int vpcdPort = 35963;
  int vpcdWait = 60;  // seconds without the virtual reader before giving up
  bool help = false;
  bool version = false;
};

// Parses the arguments after the program name. False with a message on error.
bool parseSimOptions(const std::vector<std::string>& args, SimOptions* opts, std::string* error);

std::string simUsage();

// Puts the options into a reader (everything but the link).
void applySimOptions(const SimOptions& opts, Reader& reader);

}  // namespace sim
