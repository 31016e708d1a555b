#include "app/sim_control_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>

#include "hexgrid/value_label.h"
#include "link/port_wait.h"
#include "sim/cards/contact_chip.h"
#include "sim/cards/contact_commands.h"
#include "sim/cards/rf_card.h"
#include "sim/cards/rf_commands.h"
#include "sim/pty_host.h"

namespace kvt {

namespace {

constexpr sim::FaultKind kFaultKinds[] = {
    sim::FaultKind::None,          sim::FaultKind::Silent,         sim::FaultKind::Nak,
    sim::FaultKind::AckThenSilence, sim::FaultKind::LostAck,        sim::FaultKind::ShortRemainder,
    sim::FaultKind::BadBcc,        sim::FaultKind::Garbage,        sim::FaultKind::Slow,
    sim::FaultKind::Negative,
};

QString positionText(const sim::Reader& r) {
  switch (r.cardPosition()) {
    case sim::CardPos::None: return QStringLiteral("no card in the channel");
    case sim::CardPos::Front: return QStringLiteral("at the front gate");
    case sim::CardPos::Inside:
      return r.state().spot == sim::InsideSpot::RfAntenna ? QStringLiteral("inside, RF position")
                                                          : QStringLiteral("inside, IC contacts");
  }
  return QString();
}

QPushButton* button(QWidget* parent, const char* objectName, const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QString::fromLatin1(objectName));
  b->setAccessibleName(caption);
  return b;
}

QLabel* value(QWidget* parent, const char* objectName) {
  auto* l = new QLabel(parent);
  l->setObjectName(QString::fromLatin1(objectName));
  l->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return l;
}

}  // namespace

