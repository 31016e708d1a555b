// SPDX-License-Identifier: MIT
#pragma once
// The port map kept between runs of the windowed tool: for each of COM1..COM16 the device
// or network address it opens, where the user chose one other than the default.
#include <QMap>
#include <QSettings>
#include <QStringList>
#include <optional>

#include "port_map.h"

namespace kvt {

class PortMapStore {
 public:
  explicit PortMapStore(QSettings& settings) : settings_(settings) {}

  // Number -> device of the names set; entries outside 1..16 or empty are left out.
  QMap<int, QString> load() const;
  // Replaces every stored entry by `entries` (empty texts are not stored) and writes the
  // settings out. False, with the old file left as it was, when they could not be written.
  bool save(const QMap<int, QString>& entries);

  static QString key(int n);  // "PortMap/COMn"

 private:
  QSettings& settings_;
};

// A device text that a port name may be pointed at: not empty, and a network address only
// when well formed (host and a port from 1 to 65535).
bool IsUsableDevice(const QString& device);

// The map a run uses: the defaults, over them the stored entries, over those the
// command line's "COMn=DEVICE" values in order. nullopt with the refused value in *bad
// when one of those does not parse.
std::optional<PortMap> EffectivePortMap(const QMap<int, QString>& stored, const QStringList& commandLine,
                                        QString* bad = nullptr);

}  // namespace kvt
