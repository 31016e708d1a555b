// SPDX-License-Identifier: MIT
#pragma once
// "Initialize Option": what INITIALIZE does with a card that is inside.
#include <QDialog>
#include <memory>

#include "core/base/app_state.h"

namespace kvt {

class ResetOptionDialog : public QDialog {
  Q_OBJECT
 public:
  explicit ResetOptionDialog(QWidget* parent = nullptr);
  // The parameter code chosen with "OK"; 0 after "Cancel" or closing by the title bar.
  int code() const { return code_; }

 private:
  int code_ = 0;
};

class KVT_730_B_ResetOptionForm : public ResetOptionDialog {
  Q_OBJECT
 public:
  explicit KVT_730_B_ResetOptionForm(QWidget* parent = nullptr);
};

class KVT_730_M_ResetOptionForm : public ResetOptionDialog {
  Q_OBJECT
 public:
  explicit KVT_730_M_ResetOptionForm(QWidget* parent = nullptr);
};

std::unique_ptr<ResetOptionDialog> MakeResetOptionDialog(Variant v, QWidget* parent);

}  // namespace kvt
