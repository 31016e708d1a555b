// SPDX-License-Identifier: MIT
// What a host does for one line to the simulated reader, whatever carries the line (a
// pseudo-terminal, a TCP connection): the host's bytes go to the reader, the reader's
// emissions wait for their time and go out in order, an EOT from the host drops replies
// still waiting, and a frame left half-sent is forgotten after a quiet spell.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "sim/reader_model.h"

namespace sim {

using Clock = std::chrono::steady_clock;

// The reader and the lock that serving threads take around it. Several hosts may share
// one, so a reader keeps its state whichever line a command came in on.
struct SharedReader {
  std::mutex mu;
  Reader reader;
};

class ReaderLine {
 public:
  enum class Carrier { Terminal, Socket };
  ReaderLine(SharedReader& shared, int idleResetMs, Carrier carrier = Carrier::Terminal)
      : shared_(shared), idleResetMs_(idleResetMs), carrier_(carrier) {}

  // Bytes from the host. Bytes not heard (the line runs at another speed than the reader)
  // are only recorded.
  void input(const uint8_t* bytes, size_t n, bool heard, Clock::time_point now);
  // Moves the emissions due by now to the output and forgets a half frame after the quiet
  // spell; the milliseconds until the next thing falls due, -1 for none.
  int tick(Clock::time_point now);
  bool wantsWrite() const { return !pending_.empty(); }
  void setIdleResetMs(int ms) { idleResetMs_ = ms; }
  // Keep at most this many bytes of each direction's history (the newest; 0: all of them).
  // A long run on a reader nobody inspects need not hold every byte it ever saw.
  void setHistoryLimit(size_t bytes) { historyLimit_ = bytes; }
  // Writes as much output as fd takes. False when the other side is gone.
  bool flush(int fd);
  // The host at the other end went away: the replies meant for it go too.
  void dropOutput();

  // Every byte the host wrote (heard or not) and every byte the reader wrote.
  std::vector<uint8_t> received() const;
  std::vector<uint8_t> sent() const;

 private:
  SharedReader& shared_;
  int idleResetMs_;
  Carrier carrier_;
  // Emissions waiting for their turn; the first falls due at due_, each further one its
  // delay after the one before it went out.
  std::deque<Emission> queue_;
  Clock::time_point due_{};
  std::vector<uint8_t> pending_;  // due, not yet taken by the line
  Clock::time_point lastInput_ = Clock::now();
  std::vector<uint8_t> received_;  // guarded by shared_.mu
  std::vector<uint8_t> sent_;      // guarded by shared_.mu
  size_t historyLimit_ = 0;
};

}  // namespace sim
