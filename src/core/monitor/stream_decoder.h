// SPDX-License-Identifier: MIT
#pragma once
// The monitor's frame parser: bytes from either side go in as they pass, units come out
// as soon as they are complete. Each side's bytes are one stream (frames, control bytes,
// bytes that belong to no frame); every byte fed comes out in exactly one unit, in order.
// Across the two sides it follows the exchange, to say when the reader leaves a command
// unanswered longer than the tool's waits.
#include <QByteArray>
#include <limits>
#include <vector>

#include "line_unit.h"

namespace kvt::monitor {

struct DecoderWaits {
  qint64 ackUs = 3'000'000;         // a command's acknowledgement
  qint64 replyUs = 10'000'000;      // the reply header after the acknowledgement (or its wait)
  qint64 remainderUs = 6'000'000;   // a frame whose bytes stop coming is shown cut short
  qint64 noiseQuietUs = 50'000;     // bytes outside any frame are shown after this quiet
};

class StreamDecoder {
 public:
  // A frame text (from the kind to the last data byte) longer than this cannot be one: no
  // operation sends it and the reader's replies are shorter.
  static constexpr int kMaxText = 2048;
  // Bytes outside any frame are shown in pieces of at most this many.
  static constexpr int kMaxNoise = 256;

  explicit StreamDecoder(DecoderWaits waits = {}) : waits_(waits) {}

  // Bytes that came from one side at timeUs (one read); complete units are appended to out.
  void feed(Side from, const QByteArray& bytes, qint64 timeUs, std::vector<LineUnit>& out);
  // Time has passed: waits that ran out by nowUs, and pieces left unfinished long enough.
  void tick(qint64 nowUs, std::vector<LineUnit>& out);
  // When tick() next has something to do; max() when nothing waits.
  qint64 nextDeadlineUs() const;
  // Everything still pending is shown (the end of a run); the exchange is forgotten.
  void flush(std::vector<LineUnit>& out);
  // The reader went away: a command it has not answered is no longer waited for.
  void forgetExchange() { wait_ = Wait::None; }

 private:
  struct Stream {
    QByteArray pending;  // a frame begun, or bytes outside any frame
    bool inFrame = false;
    int need = 0;        // a frame's whole length once its header is in, else 0
    qint64 lastUs = 0;
  };
  enum class Wait { None, Ack, Reply };

  void byte(Side from, uint8_t b, qint64 t, std::vector<LineUnit>& out);
  void finishPending(Side from, std::vector<LineUnit>& out);
  void frameComplete(Side from, std::vector<LineUnit>& out);
  void control(Side from, uint8_t b, qint64 t, std::vector<LineUnit>& out);
  void exchangeSees(const LineUnit& u);
  LineUnit frameUnit(Side from, const QByteArray& frame, qint64 t) const;

  DecoderWaits waits_;
  Stream streams_[2];
  Wait wait_ = Wait::None;
  bool ackCame_ = false;
  qint64 deadline_ = std::numeric_limits<qint64>::max();
  // The last command the application sent, to name the reply that answers it.
  bool haveCommand_ = false;
  uint8_t commandCm_ = 0, commandPm_ = 0;
  QByteArray commandData_;
};

}  // namespace kvt::monitor
