// SPDX-License-Identifier: MIT
#pragma once
// The CPU card window KVT_730_B_CPUCARD ("CPU Card") and the SAM card window
// KVT_730_B_SimCard ("SAM Card"), both modal over the variant-B main window. They share
// the reset option frame, the reset, status and deactivate buttons, the ATR box, the
// APDU box with its list and the response box; the CPU window adds the protocol choice,
// the SAM window the socket choice.
#include <QDialog>
#include <functional>

#include "core/contact/chip_card_ops.h"

class QComboBox;
class QGridLayout;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

namespace kvt {

class DecodingBox;

class ChipCardWindow : public QDialog {
  Q_OBJECT
 public:
  QComboBox* apduBox() const { return CmdText; }
  QPlainTextEdit* atrBox() const { return ResetTextBack; }
  QPlainTextEdit* responseBox() const { return BackText; }

 protected:
  struct Names {
    const char* window;
    const char* title;
    const char* profileOption;  // the two reset option buttons: name_0, name_1
    const char* coldReset;
    const char* warmReset;
    const char* deactivate;
    const char* send;
  };
  ChipCardWindow(Session& session, std::function<QString()> address, ChipGroup group, const Names& names,
                 const QStringList& apduEntries, QWidget* parent);

  QPushButton* addButton(QGridLayout* layout, const char* name, const QString& caption, int row, int column);
  SupplyProfile profile() const;
  // Runs an operation under the busy cursor, puts its texts into the boxes, shows its message.
  void run(const std::function<ChipOutcome()>& op);
  // The protocol the APDU goes out under (the SAM window has no choice).
  virtual ApduProtocol protocol() const { return ApduProtocol::Auto; }

  Session& session_;
  std::function<QString()> address_;
  const ChipGroup group_;
  QVBoxLayout* top_ = nullptr;       // the window's rows, top to bottom
  QGridLayout* apduRow_ = nullptr;   // the APDU box row; the CPU window adds its options here
  QRadioButton* profiles_[2] = {};
  QComboBox* CmdText = nullptr;
  QPlainTextEdit* ResetTextBack = nullptr;
  QPlainTextEdit* BackText = nullptr;
  DecodingBox* AtrDecoding = nullptr;  // the answer to reset decoded
  QLabel* SwMeaning = nullptr;            // the meaning of the response's status word
};

class KVT_730_B_CPUCARD : public ChipCardWindow {
  Q_OBJECT
 public:
  KVT_730_B_CPUCARD(Session& session, std::function<QString()> address, QWidget* parent = nullptr);

 protected:
  ApduProtocol protocol() const override;

 private:
  QRadioButton* protocols_[3] = {};  // CardTypeOption_0 .. _2: "T=0", "T=1", "auto"
};

class KVT_730_B_SimCard : public ChipCardWindow {
  Q_OBJECT
 public:
  KVT_730_B_SimCard(Session& session, std::function<QString()> address, QWidget* parent = nullptr);

 private:
  QComboBox* SimNo1 = nullptr;
};

}  // namespace kvt
