// SPDX-License-Identifier: MIT
#include "reader_main_window.h"

#include <QApplication>
#include <QComboBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/link/port_setup.h"
#include "core/machine/initialize_ops.h"
#include "core/machine/status_ops.h"
#include "core/machine/unit_ops.h"
#include "gui/link/port_map_dialog.h"
#include "gui/link/port_setup_dialog.h"
#include "gui/machine/config_window.h"
#include "gui/machine/read_sn_window.h"
#include "gui/machine/reset_option_dialog.h"
#include "gui/machine/sensor_window.h"
#include "gui/monitor/line_monitor_action.h"
#include "gui/qualify/qualify_actions.h"
#include "gui/widgets/busy_cursor.h"
#include "gui/widgets/key_filters.h"
#include "gui/widgets/log_panel.h"
#include "gui/widgets/value_label.h"
#include "help_menu.h"

namespace kvt {

namespace {

const QString kMonitor = QStringLiteral("MONITOR");
const QString kExtend = QStringLiteral("EXTEND FUNCTION");

QGroupBox* frame(QWidget* parent, const char* objectName, const QString& caption) {
  auto* box = new QGroupBox(caption, parent);
  box->setObjectName(QString::fromLatin1(objectName));
  box->setAccessibleName(caption);
  return box;
}

}  // namespace

ReaderMainWindow::ReaderMainWindow(Variant v, AppState& state, Notifier& notifier,
                                   const PortMap& ports, const Timeouts& timeouts, QWidget* parent)
    : QWidget(parent), state_(state), notifier_(notifier), variant_(v) {
  setWindowTitle(QStringLiteral("TEST730_Z001_V10_EN (2013/09/09)"));
  // Modal over this window only: the simulator panel, a window of its own, stays usable
  // while a CPU card is worked or a script runs.
  runDialog = [](QDialog& d) {
    d.setWindowModality(Qt::WindowModal);
    d.exec();
  };
  chooseCardFile = [this](const QString& title, const QString& filter, bool save) {
    return ChooseCardFilePath(this, title, filter, save);
  };
  endProgram = [] {
    QApplication::closeAllWindows();
    QCoreApplication::quit();
  };

  log_ = new LogPanel(notifier_, kMonitor);
  session_ = std::make_unique<Session>(state_, port_, *log_, notifier_, v, ports, timeouts);

  // Left column: the frames, the device address and "Exit".
  auto* left = new QVBoxLayout;
  frames_ = new QVBoxLayout;
  frames_->addWidget(buildPortFrame());
  frames_->addWidget(buildResetFrame());
  frames_->addWidget(buildMoveFrame());
  frames_->addWidget(buildEntryFrame());
  left->addLayout(frames_);
  left->addStretch(1);

  auto* addressRow = new QHBoxLayout;
  auto* addressLabel = new QLabel(QStringLiteral("Device Addr:"), this);
  cmbAddress864 = new QComboBox(this);
  cmbAddress864->setObjectName(QStringLiteral("cmbAddress864"));
  cmbAddress864->setAccessibleName(addressLabel->text());
  cmbAddress864->setAccessibleDescription(addressLabel->text());
  addressLabel->setBuddy(cmbAddress864);
  addressRow->addWidget(addressLabel);
  addressRow->addWidget(cmbAddress864, 1);
  left->addLayout(addressRow);

  auto* exitRow = new QHBoxLayout;
  EXITGRM = new QPushButton(QStringLiteral("Exit"), this);
  EXITGRM->setObjectName(QStringLiteral("EXITGRM"));
  EXITGRM->setAccessibleName(EXITGRM->text());
  connect(EXITGRM, &QPushButton::clicked, this, &ReaderMainWindow::exitProgram);
  exitRow->addWidget(EXITGRM);
  left->addLayout(exitRow);

  // Right: the tab control.
  SSTab1 = new QTabWidget(this);
  SSTab1->setObjectName(QStringLiteral("SSTab1"));
  SSTab1->addTab(buildExtendPage(), kExtend);
  auto* monitor = new QWidget;
  monitor->setObjectName(QStringLiteral("MonitorPage"));
  auto* monitorLayout = new QVBoxLayout(monitor);
  monitorLayout->addWidget(log_);
  SSTab1->addTab(monitor, kMonitor);

  auto* top = new QHBoxLayout(this);
  top->addLayout(left, 0);
  top->addWidget(SSTab1, 1);

  // Beside the frames: where each port name leads, kept between runs.
  menus_ = new QMenuBar(this);
  QMenuBar* menus = menus_;
  menus->setObjectName(QStringLiteral("MenuBar"));
  QMenu* tools = menus->addMenu(QStringLiteral("&Tools"));
  tools->setObjectName(QStringLiteral("ToolsMenu"));
  portMapAction_ = tools->addAction(QStringLiteral("&Port Map..."), this, &ReaderMainWindow::onPortMap);
  portMapAction_->setObjectName(QStringLiteral("PortMapAction"));
  portMapAction_->setEnabled(false);
  AddLineMonitorAction(tools, this, [this] { return session_->portMap; });
  AddQualifyActions(tools, this, *session_, [this] { return address(); });
  AddHelpMenu(menus, notifier_);
  // The status line, on the menu bar's free side: whether the port is open, and a
  // connection lost under it.
  linkStatus_ = new QWidget(menus);
  QWidget* status = linkStatus_;
  status->setObjectName(QStringLiteral("LinkStatus"));
  auto* statusRow = new QHBoxLayout(status);
  statusRow->setContentsMargins(0, 0, 6, 0);
  auto* statusCaption = new QLabel(QStringLiteral("Connection:"), status);
  statusCaption->setObjectName(QStringLiteral("LinkStatusCaption"));
  LinkStatusText = new QLabel(status);
  LinkStatusText->setObjectName(QStringLiteral("LinkStatusText"));
  LinkStatusText->setTextInteractionFlags(Qt::TextSelectableByMouse);
  NameValueLabel(LinkStatusText, statusCaption);
  statusRow->addWidget(statusCaption);
  statusRow->addWidget(LinkStatusText);
  top->setMenuBar(menus);
  resize(980, 640);
  session_->linkWatch.listener = [this](const QString&) { showLinkStatus(); };
  showLinkStatus();
}

ReaderMainWindow::~ReaderMainWindow() = default;

QPushButton* ReaderMainWindow::addButton(QWidget* parent, QBoxLayout* layout, const char* objectName,
                                         const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QString::fromLatin1(objectName));
  b->setAccessibleName(caption);
  layout->addWidget(b);
  return b;
}

