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
  int stacker = -1;  // -1: keep the reader's default
  std::string link;  // symlink to create for the device, empty for none
  bool requireInit = false;
  bool help = false;
  bool version = false;
};

// Parses the arguments after the program name. False with a message on error.
bool parseSimOptions(const std::vector<std::string>& args, SimOptions* opts, std::string* error);

std::string simUsage();

// Puts the options into a reader (everything but the link).
void applySimOptions(const SimOptions& opts, Reader& reader);

}  // namespace sim
