// SPDX-License-Identifier: MIT
#include "many_ports.h"

#include <QThread>
#include <memory>

#include "port_run.h"

namespace kvt::cli {

int ComNumber(const QString& name) {
  PortMap probe;
  return probe.parseOverride(name + QStringLiteral("=-")) ? probe.overrides().firstKey() : 0;
}

QString CheckPortList(const QStringList& names, const PortMap& map) {
  QStringList devices;
  for (const QString& name : names) {
    const QString device = map.resolve(name);
    const int seen = static_cast<int>(devices.indexOf(device));
    if (seen >= 0) {
      return names[seen] == name ? QStringLiteral("--ports names %1 twice").arg(name)
                                 : QStringLiteral("--ports: %1 and %2 are both %3").arg(names[seen], name, device);
    }
    devices << device;
  }
  return QString();
}

std::vector<report::RunRecord> RunOnPorts(const CliOptions& o, const Runner& run, const PortMap& map,
                                          const std::atomic<bool>& stop, const std::vector<JUnitPart*>& junit) {
  const int n = static_cast<int>(o.ports.size());
  std::vector<report::RunRecord> records(static_cast<size_t>(n));
  std::vector<std::unique_ptr<QThread>> threads;
  for (int i = 0; i < n; ++i) {
    const QString name = o.ports[i];
    report::RunRecord* slot = &records[static_cast<size_t>(i)];
    JUnitPart* part = junit.empty() ? nullptr : junit[static_cast<size_t>(i)];
    // Each thread makes its own port and session, so their objects live on that thread.
    threads.emplace_back(QThread::create([&o, &run, &map, &stop, name, slot, part] {
      const PortRunSetup setup{o, run, true, name, map, name + QStringLiteral(": "), part};
      *slot = RunOnPort(setup, stop);
    }));
    threads.back()->start();
  }
  for (auto& t : threads) t->wait();
  return records;
}

}  // namespace kvt::cli
