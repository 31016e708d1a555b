// SPDX-License-Identifier: MIT
#include "sim/faults.h"

#include <algorithm>
#include <cctype>

#include "sim/frame_codec.h"

namespace sim {
namespace {

struct NamedFault {
  FaultKind kind;
  const char* name;
};

constexpr NamedFault kNames[] = {
    {FaultKind::None, "none"},
    {FaultKind::Silent, "silent"},
    {FaultKind::Nak, "nak"},
    {FaultKind::AckThenSilence, "ack-then-silence"},
    {FaultKind::LostAck, "lost-ack"},
    {FaultKind::ShortRemainder, "short-remainder"},
    {FaultKind::BadBcc, "bad-bcc"},
    {FaultKind::Garbage, "garbage"},
    {FaultKind::Slow, "slow"},
    {FaultKind::Negative, "negative"},
};

// Noise that can never be mistaken for a frame start or a control byte.
std::vector<uint8_t> noise(std::mt19937& rng) {
  std::uniform_int_distribution<int> byte(0x20, 0xEF);
  std::vector<uint8_t> out(5);
  for (auto& b : out) b = static_cast<uint8_t>(byte(rng));
  return out;
}

}  // namespace

const char* faultName(FaultKind kind) {
  for (const auto& n : kNames)
    if (n.kind == kind) return n.name;
  return "?";
}

bool parseFaultKind(const std::string& name, FaultKind* kind) {
  std::string lower = name;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const auto& n : kNames) {
    if (lower == n.name) {
      *kind = n.kind;
      return true;
    }
  }
  return false;
}

bool faultSuppressesCommand(FaultKind kind) {
  return kind == FaultKind::Silent || kind == FaultKind::Nak || kind == FaultKind::Negative;
}

std::vector<Emission> emissionsUnderFault(const Fault& fault, const std::vector<uint8_t>& replyFrame,
                                          int replyDelayMs, std::mt19937& rng) {
  const Emission ack{0, {kAck}};
  switch (fault.kind) {
    case FaultKind::Silent:
      return {};
    case FaultKind::Nak:
      return {Emission{0, {kNak}}};
    case FaultKind::AckThenSilence:
      return {ack};
    case FaultKind::LostAck:
      return {Emission{replyDelayMs, replyFrame}};
    case FaultKind::ShortRemainder: {
      // Header plus half of text+ETX+BCC: the host waits for the rest in vain.
      const size_t remainder = replyFrame.size() - 4;
      const size_t cut = 4 + remainder / 2;
      return {ack, Emission{replyDelayMs, {replyFrame.begin(), replyFrame.begin() + static_cast<std::ptrdiff_t>(cut)}}};
    }
    case FaultKind::BadBcc: {
      auto frame = replyFrame;
      frame.back() ^= 0xFF;
      return {ack, Emission{replyDelayMs, frame}};
    }
    case FaultKind::Garbage:
      return {ack, Emission{replyDelayMs, noise(rng)}};
    case FaultKind::Slow:
      return {ack, Emission{std::max(0, fault.slowMs), replyFrame}};
    case FaultKind::None:
    case FaultKind::Negative:
      break;
  }
  return {ack, Emission{replyDelayMs, replyFrame}};
}

}  // namespace sim