SimControlWindow::SimControlWindow(sim::PtyHost& host, QWidget* parent) : QWidget(parent), host_(host) {
  setObjectName(QStringLiteral("SimControlWindow"));
  setWindowTitle(QStringLiteral("Simulated KVT-730 reader"));
  // A card can be pulled or a fault set while the tool waits for the reader.
  KeepUsableWhileWaiting(this);
  create();
  if (windowHandle()) KeepUsableWhileWaiting(windowHandle());

  auto* stateBox = new QGroupBox(QStringLiteral("Reader"), this);
  // Two columns of label and value, so the panel stays low.
  auto* form = new QGridLayout(stateBox);
  device_ = value(stateBox, "SimDevice");
  card_ = value(stateBox, "SimCardPosition");
  stacker_ = value(stateBox, "SimStacker");
  bin_ = value(stateBox, "SimBin");
  entry_ = value(stateBox, "SimEntry");
  counter_ = value(stateBox, "SimCounter");
  fault_ = value(stateBox, "SimFault");
  const std::pair<const char*, QLabel*> rows[] = {
      {"Device (COM1):", device_}, {"Card:", card_},          {"Stacker:", stacker_},         {"Fault:", fault_},
      {"Error card bin:", bin_},   {"Card entry:", entry_},   {"Capture counter:", counter_},
  };
  int at = 0;
  for (const auto& [caption, value] : rows) {
    auto* label = new QLabel(QString::fromLatin1(caption), stateBox);
    NameValueLabel(value, label);
    form->addWidget(label, at % 4, 2 * (at / 4));
    form->addWidget(value, at % 4, 2 * (at / 4) + 1);
    ++at;
  }
  form->setColumnMinimumWidth(2, 12);

  auto* cardBox = new QGroupBox(QStringLiteral("Card"), this);
  auto* cardRow = new QFormLayout(cardBox);
  auto* insert = button(cardBox, "SimInsertCard", QStringLiteral("Insert card"));
  auto* remove = button(cardBox, "SimRemoveCard", QStringLiteral("Remove card"));
  // The chip of the card in the channel and of every card that enters after it.
  auto* chipLabel = new QLabel(QStringLiteral("Chip:"), cardBox);
  chipKind_ = new QComboBox(cardBox);
  chipKind_->setObjectName(QStringLiteral("SimChipKind"));
  for (const std::string& kind : sim::contactChipKinds()) chipKind_->addItem(QString::fromStdString(kind));
  host_.withReader([this](sim::Reader& r) { chipKind_->setCurrentText(QString::fromStdString(r.state().icCardKind)); });
  chipKind_->setAccessibleName(chipLabel->text());
  chipKind_->setAccessibleDescription(chipLabel->text());
  chipLabel->setBuddy(chipKind_);
  cardRow->addRow(chipLabel, chipKind_);
  // The contactless side of the same cards; it answers at the RF position.
  auto* rfLabel = new QLabel(QStringLiteral("Contactless:"), cardBox);
  rfKind_ = new QComboBox(cardBox);
  rfKind_->setObjectName(QStringLiteral("SimRfKind"));
  for (const std::string& kind : sim::rfCardKinds()) rfKind_->addItem(QString::fromStdString(kind));
  host_.withReader([this](sim::Reader& r) { rfKind_->setCurrentText(QString::fromStdString(r.state().rfCardKind)); });
  rfKind_->setAccessibleName(rfLabel->text());
  rfKind_->setAccessibleDescription(rfLabel->text());
  rfLabel->setBuddy(rfKind_);
  cardRow->addRow(rfLabel, rfKind_);
  auto* cardButtons = new QHBoxLayout;
  cardButtons->addWidget(insert);
  cardButtons->addWidget(remove);
  cardRow->addRow(cardButtons);

  auto* faultBox = new QGroupBox(QStringLiteral("Fault on the next command"), this);
  auto* faultForm = new QFormLayout(faultBox);
  faultKind_ = new QComboBox(faultBox);
  faultKind_->setObjectName(QStringLiteral("SimFaultKind"));
  for (sim::FaultKind k : kFaultKinds)
    faultKind_->addItem(QString::fromLatin1(sim::faultName(k)), static_cast<int>(k));
  negativeCode_ = new QLineEdit(QStringLiteral("10"), faultBox);
  negativeCode_->setObjectName(QStringLiteral("SimNegativeCode"));
  negativeCode_->setMaxLength(2);
  negativeCode_->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9A-Za-z]{0,2}")), negativeCode_));
  everyCommand_ = new QCheckBox(QStringLiteral("Every command"), faultBox);
  everyCommand_->setObjectName(QStringLiteral("SimEveryCommand"));
  everyCommand_->setAccessibleName(everyCommand_->text());
  faultForm->addRow(QStringLiteral("Kind:"), faultKind_);
  faultForm->addRow(QStringLiteral("Negative code:"), negativeCode_);
  faultForm->addRow(everyCommand_);
  for (QWidget* w : {static_cast<QWidget*>(faultKind_), static_cast<QWidget*>(negativeCode_)}) {
    const QString label = qobject_cast<QLabel*>(faultForm->labelForField(w))->text();
    w->setAccessibleName(label);
    w->setAccessibleDescription(label);
  }
  auto* faultButtons = new QHBoxLayout;
  auto* apply = button(faultBox, "SimApplyFault", QStringLiteral("Apply"));
  auto* clear = button(faultBox, "SimClearFault", QStringLiteral("Clear"));
  faultButtons->addWidget(apply);
  faultButtons->addWidget(clear);
  faultForm->addRow(faultButtons);

  result_ = value(this, "SimResult");

  // Wide and low: it fits under the main window on a 1280x1024 screen.
  auto* layout = new QVBoxLayout(this);
  auto* boxes = new QHBoxLayout;
  boxes->addWidget(stateBox);
  boxes->addWidget(cardBox, 0, Qt::AlignTop);
  boxes->addWidget(faultBox, 0, Qt::AlignTop);
  layout->addLayout(boxes);
  layout->addWidget(result_);
  layout->addStretch(1);

  connect(chipKind_, &QComboBox::currentTextChanged, this, &SimControlWindow::chooseChip);
  connect(rfKind_, &QComboBox::currentTextChanged, this, &SimControlWindow::chooseRfCard);
  connect(insert, &QPushButton::clicked, this, &SimControlWindow::insertCard);
  connect(remove, &QPushButton::clicked, this, &SimControlWindow::removeCard);
  connect(apply, &QPushButton::clicked, this, &SimControlWindow::applyFault);
  connect(clear, &QPushButton::clicked, this, &SimControlWindow::clearFault);
  connect(faultKind_, &QComboBox::currentIndexChanged, this, [this] {
    negativeCode_->setEnabled(faultKind_->currentData().toInt() == static_cast<int>(sim::FaultKind::Negative));
  });
  negativeCode_->setEnabled(false);

  timer_ = new QTimer(this);
  timer_->setInterval(500);
  connect(timer_, &QTimer::timeout, this, &SimControlWindow::refresh);
  timer_->start();
  refresh();
}

