// SPDX-License-Identifier: MIT
#include "rf_card_page.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/base/conversions.h"
#include "core/insight/shown_text.h"
#include "core/rf/rf_activation_ops.h"
#include "gui/dump/card_page_host.h"
#include "gui/widgets/decoding_box.h"
#include "gui/widgets/key_filters.h"
#include "gui/widgets/named_widgets.h"
#include "gui/widgets/value_label.h"

namespace kvt {

const QString RfCardPage::kCaption = QStringLiteral("RF CARD");

RfCardPage::RfCardPage(CardPageHost& window, QWidget* parent) : QWidget(parent), window_(window) {
  setObjectName(QStringLiteral("RfCardPage"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(buildActivationRow());

  SSTab4 = new QTabWidget;
  SSTab4->setObjectName(QStringLiteral("SSTab4"));
  SSTab4->setAccessibleName(QStringLiteral("MIFARE"));
  const struct {
    QWidget* page;
    const char* caption;
  } mifare[] = {{buildS50Page(), "S50/S70"}, {buildUltralightPage(), "Ultralight"}};
  for (const auto& p : mifare) {
    p.page->setAccessibleName(QString::fromLatin1(p.caption));
    SSTab4->addTab(p.page, QString::fromLatin1(p.caption));
  }

  SSTab3 = new QTabWidget(this);
  SSTab3->setObjectName(QStringLiteral("SSTab3"));
  SSTab3->setAccessibleName(kCaption);
  auto* mifarePage = new QWidget;
  mifarePage->setObjectName(QStringLiteral("MifarePage"));
  auto* mifareLayout = new QVBoxLayout(mifarePage);
  mifareLayout->addWidget(SSTab4);
  const struct {
    QWidget* page;
    const char* caption;
  } pages[] = {{mifarePage, "MIFARE"},
               {buildCpuPage(IsoType::A), "ISO/IEC 14443 TYPE A"},
               {buildCpuPage(IsoType::B), "ISO/IEC 14443 TYPE B"}};
  for (const auto& p : pages) {
    p.page->setAccessibleName(QString::fromLatin1(p.caption));
    SSTab3->addTab(p.page, QString::fromLatin1(p.caption));
  }
  layout->addWidget(SSTab3, 1);
}

QString RfCardPage::address() const { return window_.deviceAddress(); }

QComboBox* RfCardPage::labelledCombo(QWidget* parent, QGridLayout* form, const char* name, const QString& label) {
  const int row = form->rowCount();
  auto* caption = new QLabel(label, parent);
  auto* combo = new QComboBox(parent);
  combo->setObjectName(QString::fromLatin1(name));
  combo->setAccessibleName(label);
  combo->setAccessibleDescription(label);
  caption->setBuddy(combo);
  form->addWidget(caption, row, 0);
  form->addWidget(combo, row, 1, Qt::AlignLeft);
  return combo;
}

QLabel* RfCardPage::serialNumberRow(QWidget* parent, QGridLayout* form, const char* name) {
  const int row = form->rowCount();
  auto* caption = new QLabel(QStringLiteral("Card SN"), parent);
  auto* value = new QLabel(parent);
  value->setObjectName(QString::fromLatin1(name));
  NameValueLabel(value, caption);
  value->setTextInteractionFlags(Qt::TextSelectableByMouse);
  value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("00000000000000")) + 8);
  value->setFrameShape(QFrame::Panel);
  value->setFrameShadow(QFrame::Sunken);
  form->addWidget(caption, row, 0);
  form->addWidget(value, row, 1, Qt::AlignLeft);
  return value;
}

QVBoxLayout* RfCardPage::serialNumberPage(QWidget* page, const char* name, QLabel** serialNumber) {
  auto* layout = new QVBoxLayout(page);
  auto* top = new QGridLayout;
  *serialNumber = serialNumberRow(page, top, name);
  top->setColumnStretch(2, 1);
  layout->addLayout(top);
  return layout;
}

QWidget* RfCardPage::buildActivationRow() {
  auto* row = new QWidget(this);
  row->setObjectName(QStringLiteral("RfActivationRow"));
  auto* l = new QHBoxLayout(row);
  l->setContentsMargins(0, 0, 0, 0);
  auto* up = NamedButton(row, "RFCardUPBtn", QStringLiteral("Activate"));
  auto* status = NamedButton(row, "RFCardStatusBtn", QStringLiteral("Inquire Status"));
  auto* down = NamedButton(row, "RFCardDownBtn", QStringLiteral("Deactivate"));
  auto* orderLabel = new QLabel(QStringLiteral("By activation order"), row);
  RFCardUPCombbox = new QComboBox(row);
  RFCardUPCombbox->setObjectName(QStringLiteral("RFCardUPCombbox"));
  RFCardUPCombbox->setAccessibleName(orderLabel->text());
  RFCardUPCombbox->setAccessibleDescription(orderLabel->text());
  RFCardUPCombbox->addItems(RfActivationOrders());
  orderLabel->setBuddy(RFCardUPCombbox);
  for (QWidget* w : {static_cast<QWidget*>(up), static_cast<QWidget*>(status), static_cast<QWidget*>(down),
                     static_cast<QWidget*>(orderLabel), static_cast<QWidget*>(RFCardUPCombbox)})
    l->addWidget(w);
  l->addStretch(1);

  connect(up, &QPushButton::clicked, this, &RfCardPage::activate);
  connect(status, &QPushButton::clicked, this, [this] {
    const Outcome o = busy<Outcome>([this] { return RfInquireStatus(window_.session(), address()); });
    Present(window_.session().notifier, o);
  });
  connect(down, &QPushButton::clicked, this, [this] {
    const Outcome o = busy<Outcome>([this] { return RfDeactivate(window_.session(), address()); });
    Present(window_.session().notifier, o);
  });
  return row;
}

void RfCardPage::showPage(RfPage page) {
  window_.showPage(this);
  SSTab3->setCurrentIndex(RfOuterPage(page));
  if (const auto mifare = RfMifarePage(page)) SSTab4->setCurrentIndex(*mifare);
}

void RfCardPage::loadBlockLists() {
  const auto fill = [](QComboBox* combo, int count, int selected) {
    combo->clear();
    for (int i = 0; i < count; ++i) combo->addItem(DoubleType(QString::number(i, 16).toUpper()));
    combo->setCurrentIndex(selected);
  };
  fill(SecNumberCombo, 40, 1);
  fill(BlockNumberCombo, 16, 0);
  BlockLongCombo->clear();
  BlockLongCombo->addItem(QStringLiteral("01"));
  BlockLongCombo->setCurrentIndex(0);
  fill(PurseBlockCombbox, 16, 0);
  fill(ULSecNumberCombo, 16, 4);
}

void RfCardPage::loadActivationOrder() { RFCardUPCombbox->setCurrentIndex(0); }

void RfCardPage::detectCardType() {
  const RfTypeOutcome o = busy<RfTypeOutcome>([this] { return RfCardType(window_.session(), address()); });
  if (o.page) showPage(*o.page);
  Present(window_.session().notifier, o);
}

void RfCardPage::activate() {
  const ActivateOutcome o =
      busy<ActivateOutcome>([this] { return RfActivate(window_.session(), address(), RFCardUPCombbox->currentIndex()); });
  if (o.clearFields) {
    ShowValue(RFmessageLabel, o.mifareSn);
    ShowValue(ULRFmessage, o.ultralightSn);
    ShowValue(CPURFTypeAmessage, o.typeASn);
    ATRTypeAText->setText(o.typeAAnswer);
    const QString ats = insight::AtsDecodingText(o.typeAAnswer);
    TypeAAtsDecoding->showText(ats, false);  // the main window keeps its size: the page's room
    ATRTypeAText->setToolTip(ats);
    ATRTypeBText->setText(o.typeBAnswer);
  }
  if (o.page) showPage(*o.page);
  Present(window_.session().notifier, o);
}

QWidget* RfCardPage::buildCpuPage(IsoType type) {
  const bool a = type == IsoType::A;
  auto* page = new QWidget;
  page->setObjectName(a ? QStringLiteral("TypeAPage") : QStringLiteral("TypeBPage"));
  auto* layout = new QVBoxLayout(page);

  auto* top = new QGridLayout;
  if (a) CPURFTypeAmessage = serialNumberRow(page, top, "CPURFTypeAmessage");
  auto* atrLabel = new QLabel(QStringLiteral("ATR Information"), page);
  auto* atr = new QLineEdit(page);
  atr->setObjectName(a ? QStringLiteral("ATRTypeAText") : QStringLiteral("ATRTypeBText"));
  atr->setAccessibleName(atrLabel->text());
  atr->setReadOnly(true);
  atrLabel->setBuddy(atr);
  const int atrRow = top->rowCount();
  top->addWidget(atrLabel, atrRow, 0);
  top->addWidget(atr, atrRow, 1);
  if (a) {  // Beside the answer to select: what it says (ISO/IEC 14443-4).
    auto* decodingLabel = new QLabel(QStringLiteral("ATS decoding"), page);
    TypeAAtsDecoding = new DecodingBox(4, page);
    TypeAAtsDecoding->setObjectName(QStringLiteral("TypeAAtsDecoding"));
    TypeAAtsDecoding->setAccessibleName(decodingLabel->text());
    decodingLabel->setBuddy(TypeAAtsDecoding);
    top->addWidget(decodingLabel, atrRow + 1, 0, Qt::AlignTop);
    top->addWidget(TypeAAtsDecoding, atrRow + 1, 1);
  }
  layout->addLayout(top);
  (a ? ATRTypeAText : ATRTypeBText) = atr;

  const QString caption = a ? QStringLiteral("CPU Card(TYPE A)") : QStringLiteral("CPU Card(TYPE B)");
  auto* frame = new QGroupBox(caption, page);
  frame->setObjectName(a ? QStringLiteral("TypeACpuFrame") : QStringLiteral("TypeBCpuFrame"));
  frame->setAccessibleName(caption);
  auto* form = new QGridLayout(frame);
  auto* apduLabel = new QLabel(QStringLiteral("APDU Command"), frame);
  auto* apdu = new QComboBox(frame);
  apdu->setObjectName(a ? QStringLiteral("TypeACAPDUText") : QStringLiteral("TypeBCAPDUText"));
  MakeTypedTextCombo(apdu);
  apdu->addItems(IsoApduEntries());
  apdu->setEditText(kDefaultIsoApdu);
  apdu->setAccessibleName(apduLabel->text());
  apdu->setAccessibleDescription(apduLabel->text());
  apdu->setMinimumContentsLength(40);
  InstallHexFilter(apdu->lineEdit(), 0, true);
  apduLabel->setBuddy(apdu);
  auto* backLabel = new QLabel(QStringLiteral("Return Information"), frame);
  auto* back = new QLineEdit(frame);
  back->setObjectName(a ? QStringLiteral("TypeARAPDUText") : QStringLiteral("TypeBRAPDUText"));
  back->setAccessibleName(backLabel->text());
  backLabel->setBuddy(back);
  auto* send = NamedButton(frame, a ? "SendTypeACmd" : "SendTypeBCmd", QStringLiteral("Send APDU"));
  form->addWidget(apduLabel, 0, 0);
  form->addWidget(apdu, 0, 1);
  form->addWidget(backLabel, 1, 0);
  form->addWidget(back, 1, 1);
  form->addWidget(send, 2, 1, Qt::AlignLeft);
  // Beside the response: what its status word means.
  auto* swLabel = new QLabel(QStringLiteral("Status word:"), frame);
  auto* sw = new QLabel(frame);
  sw->setObjectName(a ? QStringLiteral("TypeASwMeaning") : QStringLiteral("TypeBSwMeaning"));
  sw->setTextInteractionFlags(Qt::TextSelectableByMouse);
  NameValueLabel(sw, swLabel);
  form->addWidget(swLabel, 3, 0);
  form->addWidget(sw, 3, 1);
  (a ? TypeASwMeaning : TypeBSwMeaning) = sw;
  layout->addWidget(frame);
  layout->addStretch(1);
  (a ? TypeACAPDUText : TypeBCAPDUText) = apdu;
  (a ? TypeARAPDUText : TypeBRAPDUText) = back;
  connect(send, &QPushButton::clicked, this, [this, type] { sendApdu(type); });
  return page;
}

void RfCardPage::sendApdu(IsoType type) {
  QComboBox* apdu = type == IsoType::A ? TypeACAPDUText : TypeBCAPDUText;
  QLineEdit* back = type == IsoType::A ? TypeARAPDUText : TypeBRAPDUText;
  const IsoApduOutcome o = busy<IsoApduOutcome>(
      [&] { return SendIsoApdu(window_.session(), address(), type, apdu->currentText()); });
  if (o.clearResponse) {
    back->setText(o.response);
    const QString sw = insight::ResponseSwText(o.response);
    ShowValue(type == IsoType::A ? TypeASwMeaning : TypeBSwMeaning, sw);
    back->setToolTip(sw);
  }
  Present(window_.session().notifier, o);
}

}  // namespace kvt
