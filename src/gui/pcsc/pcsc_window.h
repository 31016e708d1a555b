// SPDX-License-Identifier: MIT
#pragma once
// "Smart Card Reader Operation window": drives a smart-card reader through the system's
// smart-card service, one button per call, every result as lines in PCSCRESULT.
// The button handlers call the operations of pcsc_ops.h and append what comes back.
#include <QDialog>

#include "core/base/notifier.h"
#include "core/pcsc/pcsc_ops.h"
#include "core/pcsc/smart_card_service.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace kvt {

class KVT_730_M_PCSCForm : public QDialog {
  Q_OBJECT
 public:
  // The service and the notifier must outlive the window.
  KVT_730_M_PCSCForm(SmartCardService& service, Notifier& notifier, QWidget* parent = nullptr);
  ~KVT_730_M_PCSCForm() override;

  const pcsc::PcscState& pcscState() const { return state_; }

  // Every way of closing ends here: the handles are given back once.
  void done(int result) override;

 private:
  void apply(const pcsc::PcscOutcome& o);
  void unload();

  SmartCardService& service_;
  Notifier& notifier_;
  pcsc::PcscState state_;
  bool unloaded_ = false;

  QComboBox* ReaderList = nullptr;
  QComboBox* CmdText = nullptr;
  QListWidget* PCSCRESULT = nullptr;
  QLabel* InsightText = nullptr;  // what the last ATR or status word means
};

}  // namespace kvt
