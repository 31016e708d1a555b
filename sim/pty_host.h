// SPDX-License-Identifier: MIT
// Puts a Reader on a pseudo-terminal so a program can open the slave side
// like any serial device. One thread serves the master side: it sleeps in
// poll() until bytes arrive, an emission falls due, or stop() wakes it.
//
// The reader hears the host only while the speed set on the port matches its
// baud rate; bytes at any other speed are dropped, as a real reader would only
// see noise. An EOT from the host drops replies that are still waiting to be
// written. A frame left half-sent is forgotten after a quiet spell
// (idleResetMs), so a stray STX cannot swallow the next command.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "sim/serving_thread.h"

namespace sim {

class PtyHost : public ServingHost {
 public:
  // A reader of its own, or one shared with other hosts (a socket beside the terminal).
  explicit PtyHost(std::shared_ptr<SharedReader> reader = nullptr);
  ~PtyHost();  // stops

  // Opens the pseudo-terminal (raw mode, the reader's baud as initial speed),
  // keeps the slave open so the device stays while clients come and go, and
  // starts serving. False with a message if anything fails or it is running.
  bool start(std::string* error = nullptr);
  // Stops serving and closes the pseudo-terminal. Safe to call twice.
  void stop();

  std::string slavePath() const;  // e.g. /dev/pts/5; empty before start

  // The device disappears at once, as if unplugged: the master and the held
  // slave are closed and serving ends; clients' reads and writes fail.
  void vanish() { stop(); }

  void setIdleResetMs(int ms) { line_.setIdleResetMs(ms); }  // before start

 private:
  void run();
  void closeFds();

  mutable std::mutex mu_;  // path_
  std::string path_;
  int master_ = -1;
  int slave_ = -1;
};

}  // namespace sim
