#include "app/reader_main_b.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>

#include "cmdline/cmdline_window.h"
#include "link/engine.h"

namespace kvt {

KVT_730_B_ReaderMain::KVT_730_B_ReaderMain(AppState& state, Notifier& notifier, const PortMap& ports,
                                           const Timeouts& timeouts, QWidget* parent)
    : ReaderMainWindow(Variant::B, state, notifier, ports, timeouts, parent) {
  setObjectName(QStringLiteral("KVT_730_B_ReaderMain"));
  formLoad();
  insertFrame(-1, buildCommandLineFrame());  // the last frame of the left column
}

void KVT_730_B_ReaderMain::formLoad() { fillAddressCombo(); }

QWidget* KVT_730_B_ReaderMain::buildCommandLineFrame() {
  auto* box = new QGroupBox(QStringLiteral("Command Line"), this);
  box->setObjectName(QStringLiteral("CommandLineFrame"));
  box->setAccessibleName(box->title());
  auto* l = new QHBoxLayout(box);
  connect(addButton(box, l, "OpenCmdFormBtn", QStringLiteral("Command Line")), &QPushButton::clicked, this,
          &KVT_730_B_ReaderMain::onOpenCmdForm);
  return box;
}

void KVT_730_B_ReaderMain::onOpenCmdForm() {
  if (!state_.PortOpened) {
    notifier_.warn(kCaution, kPortSetupFirst);
    return;
  }
  KVT_730_B_CMDExuteForm form(state_, port_, notifier_, [this] { return cmbAddress864->currentText(); }, this);
  runDialog(form);
}

}  // namespace kvt
