// SPDX-License-Identifier: MIT
#pragma once
// Serial number, configuration record and capture counter of the unit.
#include <QStringList>

#include "operation.h"

namespace kvt {

// On a positive reply AppState::UnitTextValue holds the serial number (shown by the window).
Outcome ReadSN(Session& s, const QString& addressText);
// What the serial number window shows: UnitTextValue without surrounding spaces.
QString SerialNumberText(const AppState& state);

// On a positive reply the data goes into AppState::ConfigBytes (at most 11 bytes; older
// bytes beyond a short reply stay).
Outcome ReadConfig(Session& s, const QString& addressText);

struct ConfigRow {
  const char* rowLabel;    // objectName of the caption label
  const char* caption;
  const char* valueLabel;  // objectName of the value label
};
extern const ConfigRow kConfigRows[8];
// The eight value texts decoded from ConfigBytes (unknown values: empty).
QStringList DecodeConfig(const QByteArray& configBytes);

struct CounterOutcome : Outcome {
  std::optional<QString> counterText;  // new text for the counter box
};

// Read Counter: on success the counter digits go into the box.
CounterOutcome ReadCounter(Session& s, const QString& addressText);

// "000"-style padding of the counter box text.
QString PadCounter(const QString& text);

// InitializeI Counter: pads the box text, writes it back, sends its first three characters.
CounterOutcome InitCounter(Session& s, const QString& addressText, const QString& counterText);

}  // namespace kvt
