// SPDX-License-Identifier: MIT
#include "port_map_store.h"

#include "net_address.h"

namespace kvt {

QString PortMapStore::key(int n) { return QStringLiteral("PortMap/COM%1").arg(n); }

QMap<int, QString> PortMapStore::load() const {
  QMap<int, QString> entries;
  for (int n = 1; n <= PortMap::kPorts; ++n) {
    const QString device = settings_.value(key(n)).toString().trimmed();
    if (!device.isEmpty()) entries.insert(n, device);
  }
  return entries;
}

bool PortMapStore::save(const QMap<int, QString>& entries) {
  settings_.remove(QStringLiteral("PortMap"));
  for (auto it = entries.constBegin(); it != entries.constEnd(); ++it) {
    const QString device = it.value().trimmed();
    if (it.key() >= 1 && it.key() <= PortMap::kPorts && !device.isEmpty()) settings_.setValue(key(it.key()), device);
  }
  // QSettings writes its file beside the old one and renames it into place.
  settings_.sync();
  return settings_.status() == QSettings::NoError;
}

bool IsUsableDevice(const QString& device) {
  const QString d = device.trimmed();
  if (d.isEmpty()) return false;
  return LineKindOf(d) == LineKind::Serial || ParseNetAddress(d).has_value();
}

std::optional<PortMap> EffectivePortMap(const QMap<int, QString>& stored, const QStringList& commandLine,
                                        QString* bad) {
  PortMap map;
  for (auto it = stored.constBegin(); it != stored.constEnd(); ++it)
    if (it.key() >= 1 && it.key() <= PortMap::kPorts && !it.value().isEmpty()) map.set(it.key(), it.value());
  for (const QString& value : commandLine) {
    if (!map.parseOverride(value)) {
      if (bad) *bad = value;
      return std::nullopt;
    }
  }
  return map;
}

}  // namespace kvt
