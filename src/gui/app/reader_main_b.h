// SPDX-License-Identifier: MIT
#pragma once
// The main window of the KVT-730-MA1 (variant B).
#include "reader_main_window.h"

class QGroupBox;
class QHBoxLayout;

namespace kvt {

class IcCardPage;
class RfCardPage;

class KVT_730_B_ReaderMain : public ReaderMainWindow {
  Q_OBJECT
 public:
  KVT_730_B_ReaderMain(AppState& state, Notifier& notifier, const PortMap& ports = {},
                       const Timeouts& timeouts = {}, QWidget* parent = nullptr);

 protected:
  // Fills the window's combo boxes in their fixed order. The card pages add theirs here,
  // in front of the device address: sector, block, block length, purse block and
  // Ultralight page combos, then cmbAddress864, then the RF activation mode.
  void formLoad();

  // "AUTOTEST CARD TYPE", the frame under "COMM. PORT SETTING", and its row of buttons:
  // "RF Card Type" goes in front of "IC Card Type".
  QGroupBox* cardTypeFrame_ = nullptr;
  QHBoxLayout* cardTypeButtons_ = nullptr;
  IcCardPage* icCardPage_ = nullptr;  // the "IC CARD" tab
  RfCardPage* rfCardPage_ = nullptr;  // the "RF CARD" tab

 private:
  // The "IC CARD" tab, in front of "EXTEND FUNCTION" (the "RF CARD" tab goes in front of
  // it), and the card type frame with "IC Card Type".
  void buildContactCardParts();
  void onIcCardType();
  // The "RF CARD" tab, the first of SSTab1, and "RF Card Type" in front of "IC Card Type".
  void buildRfCardParts();

  // "Command Line": the command-line window, only with the port open.
  QWidget* buildCommandLineFrame();
  void onOpenCmdForm();
};

}  // namespace kvt
