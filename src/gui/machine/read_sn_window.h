// SPDX-License-Identifier: MIT
#pragma once
// "Read SN of Card Reader": the unit's serial number in a text box.
#include <QDialog>
#include <memory>

#include "core/base/app_state.h"

namespace kvt {

class ReadSnWindow : public QDialog {
  Q_OBJECT
 public:
  explicit ReadSnWindow(const QString& serialNumber, QWidget* parent = nullptr);
};

class KVT_730_B_ReadSn : public ReadSnWindow {
  Q_OBJECT
 public:
  explicit KVT_730_B_ReadSn(const QString& serialNumber, QWidget* parent = nullptr);
};

class KVT_730_M_ReadSn : public ReadSnWindow {
  Q_OBJECT
 public:
  explicit KVT_730_M_ReadSn(const QString& serialNumber, QWidget* parent = nullptr);
};

std::unique_ptr<ReadSnWindow> MakeReadSnWindow(Variant v, const QString& serialNumber, QWidget* parent);

}  // namespace kvt
