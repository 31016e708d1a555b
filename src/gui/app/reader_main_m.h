// SPDX-License-Identifier: MIT
#pragma once
// The main window of the KVT-730-MB1 (variant M): card machine functions only.
#include <functional>
#include <memory>

#include "reader_main_window.h"

namespace kvt {

class SmartCardService;

class KVT_730_M_ReaderMain : public ReaderMainWindow {
  Q_OBJECT
 public:
  KVT_730_M_ReaderMain(AppState& state, Notifier& notifier, const PortMap& ports = {},
                       const Timeouts& timeouts = {}, QWidget* parent = nullptr);
  ~KVT_730_M_ReaderMain() override;

  // The smart-card service each PC/SC window gets. Defaults to pcsc-lite; tests replace it.
  std::function<std::unique_ptr<SmartCardService>()> makeSmartCardService;
  // How long a smart-card call may keep the PC/SC window waiting before it is reported.
  int pcscCallBoundMs = 10000;

 protected:
  // Closing by the title bar ends the program as "Exit" does.
  void closeEvent(QCloseEvent* event) override;

 private:
  // "Open PC/SC Operation window": the PC/SC window, modal, whatever the port state.
  void onLoadPcscForm();
};

}  // namespace kvt
