// SPDX-License-Identifier: MIT
#pragma once
// "Card machine configuration information": the configuration record, decoded row by row.
#include <QByteArray>
#include <QDialog>
#include <memory>

#include "core/base/app_state.h"

namespace kvt {

class ConfigWindow : public QDialog {
  Q_OBJECT
 public:
  explicit ConfigWindow(const QByteArray& configBytes, QWidget* parent = nullptr);
};

class KVT_730_B_ConfigForm : public ConfigWindow {
  Q_OBJECT
 public:
  explicit KVT_730_B_ConfigForm(const QByteArray& configBytes, QWidget* parent = nullptr);
};

class KVT_730_M_ConfigForm : public ConfigWindow {
  Q_OBJECT
 public:
  explicit KVT_730_M_ConfigForm(const QByteArray& configBytes, QWidget* parent = nullptr);
};

std::unique_ptr<ConfigWindow> MakeConfigWindow(Variant v, const QByteArray& configBytes, QWidget* parent);

}  // namespace kvt
