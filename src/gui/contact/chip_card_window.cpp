// SPDX-License-Identifier: MIT
#include "chip_card_window.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/insight/shown_text.h"
#include "gui/widgets/busy_cursor.h"
#include "gui/widgets/decoding_box.h"
#include "gui/widgets/key_filters.h"
#include "gui/widgets/named_widgets.h"
#include "gui/widgets/value_label.h"

namespace kvt {

namespace {

QPlainTextEdit* textBox(QWidget* parent, const char* name, const QString& label, int lines) {
  auto* box = new QPlainTextEdit(parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setAccessibleName(label);
  box->setReadOnly(true);
  box->setFixedHeight(box->fontMetrics().lineSpacing() * lines + 12);
  return box;
}

}  // namespace

ChipCardWindow::ChipCardWindow(Session& session, std::function<QString()> address, ChipGroup group,
                               const Names& names, const QStringList& apduEntries, QWidget* parent)
    : QDialog(parent), session_(session), address_(std::move(address)), group_(group) {
  setObjectName(QString::fromLatin1(names.window));
  setWindowTitle(QString::fromLatin1(names.title));
  setModal(true);
  top_ = new QVBoxLayout(this);

  const QString optionCaption = QStringLiteral("Cold Reset Option");
  auto* frame = new QGroupBox(optionCaption, this);
  frame->setObjectName(QStringLiteral("Frame1"));
  frame->setAccessibleName(optionCaption);
  auto* frameLayout = new QVBoxLayout(frame);
  const QString profileCaptions[2] = {QStringLiteral("VCC=5V with the EMV2000 ver4.0"),
                                      QStringLiteral("VCC=5V with the ISO/IEC7816-3")};
  for (int i = 0; i < 2; ++i) {
    profiles_[i] = new QRadioButton(profileCaptions[i], frame);
    profiles_[i]->setObjectName(QStringLiteral("%1_%2").arg(QString::fromLatin1(names.profileOption)).arg(i));
    profiles_[i]->setAccessibleName(profileCaptions[i]);
    frameLayout->addWidget(profiles_[i]);
  }
  profiles_[0]->setChecked(true);
  top_->addWidget(frame);

  auto* buttons = new QGridLayout;
  const Names n = names;
  connect(addButton(buttons, n.coldReset, QStringLiteral("Cold Reset"), 0, 0), &QPushButton::clicked, this,
          [this] { run([this] { return ColdReset(session_, address_(), group_, profile()); }); });
  connect(addButton(buttons, n.warmReset, QStringLiteral("Warm Reset"), 0, 1), &QPushButton::clicked, this,
          [this] { run([this] { return WarmReset(session_, address_(), group_); }); });
  connect(addButton(buttons, "CheckStatusBtn", QStringLiteral("Card Status"), 0, 2), &QPushButton::clicked, this,
          [this] {
            run([this] {
              ChipOutcome o;
              static_cast<Outcome&>(o) = ChipCardStatus(session_, address_(), group_);
              return o;
            });
          });
  connect(addButton(buttons, n.deactivate, QStringLiteral("Deactivate"), 0, 3), &QPushButton::clicked, this,
          [this] {
            run([this] {
              ChipOutcome o;
              static_cast<Outcome&>(o) = ChipDeactivate(session_, address_(), group_);
              return o;
            });
          });
  connect(addButton(buttons, "BackCmd", QStringLiteral("Cancel"), 0, 4), &QPushButton::clicked, this,
          &QDialog::reject);
  top_->addLayout(buttons);

  auto* atrLabel = new QLabel(QStringLiteral("ATR Information"), this);
  ResetTextBack = textBox(this, "ResetTextBack", atrLabel->text(), 2);
  atrLabel->setBuddy(ResetTextBack);
  top_->addWidget(atrLabel);
  top_->addWidget(ResetTextBack);
  // Beside the answer to reset: what it says (ISO/IEC 7816-3).
  auto* decodingLabel = new QLabel(QStringLiteral("ATR decoding"), this);
  AtrDecoding = new DecodingBox(4, this);
  AtrDecoding->setObjectName(QStringLiteral("AtrDecoding"));
  AtrDecoding->setAccessibleName(decodingLabel->text());
  decodingLabel->setBuddy(AtrDecoding);
  top_->addWidget(decodingLabel);
  top_->addWidget(AtrDecoding);

  apduRow_ = new QGridLayout;
  auto* apduLabel = new QLabel(QStringLiteral("APDU Command"), this);
  CmdText = new QComboBox(this);
  CmdText->setObjectName(QStringLiteral("CmdText"));
  MakeTypedTextCombo(CmdText);
  CmdText->addItems(apduEntries);
  CmdText->setEditText(QStringLiteral("00A40000023F00"));
  CmdText->setAccessibleName(apduLabel->text());
  CmdText->setAccessibleDescription(apduLabel->text());
  CmdText->setMinimumContentsLength(40);
  InstallHexFilter(CmdText->lineEdit(), 0, true);
  apduLabel->setBuddy(CmdText);
  apduRow_->addWidget(apduLabel, 1, 0);
  apduRow_->addWidget(CmdText, 1, 1);
  connect(addButton(apduRow_, n.send, QStringLiteral("Send APDU"), 1, 2), &QPushButton::clicked, this, [this] {
    run([this] { return SendApdu(session_, address_(), group_, protocol(), CmdText->currentText()); });
  });
  top_->addLayout(apduRow_);

  auto* backLabel = new QLabel(QStringLiteral("Return Information"), this);
  BackText = textBox(this, "BackText", backLabel->text(), 4);
  backLabel->setBuddy(BackText);
  top_->addWidget(backLabel);
  top_->addWidget(BackText);
  // Beside the response: what its status word means.
  auto* swLabel = new QLabel(QStringLiteral("Status word:"), this);
  SwMeaning = new QLabel(this);
  SwMeaning->setObjectName(QStringLiteral("SwMeaning"));
  SwMeaning->setTextInteractionFlags(Qt::TextSelectableByMouse);
  NameValueLabel(SwMeaning, swLabel);
  auto* swRow = new QHBoxLayout;
  swRow->addWidget(swLabel);
  swRow->addWidget(SwMeaning, 1);
  top_->addLayout(swRow);
}

QPushButton* ChipCardWindow::addButton(QGridLayout* layout, const char* name, const QString& caption, int row,
                                       int column) {
  QPushButton* b = NamedPlainButton(this, name, caption);
  layout->addWidget(b, row, column);
  return b;
}

SupplyProfile ChipCardWindow::profile() const {
  return profiles_[0]->isChecked() ? SupplyProfile::Emv2000 : SupplyProfile::Iso7816;
}

void ChipCardWindow::run(const std::function<ChipOutcome()>& op) {
  ChipOutcome o;
  {
    BusyCursor busy;
    o = op();
  }
  if (o.resetText) {
    ResetTextBack->setPlainText(*o.resetText);
    const QString decoding = insight::AtrDecodingText(*o.resetText);
    AtrDecoding->showText(decoding, true);
    ResetTextBack->setToolTip(decoding);
  }
  if (o.backText) {
    BackText->setPlainText(*o.backText);
    const QString sw = insight::ResponseSwText(*o.backText);
    ShowValue(SwMeaning, sw);
    BackText->setToolTip(sw);
  }
  Present(session_.notifier, o);
}

KVT_730_B_CPUCARD::KVT_730_B_CPUCARD(Session& session, std::function<QString()> address, QWidget* parent)
    : ChipCardWindow(session, std::move(address), ChipGroup::Cpu,
                     {"KVT_730_B_CPUCARD", "CPU Card", "CPUVCCOPTION", "CPUColdResetBtn", "CPUWarmResetBtn", "DownBtn",
                      "SendCmdBtn"},
                     CpuApduEntries(), parent) {
  // The three choices as one named group, so that a screen reader says what they choose.
  auto* group = NamedFrame(this, "ProtocolGroup", QStringLiteral("Protocol"));
  auto* row = new QHBoxLayout(group);
  const QString captions[3] = {QStringLiteral("T=0"), QStringLiteral("T=1"), QStringLiteral("auto")};
  for (int i = 0; i < 3; ++i) {
    protocols_[i] = new QRadioButton(captions[i], group);
    protocols_[i]->setObjectName(QStringLiteral("CardTypeOption_%1").arg(i));
    protocols_[i]->setAccessibleName(captions[i]);
    row->addWidget(protocols_[i]);
  }
  row->addStretch(1);
  protocols_[2]->setChecked(true);
  apduRow_->addWidget(group, 0, 1);
}

ApduProtocol KVT_730_B_CPUCARD::protocol() const {
  if (protocols_[0]->isChecked()) return ApduProtocol::T0;
  if (protocols_[1]->isChecked()) return ApduProtocol::T1;
  return ApduProtocol::Auto;
}

KVT_730_B_SimCard::KVT_730_B_SimCard(Session& session, std::function<QString()> address, QWidget* parent)
    : ChipCardWindow(session, std::move(address), ChipGroup::Sam,
                     {"KVT_730_B_SimCard", "SAM Card", "SAMVCCOPTION", "SimColdReset", "SimWarmReset", "Down",
                      "SendCmd"},
                     SamApduEntries(), parent) {
  auto* row = new QHBoxLayout;
  const QString label = QStringLiteral("SAM Number");
  SimNo1 = new QComboBox(this);
  SimNo1->setObjectName(QStringLiteral("SimNo1"));
  MakeTypedTextCombo(SimNo1);
  for (int n = 1; n <= 8; ++n) SimNo1->addItem(QStringLiteral("SAM %1").arg(n));
  SimNo1->setEditText(QStringLiteral("SAM 1"));
  SimNo1->setAccessibleName(label);
  SimNo1->setAccessibleDescription(label);
  auto* select = NamedPlainButton(this, "SelectSamCmd", QStringLiteral("Choose SAM"));
  connect(select, &QPushButton::clicked, this,
          [this] { run([this] { return ChooseSam(session_, address_(), SimNo1->currentText()); }); });
  row->addWidget(SimNo1);
  row->addWidget(select);
  row->addStretch(1);
  top_->insertLayout(0, row);
}

}  // namespace kvt
