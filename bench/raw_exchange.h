// SPDX-License-Identifier: MIT
#pragma once
// The yardstick of the benchmarks: a bare POSIX exchange loop (open, termios, write, poll,
// read) with no part of the tool in it, and the rate type both sides report in.
#include <QByteArray>
#include <chrono>
#include <string>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point t0);

struct Rate {
  long exchanges = 0;
  double seconds = 0;
  bool failed = false;
  double perSecond() const { return seconds > 0 ? exchanges / seconds : 0; }
  void add(const Rate& r) {
    exchanges += r.exchanges;
    seconds += r.seconds;
    failed = failed || r.failed;
  }
};

// Sends the frames in turn for about `seconds`, each as frame -> ACK -> positive reply
// frame -> our ACK, at 9600 8N1 on `device`. Stops at the first exchange that fails.
Rate RawLoop(const std::string& device, const std::vector<QByteArray>& frames, double seconds);

}  // namespace bench
