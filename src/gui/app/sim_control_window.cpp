// SPDX-License-Identifier: MIT
#include "sim_control_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>

#include "core/base/conversions.h"
#include "core/link/negative_reply.h"
#include "core/link/port_wait.h"
#include "gui/widgets/named_widgets.h"
#include "gui/widgets/value_label.h"
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
    case sim::CardPos::None: return QStringLiteral("none");
    case sim::CardPos::Front: return QStringLiteral("front gate");
    case sim::CardPos::Inside:
      return r.state().spot == sim::InsideSpot::RfAntenna ? QStringLiteral("RF position") : QStringLiteral("IC contacts");
  }
  return QString();
}

QLabel* value(QWidget* parent, const char* objectName) {
  auto* l = new QLabel(parent);
  l->setObjectName(QString::fromLatin1(objectName));
  l->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return l;
}

// A line of text as wide as the panel lets it be: a longer text is cut (its whole shown as
// the tooltip) instead of widening the panel.
QLabel* line(QWidget* parent, const char* objectName) {
  QLabel* l = value(parent, objectName);
  l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  l->setMinimumWidth(0);
  return l;
}

// A combo box of the card kinds the simulator's options name.
QComboBox* kindBox(QWidget* parent, const char* objectName, const std::vector<std::string>& kinds) {
  auto* box = new QComboBox(parent);
  box->setObjectName(QString::fromLatin1(objectName));
  for (const std::string& kind : kinds) box->addItem(QString::fromStdString(kind));
  return box;
}

// A form row whose label is the field's buddy and names it to assistive tools.
void addNamedRow(QFormLayout* form, const QString& labelText, QWidget* field) {
  auto* label = new QLabel(labelText, field->parentWidget());
  field->setAccessibleName(labelText);
  field->setAccessibleDescription(labelText);
  label->setBuddy(field);
  form->addRow(label, field);
}

void showLine(QLabel* l, const QString& text) {
  ShowValue(l, text);
  l->setToolTip(text);
}

QString commandName(uint8_t cm, uint8_t pm) {
  struct Named {
    uint8_t cm;
    int pm;  // -1: any
    const char* name;
  };
  static const Named names[] = {
      {0x30, -1, "INITIALIZE"},
      {0xDC, -1, "firmware version"},
      {0x31, '0', "card status"},
      {0x31, '1', "sensor status"},
      {0x32, '9', "move to the front"},
      {0x32, '0', "move to the front and hold"},
      {0x32, '1', "move to the IC position"},
      {0x32, '2', "move to the RF position"},
      {0x32, '3', "move to the error card bin"},
      {0x33, '0', "allow entry"},
      {0x33, '1', "forbid entry"},
      {0xA2, -1, "serial number"},
      {0xA3, -1, "configuration"},
      {0xA5, '0', "read the capture counter"},
      {0xA5, '1', "set the capture counter"},
      {0x50, '0', "IC card type"},
      {0x50, '1', "RF card type"},
      {0x51, -1, "CPU card"},
      {0x52, -1, "SAM card"},
      {0x53, -1, "SLE4442/SLE4428 card"},
      {0x54, -1, "24Cxx card"},
      {0x60, -1, "contactless card"},
  };
  for (const Named& n : names)
    if (n.cm == cm && (n.pm < 0 || n.pm == pm)) return QString::fromLatin1(n.name);
  return QStringLiteral("command");
}

}  // namespace

