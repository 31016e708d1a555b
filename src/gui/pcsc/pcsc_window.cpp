// SPDX-License-Identifier: MIT
#include "pcsc_window.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <functional>

#include "core/insight/atr.h"
#include "core/insight/status_words.h"
#include "gui/widgets/key_filters.h"
#include "gui/widgets/named_widgets.h"
#include "gui/widgets/value_label.h"

#include "gui/widgets/busy_cursor.h"
#include "gui/widgets/window_placement.h"

namespace kvt {

namespace {

QComboBox* combo(QWidget* parent, const char* objectName, const QString& frameCaption) {
  auto* c = new QComboBox(parent);
  c->setObjectName(QString::fromLatin1(objectName));
  c->setAccessibleName(frameCaption);
  c->setAccessibleDescription(frameCaption);
  return c;
}

}  // namespace

KVT_730_M_PCSCForm::KVT_730_M_PCSCForm(SmartCardService& service, Notifier& notifier, QWidget* parent)
    : QDialog(parent), service_(service), notifier_(notifier) {
  setObjectName(QStringLiteral("KVT_730_M_PCSCForm"));
  setWindowTitle(QStringLiteral("Smart Card Reader Operation window"));
  setModal(true);

  // Every service button: run the operation with the busy cursor, then show its lines.
  auto onClick = [this](QPushButton* b, std::function<pcsc::PcscOutcome()> op) {
    connect(b, &QPushButton::clicked, this, [this, op] {
      pcsc::PcscOutcome o;
      {
        BusyCursor busy;
        o = op();
      }
      apply(o);
    });
  };

  auto* column = new QVBoxLayout;
  auto* establishButton = NamedPlainButton(this, "CmdEstablish", QStringLiteral("Establish Context"));
  onClick(establishButton, [this] { return pcsc::EstablishContext(service_, state_); });

  const QString readerCaption = QStringLiteral("Smart Card Reader List");
  auto* readers = NamedFrame(this, "Frame1", readerCaption);
  auto* readersLayout = new QVBoxLayout(readers);
  auto* listButton = NamedPlainButton(readers, "CmdListReaders", QStringLiteral("Get Readers List"));
  ReaderList = combo(readers, "ReaderList", readerCaption);
  readersLayout->addWidget(listButton);
  readersLayout->addWidget(ReaderList);
  onClick(listButton, [this] { return pcsc::ListReaders(service_, state_); });

  auto* connectButton = NamedPlainButton(this, "CmdConnect", QStringLiteral("SCard Connect"));
  auto* beginButton = NamedPlainButton(this, "cmdBeginTransaction", QStringLiteral("SCard Begin Transaction"));
  auto* statusButton = NamedPlainButton(this, "cmdGetStatus", QStringLiteral("SCard Status"));
  onClick(connectButton, [this] { return pcsc::Connect(service_, state_, ReaderList->currentText()); });
  onClick(beginButton, [this] { return pcsc::BeginTransaction(service_, state_); });
  onClick(statusButton, [this] { return pcsc::Status(service_, state_); });

  const QString apduCaption = QStringLiteral("APDU Command String");
  auto* apdu = NamedFrame(this, "Frame2", apduCaption);
  auto* apduLayout = new QVBoxLayout(apdu);
  CmdText = combo(apdu, "CmdText", apduCaption);
  MakeTypedTextCombo(CmdText);
  CmdText->addItems(pcsc::ApduChoices());
  CmdText->setEditText(pcsc::ApduChoices().first());
  auto* transmitButton = NamedPlainButton(apdu, "cmdTransmit", QStringLiteral("SCard Transmit APDU"));
  apduLayout->addWidget(CmdText);
  apduLayout->addWidget(transmitButton);
  onClick(transmitButton, [this] { return pcsc::Transmit(service_, state_, CmdText->currentText()); });

  auto* endButton = NamedPlainButton(this, "cmdEndTransaction", QStringLiteral("SCard End Transaction"));
  auto* disconnectButton = NamedPlainButton(this, "cmdDisconnect", QStringLiteral("SCard Disconnect"));
  auto* releaseButton = NamedPlainButton(this, "cmdRelease", QStringLiteral("Release Context"));
  auto* exitButton = NamedPlainButton(this, "CmdExit", QStringLiteral("Return"));
  auto* clearButton = NamedPlainButton(this, "cmdClear", QStringLiteral("Clear"));
  onClick(endButton, [this] { return pcsc::EndTransaction(service_, state_); });
  onClick(disconnectButton, [this] { return pcsc::Disconnect(service_, state_); });
  onClick(releaseButton, [this] { return pcsc::ReleaseContext(service_, state_); });
  connect(exitButton, &QPushButton::clicked, this, &QDialog::reject);

  PCSCRESULT = new QListWidget(this);
  PCSCRESULT->setObjectName(QStringLiteral("PCSCRESULT"));
  PCSCRESULT->setAccessibleName(QStringLiteral("Result"));
  PCSCRESULT->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  connect(clearButton, &QPushButton::clicked, PCSCRESULT, &QListWidget::clear);

  column->addWidget(establishButton);
  column->addWidget(readers);
  column->addWidget(connectButton);
  column->addWidget(beginButton);
  column->addWidget(statusButton);
  column->addWidget(apdu);
  column->addWidget(endButton);
  column->addWidget(disconnectButton);
  column->addWidget(releaseButton);
  column->addSpacing(12);
  auto* bottomRow = new QHBoxLayout;
  bottomRow->addWidget(exitButton);
  bottomRow->addWidget(clearButton);
  column->addLayout(bottomRow);
  column->addStretch(1);

  auto* description = new QLabel(pcsc::DescriptionText(), this);
  description->setObjectName(QStringLiteral("Label1"));
  description->setWordWrap(true);

  auto* body = new QHBoxLayout;
  body->addLayout(column, 0);
  body->addWidget(PCSCRESULT, 1);
  auto* top = new QVBoxLayout(this);
  top->addLayout(body, 1);
  top->addWidget(description);
  auto* insightRow = new QHBoxLayout;
  auto* insightLabel = new QLabel(QStringLiteral("Meaning:"), this);
  InsightText = new QLabel(this);
  InsightText->setObjectName(QStringLiteral("InsightText"));
  InsightText->setTextInteractionFlags(Qt::TextSelectableByMouse);
  InsightText->setWordWrap(true);
  NameValueLabel(InsightText, insightLabel);
  insightRow->addWidget(insightLabel);
  insightRow->addWidget(InsightText, 1);
  top->insertLayout(1, insightRow);
  // Smaller than the main window, so that it opens centred over it.
  resize(900, 560);
  if (parent) CentreOver(*this, *parent->window());
}

KVT_730_M_PCSCForm::~KVT_730_M_PCSCForm() { unload(); }

void KVT_730_M_PCSCForm::apply(const pcsc::PcscOutcome& o) {
  if (o.readers) {
    ReaderList->clear();
    ReaderList->addItems(*o.readers);
    ReaderList->setCurrentIndex(o.readers->isEmpty() ? -1 : 0);
  }
  if (!o.lines.isEmpty()) {
    const int first = PCSCRESULT->count();
    PCSCRESULT->addItems(o.lines);
    // What the ATR, a response's status word or a failed call's code mean: the tooltip
    // (and accessible description) of their lines and the line under the list.
    QString note, summary;
    if (!o.atr.isEmpty()) {
      const QStringList lines = insight::AtrLines(o.atr);
      note = lines.join(QLatin1Char('\n'));
      static const QRegularExpression brief(QStringLiteral("^(Protocols|TCK|Known as|Error):"));
      summary = lines.filter(brief).join(QStringLiteral("; "));
    } else if (const auto sw = insight::ResponseSwLine(o.received)) {
      note = summary = *sw;
    } else if (o.called && o.result != 0) {
      note = summary = pcsc::ResultMeaning(o.result);
    }
    if (!note.isEmpty()) {
      for (int i = first; i < PCSCRESULT->count(); ++i) {
        PCSCRESULT->item(i)->setToolTip(note);
        PCSCRESULT->item(i)->setData(Qt::AccessibleDescriptionRole, note);  // screen readers get no tooltips
      }
      ShowValue(InsightText, summary);
    }
    PCSCRESULT->setCurrentRow(PCSCRESULT->count() - 1);
    PCSCRESULT->scrollToBottom();
  }
  if (o.message) notifier_.show(*o.message);
}

void KVT_730_M_PCSCForm::unload() {
  if (unloaded_) return;
  unloaded_ = true;
  pcsc::Unload(service_, state_);
}

void KVT_730_M_PCSCForm::done(int result) {
  unload();
  QDialog::done(result);
}

}  // namespace kvt
