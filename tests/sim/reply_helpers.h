// SPDX-License-Identifier: MIT
// Shared by the simulator tests: send one command to a Reader and take its
// answer apart, checking the framing on the way.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/frame_codec.h"
#include "sim/reader_model.h"

namespace simtest {

struct Answer {
  bool acked = false;
  char kind = 0;           // 'P' or 'N'
  std::string status;      // st0..st2 (positive)
  std::string error;       // E1E0 (negative)
  std::string data;        // after status / error
};

// Splits the bytes of one reply frame; fails the test if LEN, ETX or BCC is wrong.
inline Answer decodeFrame(const std::vector<uint8_t>& f, uint8_t address = 0) {
  Answer a;
  EXPECT_GE(f.size(), 6u);
  if (f.size() < 6) return a;
  EXPECT_EQ(f[0], sim::kStx);
  EXPECT_EQ(f[1], address);
  const size_t len = (size_t(f[2]) << 8) | f[3];
  EXPECT_EQ(len + 6, f.size());
  EXPECT_EQ(f[f.size() - 2], sim::kEtx);
  EXPECT_EQ(f.back(), sim::xorBcc(f.data(), f.size() - 1));
  if (len + 6 != f.size() || len < 5) return a;
  const std::string text(f.begin() + 4, f.begin() + 4 + long(len));
  a.kind = text[0];
  if (a.kind == 'P' && text.size() >= 6) {
    a.status = text.substr(3, 3);
    a.data = text.substr(6);
  } else if (a.kind == 'N') {
    a.error = text.substr(3, 2);
    a.data = text.substr(5);
  }
  return a;
}

// One exchange with no faults: expects ACK then exactly one reply frame.
inline Answer ask(sim::Reader& r, uint8_t cm, uint8_t pm, const std::vector<uint8_t>& data = {}) {
  const auto out = r.feed(sim::buildCommandFrame(r.address(), cm, pm, data));
  Answer a;
  EXPECT_EQ(out.size(), 2u);
  if (out.size() != 2) return a;
  a = decodeFrame(out[1].bytes, r.address());
  a.acked = out[0].bytes == std::vector<uint8_t>{sim::kAck};
  EXPECT_TRUE(a.acked);
  return a;
}

inline std::vector<uint8_t> bytes(const std::string& s) { return {s.begin(), s.end()}; }

// Upper-case hex of a byte string, and the bytes of a hex string.
inline std::string hexOf(const std::string& s) {
  static const char* d = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : s) out += {d[c >> 4], d[c & 15]};
  return out;
}

inline std::vector<uint8_t> unhex(const std::string& h) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i + 1 < h.size(); i += 2) out.push_back(uint8_t(std::stoi(h.substr(i, 2), nullptr, 16)));
  return out;
}

}  // namespace simtest
