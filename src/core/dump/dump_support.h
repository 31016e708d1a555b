// SPDX-License-Identifier: MIT
#pragma once
// What the whole-card runs share: the progress and stop hooks a window hands in, and one
// card command whose reply is taken apart quietly (no box per block; the run reports once
// at its end). Every command still goes through the one exchange engine and frame builder.
#include <functional>

#include "core/machine/operation.h"

namespace kvt {

struct RunControl {
  std::function<void(int done, int total)> progress;  // after each step; may be empty
  std::function<bool()> stopRequested;                 // asked between blocks; may be empty

  void report(int done, int total) const {
    if (progress) progress(done, total);
  }
  bool stop() const { return stopRequested && stopRequested(); }
};

// One card command of a run: how the exchange ended and, for a positive reply, the card's
// status word and data.
struct CardReply {
  OpStatus status = OpStatus::Done;
  uint16_t sw = 0;
  QByteArray data;  // without the status word
  bool ok() const { return status == OpStatus::Done && sw == 0x9000; }
};

// The contactless card command (0x60 "3") with `apdu` (00 INS P1 P2 ...); its reply data
// are the card's data followed by the status word.
CardReply RfCardExchange(Session& s, const QString& addressText, const QByteArray& apdu);
// A memory-card command (command code, parameter code, APDU-style data).
CardReply MemoryCardExchange(Session& s, uint8_t address, uint8_t cm, uint8_t pm, const QByteArray& apdu);

// How a run ended when it did not get through: the status and the message to show once.
struct RunEnd {
  OpStatus status = OpStatus::Done;
  std::optional<Message> message;
  bool stopped = false;  // the stop request was honoured; what was done so far is kept
};

// Numbers as a list ("1, 2, 5"), each written as two hex digits when `hex`.
QString NumberList(const QList<int>& numbers, bool hex = false);

}  // namespace kvt
