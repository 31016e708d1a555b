// SPDX-License-Identifier: MIT
// The two pages of "MIFARE": "S50/S70" (keys, one block, purses) and "Ultralight".
#include <QComboBox>
#include <QPlainTextEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextDocument>
#include <QVBoxLayout>

#include "core/base/conversions.h"
#include "core/rf/mifare_ops.h"
#include "core/rf/ultralight_ops.h"
#include "gui/dump/card_page_host.h"
#include "gui/dump/card_file_buttons.h"
#include "gui/widgets/hex_grid.h"
#include "gui/widgets/key_filters.h"
#include "gui/widgets/named_widgets.h"
#include "rf_card_page.h"

namespace kvt {

namespace {

// The default of SRFPASSWORDLIST: the transport key of new Mifare cards.
const QStringList kTransportKey = {"FF", "FF", "FF", "FF", "FF", "FF"};

}  // namespace

int RfCardPage::sector() const { return SecNumberCombo->currentIndex(); }

QWidget* RfCardPage::buildS50Page() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("S50S70Page"));
  QVBoxLayout* layout = serialNumberPage(page, "RFmessageLabel", &RFmessageLabel);

  // Keys.
  const QString keyCaption = QStringLiteral("Password operation commands");
  auto* keys = NamedFrame(page, "RfPasswordFrame", keyCaption);
  auto* keyForm = new QGridLayout(keys);
  SecNumberCombo = labelledCombo(keys, keyForm, "SecNumberCombo", QStringLiteral("The current number of sectors"));
  RfKeyAB1 = new QRadioButton(QStringLiteral("KEY A"), keys);
  RfKeyAB1->setObjectName(QStringLiteral("RfKeyAB1"));
  RfKeyAB1->setAccessibleName(RfKeyAB1->text());
  RfKeyAB1->setChecked(true);
  RfKeyAB2 = new QRadioButton(QStringLiteral("KEY B"), keys);
  RfKeyAB2->setObjectName(QStringLiteral("RfKeyAB2"));
  RfKeyAB2->setAccessibleName(RfKeyAB2->text());
  auto* keyTypes = new QHBoxLayout;
  keyTypes->addWidget(RfKeyAB1);
  keyTypes->addWidget(RfKeyAB2);
  keyTypes->addStretch(1);
  keyForm->addLayout(keyTypes, keyForm->rowCount() - 1, 2);  // beside the sector list
  const QString keyLabelText = QStringLiteral("Sector password");
  auto* keyLabel = new QLabel(keyLabelText, keys);
  SRFPASSWORDLIST = new HexGrid({QStringLiteral("SRFPASSWORDLIST"), keyLabelText, kRfKeyBytes, kRfKeyBytes, {}, {}, 0,
                                 kTransportKey},
                                keys);
  keyLabel->setBuddy(SRFPASSWORDLIST->cell(0));
  const int keyRow = keyForm->rowCount();
  keyForm->addWidget(keyLabel, keyRow, 0);
  keyForm->addWidget(SRFPASSWORDLIST, keyRow, 1);
  auto* keyButtons = new QGridLayout;
  const struct {
    const char* name;
    const char* caption;
    MifareKeyOp op;
  } keyOps[] = {
      {"StoreKeyToEEBtn", "Download password to EEPROM", MifareKeyOp::Download},
      {"ReadKeyFromEEBtn", "Load password from the EEPROM", MifareKeyOp::Load},
      {"RFCheckPasswordBtn", "Check password", MifareKeyOp::Check},
      {"RFChangePasswordBtn", "Change Password", MifareKeyOp::Change},
  };
  for (const auto& k : keyOps) {
    auto* b = NamedButton(keys, k.name, QString::fromLatin1(k.caption));
    keyButtons->addWidget(b, 0, keyButtons->count());  // one row: room for the access conditions below
    const MifareKeyOp op = k.op;
    connect(b, &QPushButton::clicked, this, [this, op] {
      const Outcome o = busy<Outcome>([&] {
        return MifareKey(window_.session(), address(), op, sector(), !RfKeyAB1->isChecked(),
                         SRFPASSWORDLIST->texts());
      });
      Present(window_.session().notifier, o);
    });
  }
  keyForm->addLayout(keyButtons, keyForm->rowCount(), 0, 1, 3);
  keyForm->setColumnStretch(2, 1);
  layout->addWidget(keys);

  // One block.
  const QString dataCaption = QStringLiteral("Read / Write RF Card Data");
  auto* data = NamedFrame(page, "RfCardDataFrame", dataCaption);
  auto* dataLayout = new QVBoxLayout(data);
  auto* blockForm = new QGridLayout;
  BlockNumberCombo = labelledCombo(data, blockForm, "BlockNumberCombo", QStringLiteral("Start Block"));
  BlockLongCombo = labelledCombo(data, blockForm, "BlockLongCombo", QStringLiteral("Block Numbers"));
  // What a trailer read from the card allows, beside the block lists (filled when a trailer
  // block is read; the whole text is also the box's tooltip).
  auto* accessLabel = new QLabel(QStringLiteral("Access conditions"), data);
  AccessConditionsText = new QPlainTextEdit(data);
  AccessConditionsText->setObjectName(QStringLiteral("AccessConditionsText"));
  AccessConditionsText->setAccessibleName(accessLabel->text());
  AccessConditionsText->setReadOnly(true);
  AccessConditionsText->setLineWrapMode(QPlainTextEdit::NoWrap);
  // Tall enough for every line of a decoded trailer (three block lines, the trailer, the
  // key B note, the lock line and the verdict) and a horizontal scroll bar; wider lines
  // scroll sideways.
  const int lines = 7;
  AccessConditionsText->setMinimumHeight(AccessConditionsText->fontMetrics().lineSpacing() * lines +
                                         AccessConditionsText->horizontalScrollBar()->sizeHint().height() +
                                         2 * AccessConditionsText->frameWidth() +
                                         2 * static_cast<int>(AccessConditionsText->document()->documentMargin()) + 4);
  accessLabel->setBuddy(AccessConditionsText);
  auto* access = new QVBoxLayout;
  access->setSpacing(0);
  access->addWidget(accessLabel);
  access->addWidget(AccessConditionsText, 1);
  blockForm->addLayout(access, 0, 2, 2, 1);
  blockForm->setColumnStretch(2, 1);
  dataLayout->addLayout(blockForm);
  SRFTextLIST = new HexGrid({QStringLiteral("SRFTextLIST"), dataCaption, kRfBlockBytes, kRfBlockBytes,
                             {QStringLiteral("00")}, HexLabels(kRfBlockBytes), 0, {}},
                            data);
  dataLayout->addWidget(SRFTextLIST);
  auto* dataButtons = new QHBoxLayout;
  auto* read = NamedButton(data, "RFreadBtn", QStringLiteral("Read Block Data"));
  auto* write = NamedButton(data, "RFwriteBtn", QStringLiteral("Write Block Data"));
  dataButtons->addWidget(read);
  dataButtons->addWidget(write);
  dataButtons->addStretch(1);
  // The whole card to a file and back, beside the one-block buttons.
  auto* dump = NamedButton(data, "MifareDumpBtn", QStringLiteral("Dump Card..."));
  auto* restore = NamedButton(data, "MifareRestoreBtn", QStringLiteral("Restore Card..."));
  dataButtons->addWidget(dump);
  dataButtons->addWidget(restore);
  dataLayout->addLayout(dataButtons);
  connect(dump, &QPushButton::clicked, this, [this] {
    DumpCardToFile(window_.cardFileContext(), mifareJob(), QStringLiteral("Dump Card"));
  });
  connect(restore, &QPushButton::clicked, this, [this] {
    // Whether to write the trailers is asked once the file has been read (Yes / No / Cancel).
    CardFileJob job = mifareJob();
    job.askTrailers = true;
    RestoreCardFromFile(window_.cardFileContext(), job, QStringLiteral("Restore Card"));
  });
  layout->addWidget(data);
  connect(read, &QPushButton::clicked, this, [this] {
    const BlockReadOutcome o = busy<BlockReadOutcome>([this] {
      return MifareReadBlock(window_.session(), address(), sector(), BlockNumberCombo->currentIndex(),
                             BlockLongCombo->currentIndex() + 1);
    });
    SRFTextLIST->fill(0, o.cells);
    if (!o.cells.isEmpty()) {
      const QString conditions = o.accessLines.join(QLatin1Char('\n'));
      AccessConditionsText->setPlainText(conditions);
      AccessConditionsText->setToolTip(conditions);
    }
    Present(window_.session().notifier, o);
  });
  connect(write, &QPushButton::clicked, this, [this] {
    const Outcome o = busy<Outcome>([this] {
      return MifareWriteBlock(window_.session(), address(), sector(), BlockNumberCombo->currentIndex(),
                              BlockLongCombo->currentIndex() + 1, SRFTextLIST->texts());
    });
    Present(window_.session().notifier, o);
  });

  // Purses.
  auto* purse = NamedFrame(page, "PurseFrame", QStringLiteral("PURSE COMMAND"));
  auto* purseForm = new QGridLayout(purse);
  PurseBlockCombbox = labelledCombo(purse, purseForm, "PurseBlockCombbox", QStringLiteral("Block Number(HEX)"));
  auto* valueLabel = new QLabel(QStringLiteral("value(DEC)"), purse);
  PurseValueText = new QLineEdit(QStringLiteral("0"), purse);
  PurseValueText->setObjectName(QStringLiteral("PurseValueText"));
  PurseValueText->setAccessibleName(valueLabel->text());
  PurseValueText->setMaxLength(10);
  new KeyFilter(PurseValueText, KeyFilter::Rule{KeyFilter::Charset::Decimal, false, 10});
  valueLabel->setBuddy(PurseValueText);
  const int valueRow = purseForm->rowCount();
  purseForm->addWidget(valueLabel, valueRow, 0);
  purseForm->addWidget(PurseValueText, valueRow, 1, Qt::AlignLeft);
  auto* purseButtons = new QHBoxLayout;
  const struct {
    const char* name;
    const char* caption;
    PurseOp op;
  } purseOps[] = {{"INITRFCmd", "Initialize", PurseOp::Initialize},
                  {"INCRFCmd", "Increment", PurseOp::Increment},
                  {"DECRFCmd", "Decrement", PurseOp::Decrement}};
  for (const auto& p : purseOps) {
    auto* b = NamedButton(purse, p.name, QString::fromLatin1(p.caption));
    purseButtons->addWidget(b);
    const PurseOp op = p.op;
    connect(b, &QPushButton::clicked, this, [this, op] {
      const Outcome o = busy<Outcome>([&] {
        return PurseChange(window_.session(), address(), op, sector(), PurseBlockCombbox->currentIndex(),
                           PurseValueText->text());
      });
      Present(window_.session().notifier, o);
    });
  }
  auto* readValue = NamedButton(purse, "ReadValueRfCmd", QStringLiteral("Read"));
  purseButtons->addWidget(readValue);
  purseButtons->addStretch(1);
  purseForm->addLayout(purseButtons, purseForm->rowCount(), 0, 1, 3);
  purseForm->setColumnStretch(2, 1);
  layout->addWidget(purse);
  layout->addStretch(1);
  connect(readValue, &QPushButton::clicked, this, [this] {
    const PurseReadOutcome o = busy<PurseReadOutcome>(
        [this] { return PurseRead(window_.session(), address(), sector(), PurseBlockCombbox->currentIndex()); });
    if (o.valueText) PurseValueText->setText(*o.valueText);
    Present(window_.session().notifier, o);
  });
  return page;
}

