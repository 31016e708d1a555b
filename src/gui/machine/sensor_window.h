// SPDX-License-Identifier: MIT
#pragma once
// "Test the status of the sensor": one row per sensor, "On" in red, "Off", or blank.
#include <QByteArray>
#include <QDialog>
#include <memory>

#include "core/base/app_state.h"

namespace kvt {

class SensorWindow : public QDialog {
  Q_OBJECT
 public:
  // Shows the first SensorRowCount(v) of the sensor bytes.
  SensorWindow(Variant v, const QByteArray& sensorBytes, QWidget* parent = nullptr);
};

class KVT_730_B_SensorStateForm : public SensorWindow {
  Q_OBJECT
 public:
  explicit KVT_730_B_SensorStateForm(const QByteArray& sensorBytes, QWidget* parent = nullptr);
};

class KVT_730_M_SensorStateForm : public SensorWindow {
  Q_OBJECT
 public:
  explicit KVT_730_M_SensorStateForm(const QByteArray& sensorBytes, QWidget* parent = nullptr);
};

std::unique_ptr<SensorWindow> MakeSensorWindow(Variant v, const QByteArray& sensorBytes,
                                               QWidget* parent);

}  // namespace kvt
