// SPDX-License-Identifier: MIT
// Byte-level pieces of the reader's serial protocol shared by the parser,
// the reply builder and the tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

constexpr uint8_t kStx = 0xF2;
constexpr uint8_t kEtx = 0x03;
constexpr uint8_t kEot = 0x04;
constexpr uint8_t kAck = 0x06;
constexpr uint8_t kNak = 0x15;
constexpr uint8_t kCommandMark = 0x43;   // 'C'
constexpr uint8_t kPositiveMark = 0x50;  // 'P'
constexpr uint8_t kNegativeMark = 0x4E;  // 'N'

// Exclusive-or of n bytes.
uint8_t xorBcc(const uint8_t* data, size_t n);

// A complete frame around `text`: STX, address, LEN (big-endian text length),
// text, ETX, BCC over everything before it. Text longer than 65535 bytes is cut.
std::vector<uint8_t> buildFrame(uint8_t address, const std::vector<uint8_t>& text);

// Convenience for the host direction: text = 'C', cm, pm, data.
std::vector<uint8_t> buildCommandFrame(uint8_t address, uint8_t cm, uint8_t pm,
                                       const std::vector<uint8_t>& data = {});

}  // namespace sim
