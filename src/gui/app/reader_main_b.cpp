// SPDX-License-Identifier: MIT
#include "reader_main_b.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <algorithm>

#include "core/contact/ic_type_ops.h"
#include "core/link/engine.h"
#include "gui/cmdline/cmdline_window.h"
#include "gui/contact/ic_card_page.h"
#include "gui/rf/rf_card_page.h"
#include "gui/widgets/busy_cursor.h"
#include "gui/widgets/named_widgets.h"

namespace kvt {

namespace {

// Where a window of `size` goes to sit centred over `main`, its frame (taken to be as wide
// as main's) inside the screen. Qt's own placement guesses a frame 40 pixels high, and
// puts a window nearly as tall as its main window flush with the top of the screen.
QPoint CentredOver(const QWidget& main, const QSize& size) {
  const QRect over = main.frameGeometry();
  const QSize frame = size + (over.size() - main.size());
  QRect placed(QPoint(), frame);
  placed.moveCenter(over.center());
  if (const QScreen* screen = main.screen()) {
    const QRect room = screen->availableGeometry();
    placed.moveRight(std::min(placed.right(), room.right()));
    placed.moveBottom(std::min(placed.bottom(), room.bottom()));
    placed.moveLeft(std::max(placed.left(), room.left()));
    placed.moveTop(std::max(placed.top(), room.top()));
  }
  return placed.topLeft();
}

}  // namespace

KVT_730_B_ReaderMain::KVT_730_B_ReaderMain(AppState& state, Notifier& notifier, const PortMap& ports,
                                           const Timeouts& timeouts, QWidget* parent)
    : ReaderMainWindow(Variant::B, state, notifier, ports, timeouts, parent) {
  setObjectName(QStringLiteral("KVT_730_B_ReaderMain"));
  buildContactCardParts();
  buildRfCardParts();
  formLoad();
  insertFrame(-1, buildCommandLineFrame());  // the last frame of the left column
  orderFocusLikeTheScreen();
}

void KVT_730_B_ReaderMain::formLoad() {
  rfCardPage_->loadBlockLists();
  fillAddressCombo();
  rfCardPage_->loadActivationOrder();
}

void KVT_730_B_ReaderMain::buildRfCardParts() {
  rfCardPage_ = new RfCardPage(*this);
  insertCardPage(0, rfCardPage_, RfCardPage::kCaption);
  QPushButton* rfType = addButton(cardTypeFrame_, cardTypeButtons_, "RFTestTypeCmd", QStringLiteral("RF Card Type"));
  cardTypeButtons_->removeWidget(rfType);
  cardTypeButtons_->insertWidget(0, rfType);
  connect(rfType, &QPushButton::clicked, rfCardPage_, &RfCardPage::detectCardType);
}

QWidget* KVT_730_B_ReaderMain::buildCommandLineFrame() {
  auto* box = NamedFrame(this, "CommandLineFrame", QStringLiteral("Command Line"));
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
  form.move(CentredOver(*this, form.size()));
  runDialog(form);
}

void KVT_730_B_ReaderMain::buildContactCardParts() {
  icCardPage_ = new IcCardPage(*this);
  int extend = 0;
  while (extend < SSTab1->count() && SSTab1->tabText(extend) != QLatin1String("EXTEND FUNCTION")) ++extend;
  insertCardPage(extend, icCardPage_, IcCardPage::kCaption);

  const QString caption = QStringLiteral("AUTOTEST CARD TYPE");
  cardTypeFrame_ = new QGroupBox(caption, this);
  cardTypeFrame_->setObjectName(QStringLiteral("AutotestCardTypeFrame"));
  cardTypeFrame_->setAccessibleName(caption);
  cardTypeButtons_ = new QHBoxLayout(cardTypeFrame_);
  connect(addButton(cardTypeFrame_, cardTypeButtons_, "ICTestTypeCmd", QStringLiteral("IC Card Type")),
          &QPushButton::clicked, this, &KVT_730_B_ReaderMain::onIcCardType);
  insertFrame(1, cardTypeFrame_);
}

void KVT_730_B_ReaderMain::onIcCardType() {
  IcTypeOutcome o;
  {
    BusyCursor busy;
    o = IcCardType(*session_, cmbAddress864->currentText());
  }
  // The page of the card comes to the front before the message appears.
  if (o.page) {
    SSTab1->setCurrentWidget(icCardPage_);
    icCardPage_->showPage(*o.page);
  }
  Present(notifier_, o);
}

}  // namespace kvt