QPoint SimPanelPosition(const QRect& mainFrame, const QSize& panelFrame, const QRect& available) {
  constexpr int gap = 8;
  const QPoint candidates[] = {
      {mainFrame.left(), mainFrame.bottom() + 1 + gap},                        // below
      {mainFrame.right() + 1 + gap, mainFrame.top()},                          // right
      {mainFrame.left() - gap - panelFrame.width(), mainFrame.top()},         // left
      {mainFrame.left(), mainFrame.top() - gap - panelFrame.height()},        // above
  };
  QPoint best = candidates[0];
  qint64 bestCovered = -1;
  for (QPoint at : candidates) {
    // Kept on the screen; what it then still covers of the main window is what counts.
    at.setX(std::clamp(at.x(), available.left(), std::max(available.left(), available.right() + 1 - panelFrame.width())));
    at.setY(std::clamp(at.y(), available.top(), std::max(available.top(), available.bottom() + 1 - panelFrame.height())));
    const QRect overlap = QRect(at, panelFrame).intersected(mainFrame);
    const qint64 covered = overlap.isEmpty() ? 0 : qint64(overlap.width()) * overlap.height();
    if (bestCovered < 0 || covered < bestCovered) {
      best = at;
      bestCovered = covered;
    }
    if (covered == 0) break;
  }
  return best;
}

void SimControlWindow::refresh() {
  ShowValue(device_, QString::fromStdString(host_.slavePath()));
  host_.withReader([this](sim::Reader& r) {
    ShowValue(card_, positionText(r));
    ShowValue(stacker_, QStringLiteral("%1 cards").arg(r.stackerCards()));
    ShowValue(bin_, QStringLiteral("%1 of %2").arg(r.binCards()).arg(r.binCapacity()));
    ShowValue(entry_, r.entryAllowed() ? QStringLiteral("allowed") : QStringLiteral("prohibited"));
    ShowValue(counter_, QString::number(r.captureCounter()));
    const sim::Fault f = r.fault();
    QString text = QString::fromLatin1(sim::faultName(f.kind));
    if (f.kind == sim::FaultKind::Negative) text += QStringLiteral(" ") + QString::fromStdString(f.negativeCode);
    if (f.kind != sim::FaultKind::None) text += f.once ? QStringLiteral(" (once)") : QStringLiteral(" (every command)");
    ShowValue(fault_, text);
  });
}

void SimControlWindow::chooseChip(const QString& kind) {
  host_.withReader([&](sim::Reader& r) { sim::setContactCardKind(r.state(), kind.toStdString()); });
  result_->setText(QStringLiteral("The card now carries a fresh %1 chip, as will every card that enters.").arg(kind));
}

void SimControlWindow::chooseRfCard(const QString& kind) {
  host_.withReader([&](sim::Reader& r) { sim::setRfCardKind(r.state(), kind.toStdString()); });
  result_->setText(
      QStringLiteral("The card now carries a fresh %1 contactless side, as will every card that enters.").arg(kind));
}

void SimControlWindow::insertCard() {
  bool ok = false;
  host_.withReader([&](sim::Reader& r) { ok = r.insertCard(); });
  result_->setText(ok ? QStringLiteral("Card inserted at the front gate.")
                      : QStringLiteral("No card inserted: entry is prohibited or the channel is busy."));
  refresh();
}

void SimControlWindow::removeCard() {
  bool taken = false, pulled = false;
  host_.withReader([&](sim::Reader& r) {
    taken = r.removeCard();
    if (!taken) pulled = r.pullCard();
  });
  result_->setText(taken    ? QStringLiteral("Card taken from the front gate.")
                   : pulled ? QStringLiteral("Card pulled out from inside the reader.")
                            : QStringLiteral("No card in the reader."));
  refresh();
}

void SimControlWindow::applyFault() {
  sim::Fault f;
  f.kind = static_cast<sim::FaultKind>(faultKind_->currentData().toInt());
  f.once = !everyCommand_->isChecked();
  const QString code = negativeCode_->text().toUpper();
  if (f.kind == sim::FaultKind::Negative) {
    if (code.size() != 2) {
      result_->setText(QStringLiteral("The negative code needs two characters."));
      return;
    }
    f.negativeCode = code.toStdString();
  }
  host_.withReader([&](sim::Reader& r) { r.setFault(f); });
  result_->setText(QStringLiteral("Fault set: ") + faultKind_->currentText());
  refresh();
}

void SimControlWindow::clearFault() {
  host_.withReader([](sim::Reader& r) { r.clearFault(); });
  result_->setText(QStringLiteral("Fault cleared."));
  refresh();
}

}  // namespace kvt