SimControlWindow::SimControlWindow(sim::PtyHost& host, QWidget* parent) : QWidget(parent), host_(host) {
  setObjectName(QStringLiteral("SimControlWindow"));
  setWindowTitle(QStringLiteral("Simulated KVT-730 reader"));
  // A card can be pulled or a fault set while the tool waits for the reader.
  KeepUsableWhileWaiting(this);
  create();
  if (windowHandle()) KeepUsableWhileWaiting(windowHandle());

  auto* stateBox = new QGroupBox(QStringLiteral("Reader (COM1)"), this);
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
      {"Device:", device_},      {"Card:", card_},  {"Stacker:", stacker_}, {"Card entry:", entry_},
      {"Error card bin:", bin_}, {"Capture counter:", counter_}, {"Fault:", fault_},
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
  fixWidth(device_, {QStringLiteral("/dev/pts/0000")});
  fixWidth(card_, {QStringLiteral("none"), QStringLiteral("front gate"), QStringLiteral("IC contacts"),
                   QStringLiteral("RF position")});
  fixWidth(stacker_, {QStringLiteral("100000 cards")});
  fixWidth(bin_, {QStringLiteral("100000 of 100000")});
  fixWidth(entry_, {QStringLiteral("prohibited")});
  fixWidth(counter_, {QStringLiteral("999")});
  QStringList faults;
  for (sim::FaultKind k : kFaultKinds) faults << QString::fromLatin1(sim::faultName(k)) + QStringLiteral(" (always)");
  faults << QStringLiteral("negative AA (always)");
  fixWidth(fault_, faults);

  auto* cardBox = new QGroupBox(QStringLiteral("Card"), this);
  auto* cardRow = new QFormLayout(cardBox);
  auto* insert = NamedButton(cardBox, "SimInsertCard", QStringLiteral("Insert card"));
  auto* remove = NamedButton(cardBox, "SimRemoveCard", QStringLiteral("Remove card"));
  // The chip of the card in the channel and of every card that enters after it.
  chipKind_ = kindBox(cardBox, "SimChipKind", sim::contactChipKinds());
  host_.withReader([this](sim::Reader& r) { chipKind_->setCurrentText(QString::fromStdString(r.state().icCardKind)); });
  addNamedRow(cardRow, QStringLiteral("Chip:"), chipKind_);
  // The contactless side of the same cards; it answers at the RF position.
  rfKind_ = kindBox(cardBox, "SimRfKind", sim::rfCardKinds());
  host_.withReader([this](sim::Reader& r) { rfKind_->setCurrentText(QString::fromStdString(r.state().rfCardKind)); });
  addNamedRow(cardRow, QStringLiteral("Contactless:"), rfKind_);
  // How many cards the stacker holds: each move that finds the channel empty dispenses one.
  stackerCards_ = new QSpinBox(cardBox);
  stackerCards_->setObjectName(QStringLiteral("SimStackerCards"));
  stackerCards_->setRange(0, 100000);
  host_.withReader([this](sim::Reader& r) { stackerCards_->setValue(r.stackerCards()); });
  addNamedRow(cardRow, QStringLiteral("Fill stacker:"), stackerCards_);
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
  negativeCode_->setMaximumWidth(negativeCode_->fontMetrics().horizontalAdvance(QStringLiteral("WWW")) + 16);
  negativeCode_->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9A-Za-z]{0,2}")), negativeCode_));
  everyCommand_ = new QCheckBox(QStringLiteral("Every command"), faultBox);
  everyCommand_->setObjectName(QStringLiteral("SimEveryCommand"));
  everyCommand_->setAccessibleName(everyCommand_->text());
  addNamedRow(faultForm, QStringLiteral("Kind:"), faultKind_);
  addNamedRow(faultForm, QStringLiteral("Negative code:"), negativeCode_);
  faultForm->addRow(everyCommand_);
  auto* faultButtons = new QHBoxLayout;
  auto* apply = NamedButton(faultBox, "SimApplyFault", QStringLiteral("Apply"));
  auto* clear = NamedButton(faultBox, "SimClearFault", QStringLiteral("Clear"));
  faultButtons->addWidget(apply);
  faultButtons->addWidget(clear);
  faultForm->addRow(faultButtons);

  auto* motionBox = new QGroupBox(QStringLiteral("Card motion"), this);
  auto* motionGrid = new QGridLayout(motionBox);
  motionMs_ = new QSpinBox(motionBox);
  motionMs_->setObjectName(QStringLiteral("SimMotionMs"));
  motionMs_->setRange(0, 60000);
  wearMs_ = new QSpinBox(motionBox);
  wearMs_->setObjectName(QStringLiteral("SimWearMs"));
  wearMs_->setRange(0, 60000);
  jamRate_ = new QDoubleSpinBox(motionBox);
  jamRate_->setObjectName(QStringLiteral("SimJamRate"));
  jamRate_->setRange(0, 100);
  jamRate_->setDecimals(2);
  seed_ = new QSpinBox(motionBox);
  seed_->setObjectName(QStringLiteral("SimSeed"));
  seed_->setRange(0, 999999);
  host_.withReader([this](sim::Reader& r) {
    const sim::Reader::Motion m = r.motion();
    motionMs_->setValue(m.motionMs);
    wearMs_->setValue(m.wearMsPer1000);
    jamRate_->setValue(m.jamRate * 100);
    seed_->setValue(static_cast<int>(std::min<uint32_t>(m.seed, 999999u)));
  });
  auto* applyMotion = NamedButton(motionBox, "SimApplyMotion", QStringLiteral("Apply"));
  applyMotion->setAccessibleDescription(QStringLiteral("Apply the card motion"));
  // Two pairs of label and field a row, so the panel stays low and fits a 1280 screen; the
  // tooltips say the rest.
  const struct {
    const char* caption;
    QAbstractSpinBox* field;
    const char* meaning;
  } motionRows[] = {
      {"Move ms:", motionMs_, "how long a move takes, give or take 5 %"},
      {"Wear ms:", wearMs_, "added to a move every 1,000 moves"},
      {"Jam %:", jamRate_, "the share of moves that jam (negative reply 10, card jam)"},
      {"Seed:", seed_, "of the spread and the jams"},
  };
  at = 0;
  for (const auto& row : motionRows) {
    auto* label = new QLabel(QString::fromLatin1(row.caption), motionBox);
    label->setBuddy(row.field);
    row.field->setAccessibleName(label->text());
    row.field->setAccessibleDescription(QString::fromLatin1(row.meaning));
    row.field->setToolTip(QString::fromLatin1(row.meaning));
    row.field->setMaximumWidth(row.field->fontMetrics().horizontalAdvance(QStringLiteral("9999999")) + 24);
    motionGrid->addWidget(label, at / 2, 2 * (at % 2));
    motionGrid->addWidget(row.field, at / 2, 2 * (at % 2) + 1);
    ++at;
  }
  auto* movesLabel = new QLabel(QStringLiteral("Moves:"), motionBox);
  moves_ = value(motionBox, "SimMovesMade");
  NameValueLabel(moves_, movesLabel);
  motionGrid->addWidget(movesLabel, 2, 0);
  motionGrid->addWidget(moves_, 2, 1);
  motionGrid->addWidget(applyMotion, 2, 2, 1, 2);

  // Below the boxes, side by side: what the last click on the panel did, and what the
  // reader did last.
  auto* lines = new QHBoxLayout;
  result_ = line(this, "SimResult");
  readerStatus_ = line(this, "SimReaderStatus");
  for (const auto& [caption, shown] : {std::make_pair("Last action:", result_), std::make_pair("Reader:", readerStatus_)}) {
    auto* label = new QLabel(QString::fromLatin1(caption), this);
    NameValueLabel(shown, label);
    lines->addWidget(label);
    lines->addWidget(shown, 1);
  }

  // Wide and low: it fits under the main window on a 1280x1024 screen.
  auto* layout = new QVBoxLayout(this);
  auto* boxes = new QHBoxLayout;
  boxes->addWidget(stateBox);
  boxes->addWidget(cardBox, 0, Qt::AlignTop);
  boxes->addWidget(faultBox, 0, Qt::AlignTop);
  boxes->addWidget(motionBox, 0, Qt::AlignTop);
  layout->addLayout(boxes);
  layout->addLayout(lines);
  layout->addStretch(1);

  connect(chipKind_, &QComboBox::currentTextChanged, this, &SimControlWindow::chooseChip);
  connect(rfKind_, &QComboBox::currentTextChanged, this, &SimControlWindow::chooseRfCard);
  connect(insert, &QPushButton::clicked, this, &SimControlWindow::insertCard);
  connect(remove, &QPushButton::clicked, this, &SimControlWindow::removeCard);
  connect(apply, &QPushButton::clicked, this, &SimControlWindow::applyFault);
  connect(clear, &QPushButton::clicked, this, &SimControlWindow::clearFault);
  connect(applyMotion, &QPushButton::clicked, this, &SimControlWindow::applyMotion);
  connect(stackerCards_, &QSpinBox::valueChanged, this, &SimControlWindow::fillStacker);
  connect(faultKind_, &QComboBox::currentIndexChanged, this, [this] {
    negativeCode_->setEnabled(faultKind_->currentData().toInt() == static_cast<int>(sim::FaultKind::Negative));
  });
  negativeCode_->setEnabled(false);

  timer_ = new QTimer(this);
  timer_->setInterval(250);
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
    if (f.kind != sim::FaultKind::None) text += f.once ? QStringLiteral(" (once)") : QStringLiteral(" (always)");
    ShowValue(fault_, text);
    ShowValue(moves_, QString::number(r.motionsMade()));
    // The status line follows the reader: each command it answers replaces it.
    if (r.commandsSeen() != commandsShown_) {
      commandsShown_ = r.commandsSeen();
      const sim::Reader::LastCommand& c = r.lastCommand();
      showLine(readerStatus_, commandsShown_ == 0
                                  ? QStringLiteral("no command yet")
                                  : lastCommandText(c.cm, c.pm, c.positive, QString::fromStdString(c.error),
                                                    c.fault == sim::FaultKind::None
                                                        ? QString()
                                                        : QString::fromLatin1(sim::faultName(c.fault))) +
                                        QStringLiteral("; card ") + positionText(r));
    }
  });
}

