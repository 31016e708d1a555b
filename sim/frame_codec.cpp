// SPDX-License-Identifier: MIT
#include "sim/frame_codec.h"

namespace sim {

uint8_t xorBcc(const uint8_t* data, size_t n) {
  uint8_t bcc = 0;
  for (size_t i = 0; i < n; ++i) bcc ^= data[i];
  return bcc;
}

std::vector<uint8_t> buildFrame(uint8_t address, const std::vector<uint8_t>& text) {
  const size_t len = text.size() > 0xFFFF ? 0xFFFF : text.size();
  std::vector<uint8_t> frame;
  frame.reserve(len + 6);
  frame.push_back(kStx);
  frame.push_back(address);
  frame.push_back(static_cast<uint8_t>(len >> 8));
  frame.push_back(static_cast<uint8_t>(len & 0xFF));
  frame.insert(frame.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(len));
  frame.push_back(kEtx);
  frame.push_back(xorBcc(frame.data(), frame.size()));
  return frame;
}

std::vector<uint8_t> buildCommandFrame(uint8_t address, uint8_t cm, uint8_t pm,
                                       const std::vector<uint8_t>& data) {
  std::vector<uint8_t> text{kCommandMark, cm, pm};
  text.insert(text.end(), data.begin(), data.end());
  return buildFrame(address, text);
}

}  // namespace sim
