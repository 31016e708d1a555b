#pragma once
// The main window of the KVT-730-MA1 (variant B).
#include "app/reader_main_window.h"

namespace kvt {

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

 private:
  // "Command Line": the command-line window, only with the port open.
  QWidget* buildCommandLineFrame();
  void onOpenCmdForm();
};

}  // namespace kvt