CardFileJob RfCardPage::mifareJob() const {
  // The key in "Sector password" is tried first, then the well-known ones.
  CardFileJob job;
  job.family = CardFamily::Mifare;
  if (const auto key = ParseHexText(SRFPASSWORDLIST->texts().join(QString())); key && key->size() == kRfKeyBytes)
    job.keys = MergeKeys(std::vector<MifareKey6>{*key}, DefaultMifareKeys());
  return job;
}

QWidget* RfCardPage::buildUltralightPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("UltralightPage"));
  QVBoxLayout* layout = serialNumberPage(page, "ULRFmessage", &ULRFmessage);

  const QString dataCaption = QStringLiteral("UL Card Data ");
  auto* data = NamedFrame(page, "UlCardDataFrame", dataCaption);
  auto* dataLayout = new QHBoxLayout(data);
  ULTextLIST = new HexGrid({QStringLiteral("ULTextLIST"), dataCaption, kUltralightPageBytes, kUltralightPageBytes, {},
                            HexLabels(kUltralightPageBytes), 0, {}},
                           data);
  dataLayout->addWidget(ULTextLIST);
  layout->addWidget(data);

  auto* command = NamedFrame(page, "UlCardCommandFrame", QStringLiteral("UL Card Command"));
  auto* form = new QGridLayout(command);
  ULSecNumberCombo = labelledCombo(command, form, "ULSecNumberCombo", QStringLiteral("Block"));
  auto* read = NamedButton(command, "ULCmdRread", QStringLiteral("Read Block Data"));
  auto* write = NamedButton(command, "ULCmdRwrite", QStringLiteral("Write Block Data"));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(read);
  buttons->addWidget(write);
  buttons->addStretch(1);
  auto* dump = NamedButton(command, "UltralightDumpBtn", QStringLiteral("Dump Card..."));
  auto* restore = NamedButton(command, "UltralightRestoreBtn", QStringLiteral("Restore Card..."));
  buttons->addWidget(dump);
  buttons->addWidget(restore);
  form->addLayout(buttons, form->rowCount(), 0, 1, 3);
  for (QPushButton* b : {dump, restore}) {
    connect(b, &QPushButton::clicked, this, [this, b, dump] {
      CardFileJob job;
      job.family = CardFamily::Ultralight;
      if (b == dump) DumpCardToFile(window_.cardFileContext(), job, QStringLiteral("Dump Card"));
      else RestoreCardFromFile(window_.cardFileContext(), job, QStringLiteral("Restore Card"));
    });
  }
  form->setColumnStretch(2, 1);
  layout->addWidget(command);
  layout->addStretch(1);

  connect(read, &QPushButton::clicked, this, [this] {
    const PageReadOutcome o = busy<PageReadOutcome>(
        [this] { return UltralightRead(window_.session(), address(), ULSecNumberCombo->currentIndex()); });
    ULTextLIST->fill(0, o.cells);
    Present(window_.session().notifier, o);
  });
  connect(write, &QPushButton::clicked, this, [this] {
    const Outcome o = busy<Outcome>([this] {
      return UltralightWrite(window_.session(), address(), ULSecNumberCombo->currentIndex(), ULTextLIST->texts());
    });
    Present(window_.session().notifier, o);
  });
  return page;
}

}  // namespace kvt
