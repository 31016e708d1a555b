#include "app/reader_main_m.h"

#include <QCloseEvent>

namespace kvt {

KVT_730_M_ReaderMain::KVT_730_M_ReaderMain(AppState& state, Notifier& notifier, const PortMap& ports,
                                           const Timeouts& timeouts, QWidget* parent)
    : ReaderMainWindow(Variant::M, state, notifier, ports, timeouts, parent) {
  setObjectName(QStringLiteral("KVT_730_M_ReaderMain"));
  fillAddressCombo();
}

void KVT_730_M_ReaderMain::closeEvent(QCloseEvent* event) {
  event->accept();
  if (!exiting_) exitProgram();  // else the program is already ending through "Exit"
}

}  // namespace kvt
