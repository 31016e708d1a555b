// SPDX-License-Identifier: MIT
#include "chooser_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/widgets/named_widgets.h"
#include "reader_main_b.h"
#include "reader_main_m.h"

namespace kvt {

KVT_730_B_AboutDialog::KVT_730_B_AboutDialog(std::function<void(Variant)> openModel, QWidget* parent)
    : QWidget(parent), openModel_(std::move(openModel)) {
  setObjectName(QStringLiteral("KVT_730_B_AboutDialog"));
  setWindowTitle(QStringLiteral("TEST730_Z001_V10_EN"));
  setAttribute(Qt::WA_DeleteOnClose);

  auto* picture = new QLabel(QStringLiteral("KVT-730"), this);
  picture->setObjectName(QStringLiteral("Picture1"));
  QFont big = picture->font();
  big.setPointSizeF(big.pointSizeF() * 2.2);
  big.setBold(true);
  picture->setFont(big);
  picture->setAlignment(Qt::AlignCenter);
  picture->setAccessibleName(QStringLiteral("KVT-730 card reader"));
  auto* subtitle = new QLabel(QStringLiteral("Card reader test tool - choose the reader model"), this);
  subtitle->setAlignment(Qt::AlignCenter);

  auto* b = NamedButton(this, "Command1", QStringLiteral("KVT-730-MA1"));
  auto* m = NamedButton(this, "Command2", QStringLiteral("KVT-730-MB1"));
  for (QPushButton* p : {b, m}) p->setMinimumSize(150, 44);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(b);
  buttons->addWidget(m);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(picture);
  layout->addWidget(subtitle);
  layout->addSpacing(12);
  layout->addLayout(buttons);

  connect(b, &QPushButton::clicked, this, [this] { choose(Variant::B); });
  connect(m, &QPushButton::clicked, this, [this] { choose(Variant::M); });
}

void KVT_730_B_AboutDialog::choose(Variant v) {
  // The main window is shown before the chooser closes, so the program never runs out of
  // windows in between.
  if (openModel_) openModel_(v);
  close();
}

std::unique_ptr<ReaderMainWindow> CreateMainWindow(Variant v, AppState& state, Notifier& notifier,
                                                   const PortMap& ports, const Timeouts& timeouts) {
  if (v == Variant::B) return std::make_unique<KVT_730_B_ReaderMain>(state, notifier, ports, timeouts);
  return std::make_unique<KVT_730_M_ReaderMain>(state, notifier, ports, timeouts);
}

}  // namespace kvt
