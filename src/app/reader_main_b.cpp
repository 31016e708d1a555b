#include "app/reader_main_b.h"

namespace kvt {

KVT_730_B_ReaderMain::KVT_730_B_ReaderMain(AppState& state, Notifier& notifier, const PortMap& ports,
                                           const Timeouts& timeouts, QWidget* parent)
    : ReaderMainWindow(Variant::B, state, notifier, ports, timeouts, parent) {
  setObjectName(QStringLiteral("KVT_730_B_ReaderMain"));
  formLoad();
}

void KVT_730_B_ReaderMain::formLoad() { fillAddressCombo(); }

}  // namespace kvt
