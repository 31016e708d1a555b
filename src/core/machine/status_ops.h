// SPDX-License-Identifier: MIT
#pragma once
// Card Status and Sensor Status.
#include "operation.h"

namespace kvt {

// The three lines of the "Card Status" box for the status characters (unknown: empty line).
QString CardStatusText(uint8_t st0, uint8_t st1, uint8_t st2);

Outcome CardStatus(Session& s, const QString& addressText);

// On a positive reply copies the 12 sensor bytes into AppState::SensorStateBytes;
// the window then shows the sensor window (status Done).
Outcome SensorStatus(Session& s, const QString& addressText);

struct SensorRow {
  const char* caption;
  const char* valueLabel;
};
extern const SensorRow kSensorRows[12];
int SensorRowCount(Variant v);  // 12 on B, 8 on M

struct SensorValue {
  QString text;      // "On", "Off" or empty
  bool red = false;  // "On" is shown in pure red
};
SensorValue DecodeSensor(uint8_t b);

}  // namespace kvt