QGroupBox* ReaderMainWindow::buildPortFrame() {
  auto* box = frame(this, "PortSettingFrame", QStringLiteral("COMM. PORT SETTING"));
  auto* l = new QHBoxLayout(box);
  connect(addButton(box, l, "IROpencom", QStringLiteral("Setup Comm")), &QPushButton::clicked, this,
          &ReaderMainWindow::onSetupComm);
  connect(addButton(box, l, "IRCLOSECOM", QStringLiteral("Close Comm")), &QPushButton::clicked, this,
          &ReaderMainWindow::onCloseComm);
  return box;
}

QGroupBox* ReaderMainWindow::buildResetFrame() {
  auto* box = frame(this, "ResetStatusFrame", QStringLiteral("RESET / STATUS"));
  auto* l = new QVBoxLayout(box);
  connect(addButton(box, l, "SensorStatusBtn", QStringLiteral("Sensor Status")), &QPushButton::clicked,
          this, &ReaderMainWindow::onSensorStatus);
  connect(addButton(box, l, "CardStatusBtn", QStringLiteral("Card Status")), &QPushButton::clicked, this,
          &ReaderMainWindow::onCardStatus);
  connect(addButton(box, l, "ReaderResetBtn", QStringLiteral("INITIALIZE")), &QPushButton::clicked, this,
          &ReaderMainWindow::onInitialize);
  return box;
}

QGroupBox* ReaderMainWindow::buildMoveFrame() {
  auto* box = frame(this, "CardMoveFrame", QStringLiteral("Card Move to"));
  auto* l = new QVBoxLayout(box);
  for (Movement m : {Movement::Front, Movement::IC, Movement::RF, Movement::ErrorBin, Movement::FrontHold}) {
    const MovementInfo& info = MovementOf(m);
    const char* caption = variant_ == Variant::B ? info.captionB : info.captionM;
    connect(addButton(box, l, info.objectName, QString::fromLatin1(caption)), &QPushButton::clicked, this,
            [this, m] { onMove(m); });
  }
  return box;
}

QGroupBox* ReaderMainWindow::buildEntryFrame() {
  auto* box = frame(this, "EnterControlFrame", QStringLiteral("Enter Control"));
  auto* l = new QHBoxLayout(box);
  for (Movement m : {Movement::AllowEntry, Movement::ForbidEntry}) {
    const MovementInfo& info = MovementOf(m);
    connect(addButton(box, l, info.objectName, QString::fromLatin1(info.captionB)), &QPushButton::clicked,
            this, [this, m] { onMove(m); });
  }
  return box;
}

