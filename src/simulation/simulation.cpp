// SPDX-License-Identifier: MIT
#include "simulation.h"

#include "sim/pty_host.h"

namespace kvt {

Simulation::Simulation() : host_(std::make_unique<sim::PtyHost>()) {
  // The bytes of a long run (a wear test of 100,000 motions) are not all kept: the last MiB
  // each way is plenty for whoever looks.
  host_->setHistoryLimit(size_t(1) << 20);
}
Simulation::~Simulation() = default;

bool Simulation::start(PortMap& map, QString* error, int port) {
  std::string err;
  if (!host_->start(&err)) {
    if (error) *error = QString::fromStdString(err);
    return false;
  }
  map.set(port, device());
  return true;
}

sim::PtyHost& Simulation::host() { return *host_; }

QString Simulation::device() const { return QString::fromStdString(host_->slavePath()); }

}  // namespace kvt