QString SimControlWindow::lastCommandText(uint8_t cm, uint8_t pm, bool positive, const QString& error,
                                          const QString& fault) {
  QString text = QStringLiteral("%1 (%2h %3h)").arg(commandName(cm, pm), HexByte(cm), HexByte(pm));
  if (!fault.isEmpty()) return text + QStringLiteral(": met the fault ") + fault;
  if (positive) return text + QStringLiteral(": positive reply");
  const auto known = NegativeReplyText(error);
  return text + QStringLiteral(": negative reply %1").arg(error) +
         (known ? QStringLiteral(" (%1)").arg(*known) : QString());
}

void SimControlWindow::fixWidth(QLabel* label, const QStringList& texts) {
  int widest = 0;
  for (const QString& t : texts) widest = std::max(widest, label->fontMetrics().horizontalAdvance(t));
  label->setFixedWidth(widest + 4);
}

void SimControlWindow::applyMotion() {
  sim::Reader::Motion m;
  m.motionMs = motionMs_->value();
  m.wearMsPer1000 = wearMs_->value();
  m.jamRate = jamRate_->value() / 100.0;
  m.seed = static_cast<uint32_t>(seed_->value());
  host_.withReader([&](sim::Reader& r) { r.setMotion(m); });
  showLine(result_, QStringLiteral("Moves take %1 ms, %2 ms more every 1,000 moves; %3 % of them jam.")
                        .arg(m.motionMs)
                        .arg(m.wearMsPer1000)
                        .arg(jamRate_->value()));
  refresh();
}