QWidget* ReaderMainWindow::buildExtendPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("ExtendFunctionPage"));
  auto* layout = new QVBoxLayout(page);

  auto* sn = frame(page, "UnitSnFrame", QStringLiteral("Unit SN OPERATION"));
  auto* snLayout = new QHBoxLayout(sn);
  connect(addButton(sn, snLayout, "TypeReadsn", QStringLiteral("Read SN")), &QPushButton::clicked, this,
          &ReaderMainWindow::onReadSn);
  snLayout->addStretch(1);

  auto* config = frame(page, "UnitConfigFrame", QStringLiteral("Unit configuration"));
  auto* configLayout = new QHBoxLayout(config);
  connect(addButton(config, configLayout, "IRCONFIGCMD", QStringLiteral("Unit configuration")),
          &QPushButton::clicked, this, &ReaderMainWindow::onConfig);
  configLayout->addStretch(1);

  auto* counter = frame(page, "CaptureCounterFrame", QStringLiteral("Capture Card Counter"));
  auto* counterLayout = new QHBoxLayout(counter);
  auto* counterLabel = new QLabel(QStringLiteral("Counter:"), counter);
  IRTenKaEdit = new QLineEdit(QStringLiteral("000"), counter);
  IRTenKaEdit->setObjectName(QStringLiteral("IRTenKaEdit"));
  IRTenKaEdit->setAccessibleName(counterLabel->text());
  IRTenKaEdit->setFixedWidth(IRTenKaEdit->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
  counterLabel->setBuddy(IRTenKaEdit);
  InstallDecimalFilter(IRTenKaEdit, 3);
  auto* decLabel = new QLabel(QStringLiteral("(DEC)"), counter);
  counterLayout->addWidget(counterLabel);
  counterLayout->addWidget(IRTenKaEdit);
  counterLayout->addWidget(decLabel);
  connect(addButton(counter, counterLayout, "IRTenKaReadCMD", QStringLiteral("Read Counter")),
          &QPushButton::clicked, this, &ReaderMainWindow::onReadCounter);
  connect(addButton(counter, counterLayout, "IRTenKaFormatCMD", QStringLiteral("InitializeI Counter")),
          &QPushButton::clicked, this, &ReaderMainWindow::onInitCounter);
  counterLayout->addStretch(1);

  layout->addWidget(sn);
  layout->addWidget(config);
  layout->addWidget(counter);
  layout->addStretch(1);
  return page;
}

void ReaderMainWindow::insertCardPage(int index, QWidget* page, const QString& caption) {
  page->setAccessibleName(caption);
  SSTab1->insertTab(index, page, caption);
  SSTab1->setCurrentIndex(0);
}

void ReaderMainWindow::insertFrame(int index, QWidget* f) { frames_->insertWidget(index, f); }

namespace {

// The focusable widgets of a layout in the order it places them (top to bottom, left to
// right for the box layouts of the frames), frames' own layouts included.
void InLayoutOrder(QLayout* layout, QList<QWidget*>& out) {
  for (int i = 0; layout && i < layout->count(); ++i) {
    QLayoutItem* item = layout->itemAt(i);
    if (QWidget* w = item->widget()) {
      if (w->focusPolicy() & Qt::TabFocus) out << w;
      InLayoutOrder(w->layout(), out);
    } else {
      InLayoutOrder(item->layout(), out);
    }
  }
}

}  // namespace

