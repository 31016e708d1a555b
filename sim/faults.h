// SPDX-License-Identifier: MIT
// Misbehaviours the reader can be told to show on the next command (or on
// every command), so the host's failure paths can be driven on purpose.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "sim/emission.h"

namespace sim {

enum class FaultKind {
  None,
  Silent,          // no ACK, no reply; the command is not carried out
  Nak,             // NAK instead of ACK, no reply; not carried out
  AckThenSilence,  // ACK, carried out, the reply never comes
  LostAck,         // no ACK, but the reply frame comes
  ShortRemainder,  // ACK, reply header and only part of the rest
  BadBcc,          // ACK, reply frame with a wrong check byte
  Garbage,         // ACK, then a few bytes that are no frame
  Slow,            // ACK, the reply after slowMs
  Negative,        // ACK, then a negative reply with negativeCode; not carried out
};

struct Fault {
  FaultKind kind = FaultKind::None;
  std::string negativeCode = "10";
  int slowMs = 2000;
  bool once = true;  // cleared after the next command, else kept until replaced
};

const char* faultName(FaultKind kind);
// Accepts the names faultName gives (case-insensitive); false if unknown.
bool parseFaultKind(const std::string& name, FaultKind* kind);

// True for faults under which the reader does not carry out the command.
bool faultSuppressesCommand(FaultKind kind);

// What goes on the line for one command under a fault, given the reply frame
// the reader would send (for Negative: the negative frame) and the usual
// delay before it.
std::vector<Emission> emissionsUnderFault(const Fault& fault, const std::vector<uint8_t>& replyFrame,
                                          int replyDelayMs, std::mt19937& rng);

}  // namespace sim
