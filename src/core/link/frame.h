// SPDX-License-Identifier: MIT
#pragma once
// Command frames to the reader and the reply buffer handed back by the engine.
#include <QByteArray>
#include <cstdint>

namespace kvt {

constexpr uint8_t STX = 0xF2;
constexpr uint8_t ETX = 0x03;
constexpr uint8_t ACK = 0x06;
constexpr uint8_t NAK = 0x15;
constexpr uint8_t EOT = 0x04;

// F2, address, LEN (3 + data, big-endian), "C", CM, PM, data, 03, BCC.
// Data longer than 65532 bytes cannot be framed; the caller refuses it first.
QByteArray BuildFrame(uint8_t address, uint8_t cm, uint8_t pm, const QByteArray& data = {});

constexpr int kMaxFrameData = 0xFFFF - 3;

// What the engine stores: reply text from the kind on, then ETX and BCC.
// Reading past the received bytes gives 0, as in a zero-cleared buffer.
struct ReplyBuffer {
  QByteArray bytes;
  int len = 0;

  uint8_t at(int i) const {
    return (i >= 0 && i < bytes.size()) ? static_cast<uint8_t>(bytes[i]) : 0;
  }
  char kind() const { return static_cast<char>(at(0)); }
  bool positive() const { return len > 0 && kind() == 'P'; }
  bool negative() const { return len > 0 && kind() == 'N'; }
  // Data of a positive reply: indices 6 to len - 3 (empty when the reply is shorter).
  QByteArray data() const;
  void clear() { bytes.clear(); len = 0; }
};

}  // namespace kvt