void ReaderMainWindow::orderFocusLikeTheScreen() {
  QList<QWidget*> order;
  InLayoutOrder(frames_, order);
  order << cmbAddress864 << EXITGRM;
  // The tab pages keep the order they were built in.
  for (QWidget* w = nextInFocusChain(); w != this; w = w->nextInFocusChain())
    if ((w == SSTab1 || SSTab1->isAncestorOf(w)) && (w->focusPolicy() & Qt::TabFocus)) order << w;
  for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void ReaderMainWindow::fillAddressCombo() {
  cmbAddress864->clear();
  for (int i = 0; i < 16; ++i) cmbAddress864->addItem(QString::number(i, 16).toUpper());
  cmbAddress864->setCurrentIndex(0);
}

QString ReaderMainWindow::address() const { return cmbAddress864->currentText(); }

void ReaderMainWindow::exitProgram() {
  exiting_ = true;
  if (port_.isOpen()) port_.close();
  if (endProgram) endProgram();
}

void ReaderMainWindow::showLinkStatus() {
  const QString text = session_->linkWatch.statusText();
  // Clear of the menus: a long device name is shortened in the middle on screen; the whole
  // text is the tooltip and what screen readers get.
  const int room = std::max(240, width() - 220);
  LinkStatusText->setText(LinkStatusText->fontMetrics().elidedText(text, Qt::ElideMiddle, room));
  LinkStatusText->setToolTip(text);
  LinkStatusText->setAccessibleDescription(text);
  menus_->setCornerWidget(linkStatus_, Qt::TopRightCorner);  // laid out again for the new text
}

void ReaderMainWindow::onSetupComm() {
  auto dialog = MakePortSetupDialog(*session_, address(), this);
  runDialog(*dialog);
  showLinkStatus();
}

void ReaderMainWindow::onCloseComm() {
  CloseComm(*session_);
  showLinkStatus();
}

void ReaderMainWindow::showPage(QWidget* page) { SSTab1->setCurrentWidget(page); }

CardFileContext ReaderMainWindow::cardFileContext() {
  return CardFileContext{*session_, port_, this, address(), chooseCardFile};
}

void ReaderMainWindow::setPortMapSettings(QSettings* settings,
                                          std::function<PortMap(const QMap<int, QString>&)> portMapFor) {
  settings_ = settings;
  portMapFor_ = std::move(portMapFor);
  portMapAction_->setEnabled(settings_ != nullptr && portMapFor_ != nullptr);
}

void ReaderMainWindow::onPortMap() {
  if (!settings_ || !portMapFor_) return;
  PortMapDialog dialog(*settings_, notifier_, this);
  runDialog(dialog);
  // The next "Setup Comm" or scan goes where the map now says; an open port stays open.
  if (dialog.result() == QDialog::Accepted) session_->portMap = portMapFor_(dialog.entries());
}

void ReaderMainWindow::onInitialize() {
  Outcome o;
  {
    BusyCursor busy;
    o = Initialize(*session_, address(), [this] {
      auto dialog = MakeResetOptionDialog(variant_, this);
      QApplication::setOverrideCursor(Qt::ArrowCursor);
      runDialog(*dialog);
      QApplication::restoreOverrideCursor();
      return dialog->code();
    });
  }
  Present(notifier_, o);
}

void ReaderMainWindow::onCardStatus() {
  Outcome o;
  {
    BusyCursor busy;
    o = CardStatus(*session_, address());
  }
  Present(notifier_, o);
}

void ReaderMainWindow::onSensorStatus() {
  Outcome o;
  {
    BusyCursor busy;
    o = SensorStatus(*session_, address());
  }
  if (o.status == OpStatus::Done) {
    auto window = MakeSensorWindow(variant_, state_.SensorStateBytes, this);
    runDialog(*window);
  }
  Present(notifier_, o);
}

void ReaderMainWindow::onMove(Movement m) {
  Outcome o;
  {
    BusyCursor busy;
    o = MoveCard(*session_, address(), m);
  }
  Present(notifier_, o);
}

void ReaderMainWindow::onReadSn() {
  Outcome o;
  {
    BusyCursor busy;
    o = ReadSN(*session_, address());
  }
  if (o.status == OpStatus::Done) {
    auto window = MakeReadSnWindow(variant_, SerialNumberText(state_), this);
    runDialog(*window);
  }
  Present(notifier_, o);
}

void ReaderMainWindow::onConfig() {
  Outcome o;
  {
    BusyCursor busy;
    o = ReadConfig(*session_, address());
  }
  if (o.status == OpStatus::Done) {
    auto window = MakeConfigWindow(variant_, state_.ConfigBytes, this);
    runDialog(*window);
  }
  Present(notifier_, o);
}

void ReaderMainWindow::onReadCounter() {
  CounterOutcome o;
  {
    BusyCursor busy;
    o = ReadCounter(*session_, address());
  }
  if (o.counterText) IRTenKaEdit->setText(*o.counterText);
  Present(notifier_, o);
}

void ReaderMainWindow::onInitCounter() {
  CounterOutcome o;
  {
    BusyCursor busy;
    o = InitCounter(*session_, address(), IRTenKaEdit->text());
  }
  if (o.counterText) IRTenKaEdit->setText(*o.counterText);
  Present(notifier_, o);
}

}  // namespace kvt
