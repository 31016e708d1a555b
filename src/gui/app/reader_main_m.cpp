// SPDX-License-Identifier: MIT
#include "reader_main_m.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>

#include "core/pcsc/bounded_service.h"
#include "core/pcsc/pcsclite_service.h"
#include "gui/pcsc/pcsc_window.h"

namespace kvt {

KVT_730_M_ReaderMain::KVT_730_M_ReaderMain(AppState& state, Notifier& notifier, const PortMap& ports,
                                           const Timeouts& timeouts, QWidget* parent)
    : ReaderMainWindow(Variant::M, state, notifier, ports, timeouts, parent) {
  setObjectName(QStringLiteral("KVT_730_M_ReaderMain"));
  fillAddressCombo();

  makeSmartCardService = [] { return std::make_unique<PcscLiteService>(); };
  // "PC/SC Operation" stands where variant B has its card type frame, under the port frame.
  const QString caption = QStringLiteral("PC/SC Operation");
  auto* pcscFrame = new QGroupBox(caption, this);
  pcscFrame->setObjectName(QStringLiteral("PcscOperationFrame"));
  pcscFrame->setAccessibleName(caption);
  auto* pcscLayout = new QHBoxLayout(pcscFrame);
  connect(addButton(pcscFrame, pcscLayout, "LoadpcscformBtn", QStringLiteral("Open PC/SC Operation window")),
          &QPushButton::clicked, this, &KVT_730_M_ReaderMain::onLoadPcscForm);
  insertFrame(1, pcscFrame);
  orderFocusLikeTheScreen();
}

KVT_730_M_ReaderMain::~KVT_730_M_ReaderMain() = default;

void KVT_730_M_ReaderMain::onLoadPcscForm() {
  // The window keeps painting during each call, and a call that does not answer is
  // reported instead of freezing it.
  BoundedService service(makeSmartCardService(), WaitMode::KeepPainting, pcscCallBoundMs);
  KVT_730_M_PCSCForm form(service, notifier_, this);
  runDialog(form);
}

void KVT_730_M_ReaderMain::closeEvent(QCloseEvent* event) {
  event->accept();
  if (!exiting_) exitProgram();  // else the program is already ending through "Exit"
}

}  // namespace kvt
