#pragma once
// The main window of the KVT-730-MB1 (variant M): card machine functions only.
#include "app/reader_main_window.h"

namespace kvt {

class KVT_730_M_ReaderMain : public ReaderMainWindow {
  Q_OBJECT
 public:
  KVT_730_M_ReaderMain(AppState& state, Notifier& notifier, const PortMap& ports = {},
                       const Timeouts& timeouts = {}, QWidget* parent = nullptr);

 protected:
  // Closing by the title bar ends the program as "Exit" does.
  void closeEvent(QCloseEvent* event) override;
};

}  // namespace kvt