void SimControlWindow::fillStacker(int cards) {
  host_.withReader([cards](sim::Reader& r) { r.setStackerCards(cards); });
  showLine(result_, QStringLiteral("The stacker now holds %1 cards.").arg(cards));
  refresh();
}

void SimControlWindow::chooseChip(const QString& kind) {
  host_.withReader([&](sim::Reader& r) { sim::setContactCardKind(r.state(), kind.toStdString()); });
  showLine(result_, QStringLiteral("The card now carries a fresh %1 chip, as will every card that enters.").arg(kind));
}

void SimControlWindow::chooseRfCard(const QString& kind) {
  host_.withReader([&](sim::Reader& r) { sim::setRfCardKind(r.state(), kind.toStdString()); });
  showLine(result_, 
      QStringLiteral("The card now carries a fresh %1 contactless side, as will every card that enters.").arg(kind));
}

void SimControlWindow::insertCard() {
  bool ok = false;
  host_.withReader([&](sim::Reader& r) { ok = r.insertCard(); });
  showLine(result_, ok ? QStringLiteral("Card inserted at the front gate.")
                      : QStringLiteral("No card inserted: entry is prohibited or the channel is busy."));
  refresh();
}

void SimControlWindow::removeCard() {
  bool taken = false, pulled = false;
  host_.withReader([&](sim::Reader& r) {
    taken = r.removeCard();
    if (!taken) pulled = r.pullCard();
  });
  showLine(result_, taken    ? QStringLiteral("Card taken from the front gate.")
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
      showLine(result_, QStringLiteral("The negative code needs two characters."));
      return;
    }
    f.negativeCode = code.toStdString();
  }
  host_.withReader([&](sim::Reader& r) { r.setFault(f); });
  showLine(result_, QStringLiteral("Fault set: ") + faultKind_->currentText());
  refresh();
}

void SimControlWindow::clearFault() {
  host_.withReader([](sim::Reader& r) { r.clearFault(); });
  showLine(result_, QStringLiteral("Fault cleared."));
  refresh();
}

}  // namespace kvt
