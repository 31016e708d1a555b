// SPDX-License-Identifier: MIT
#pragma once
// The built-in simulated reader behind "--simulate": a reader on a pseudo-terminal,
// reached through COM1.
#include <QString>
#include <memory>

#include "core/link/port_map.h"

namespace sim {
class PtyHost;
}

namespace kvt {

class Simulation {
 public:
  Simulation();
  ~Simulation();
  // Starts the reader and maps COMn (COM1 unless told) to it. False (with error text) when
  // no pseudo-terminal.
  bool start(PortMap& map, QString* error = nullptr, int port = 1);
  sim::PtyHost& host();
  QString device() const;

 private:
  std::unique_ptr<sim::PtyHost> host_;
};

}  // namespace kvt
