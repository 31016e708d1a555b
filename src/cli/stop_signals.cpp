// SPDX-License-Identifier: MIT
#include "stop_signals.h"

#include <csignal>

namespace kvt::cli {

namespace {

static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler sets the flag");
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler records the signal");

std::atomic<bool> gStop{false};
std::atomic<int> gSignal{0};

extern "C" void OnStopSignal(int signal) {
  gSignal.store(signal, std::memory_order_relaxed);
  gStop.store(true, std::memory_order_relaxed);
}

}  // namespace

void InstallStopSignals() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  // The first signal asks; the handler is then reset, so a second one ends the program.
  action.sa_flags = SA_RESETHAND | SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

const std::atomic<bool>& StopRequest() { return gStop; }

int StopSignal() { return gSignal.load(std::memory_order_relaxed); }

const char* StopSignalName(int signal) {
  switch (signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    default: return "a signal";
  }
}

}  // namespace kvt::cli
