// SPDX-License-Identifier: MIT
// The three memory-card pages of the "IC CARD" tab: SLE4442, SLE4428 and 24CXX.
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/contact/eeprom24_ops.h"
#include "core/contact/sle4428_ops.h"
#include "core/contact/sle4442_ops.h"
#include "gui/dump/card_page_host.h"
#include "gui/widgets/hex_grid.h"
#include "ic_card_page.h"

namespace kvt {

namespace {

struct PageLayout {
  QWidget* page;
  QGridLayout* fields;
  QVBoxLayout* notes;
  QGridLayout* buttons;
};

PageLayout makePage(const char* name) {
  PageLayout l;
  l.page = new QWidget;
  l.page->setObjectName(QString::fromLatin1(name));
  auto* layout = new QVBoxLayout(l.page);
  auto* top = new QHBoxLayout;
  l.fields = new QGridLayout;
  top->addLayout(l.fields);
  top->addStretch(1);
  layout->addLayout(top);
  l.notes = new QVBoxLayout;
  layout->addLayout(l.notes);
  l.buttons = new QGridLayout;
  layout->addLayout(l.buttons);
  layout->addStretch(1);
  return l;
}

void addNote(PageLayout& l, const char* text) {
  auto* label = new QLabel(QString::fromLatin1(text), l.page);
  l.notes->addWidget(label);
}

}  // namespace

void IcCardPage::addPowerButtons(QWidget* page, QGridLayout* buttons, const char* up, const char* status,
                                 const char* down, bool eeprom) {
  connect(addButton(page, buttons, up, QStringLiteral("Activate")), &QPushButton::clicked, this, [this, eeprom] {
    runPlain([this, eeprom] {
      return eeprom ? Eeprom24Activate(window_.session(), address()) : SleActivate(window_.session(), address());
    });
  });
  connect(addButton(page, buttons, status, QStringLiteral("Inquire Status")), &QPushButton::clicked, this,
          [this, eeprom] {
            runPlain([this, eeprom] {
              return eeprom ? Eeprom24InquireStatus(window_.session(), address())
                            : SleInquireStatus(window_.session(), address());
            });
          });
  connect(addButton(page, buttons, down, QStringLiteral("Deactivate")), &QPushButton::clicked, this,
          [this] { runPlain([this] { return MemoryCardDeactivate(window_.session(), address()); }); });
}

QWidget* IcCardPage::buildSle4442Page() {
  PageLayout l = makePage("Sle4442Page");
  QLineEdit* add = addByteField(l.page, l.fields, "SL4442Add1", QStringLiteral("Address:"), QStringLiteral("00"));
  QLineEdit* len = addByteField(l.page, l.fields, "SL4442Long", QStringLiteral("Length:"), QStringLiteral("80"));
  const Sle4442Fields defaults;
  QLineEdit* pass1 = addByteField(l.page, l.fields, "SL4442Pass1", QStringLiteral("Password 1:"), defaults.pass1);
  QLineEdit* pass2 = addByteField(l.page, l.fields, "SL4442Pass2", QStringLiteral("Password 2:"), defaults.pass2);
  QLineEdit* pass3 = addByteField(l.page, l.fields, "SL4442Pass3", QStringLiteral("Password 3:"), defaults.pass3);
  addNote(l, "Main Memory Add. Range : 0x00-0xFF  Main Memory Longth Range :0x01--0x80");
  addNote(l, "Read Protection Memory Add. Range :0x00-0x03  Read Protection Memory Longth Range :0x01--0x04");
  addNote(l, "Write Protection Memory Add. Range :0x00-0x1F   Write Protection Memory Longth Range :0x01--0x20");

  addPowerButtons(l.page, l.buttons, "SiemensICUp1", "SiemensICStatus1", "SiemensICDown1", false);

  const struct {
    const char* name;
    const char* caption;
    Sle4442Op op;
  } buttons[] = {
      {"SL4442Pass", "Verification Password", Sle4442Op::Verify},
      {"SL4442Change", "Change Password", Sle4442Op::ChangeCode},
      {"SL4442ReadAnquan", "Read Security Memory", Sle4442Op::ReadSecurity},
      {"SL4442ReadCenChu", "Read Main Memory", Sle4442Op::ReadMain},
      {"SL4442ReadBaoHu", "Read Protection Memory", Sle4442Op::ReadProtection},
      {"SL4442WriteCenChu", "Write Main Memory", Sle4442Op::WriteMain},
      {"SL4442WriteBaoHu", "Write Protection Memory", Sle4442Op::WriteProtection},
  };
  for (const auto& b : buttons) {
    const Sle4442Op op = b.op;
    connect(addButton(l.page, l.buttons, b.name, QString::fromLatin1(b.caption)), &QPushButton::clicked, this,
            [=] {
              runOnGrid([=] {
                Sle4442Fields f;
                f.address = add->text();
                f.length = len->text();
                f.pass1 = pass1->text();
                f.pass2 = pass2->text();
                f.pass3 = pass3->text();
                return RunSle4442(window_.session(), address(), op, f, ICText->texts(), clearGrid());
              });
            });
  }
  addWholeCardButtons(l.page, l.buttons, "Sle4442", [] { return QStringLiteral("SLE4442"); },
                      [=] { return pass1->text() + pass2->text() + pass3->text(); });
  return l.page;
}

QWidget* IcCardPage::buildSle4428Page() {
  PageLayout l = makePage("Sle4428Page");
  QLineEdit* high = addByteField(l.page, l.fields, "SL4428Add1", QStringLiteral("High Address:"), QStringLiteral("00"));
  QLineEdit* low = addByteField(l.page, l.fields, "SL4428Add2", QStringLiteral("Low Address:"), QStringLiteral("00"));
  QLineEdit* len = addByteField(l.page, l.fields, "SL4428Long", QStringLiteral("Length:"), QStringLiteral("80"));
  const Sle4428Fields defaults;
  QLineEdit* pass1 = addByteField(l.page, l.fields, "SL4428Pass1", QStringLiteral("Password 1:"), defaults.pass1);
  QLineEdit* pass2 = addByteField(l.page, l.fields, "SL4428Pass2", QStringLiteral("Password 2:"), defaults.pass2);
  addNote(l, "Address  Range :0x0000-0x03FF");

  addPowerButtons(l.page, l.buttons, "SiemensICUp2", "SiemensICStatus2", "SiemensICDown2", false);

  const struct {
    const char* name;
    const char* caption;
    Sle4428Op op;
  } buttons[] = {
      {"SL4428PASS", "Check Password", Sle4428Op::CheckCode},
      {"SL4428CHANGE", "Change Password", Sle4428Op::ChangeCode},
      {"SL4428READAREA", "Read Main Memory", Sle4428Op::ReadMain},
      {"SL4428READBIT", "Read Protection Memory", Sle4428Op::ReadProtection},
      {"SL4428WRITEAREA1", "Write Without Protection Bit", Sle4428Op::Write},
      {"SL4428WRITEAREA2", "Write With Protection Bit", Sle4428Op::WriteProtected},
  };
  for (const auto& b : buttons) {
    const Sle4428Op op = b.op;
    connect(addButton(l.page, l.buttons, b.name, QString::fromLatin1(b.caption)), &QPushButton::clicked, this,
            [=] {
              runOnGrid([=] {
                Sle4428Fields f;
                f.high = high->text();
                f.low = low->text();
                f.length = len->text();
                f.pass1 = pass1->text();
                f.pass2 = pass2->text();
                return RunSle4428(window_.session(), address(), op, f, ICText->texts(), clearGrid());
              });
            });
  }
  addWholeCardButtons(l.page, l.buttons, "Sle4428", [] { return QStringLiteral("SLE4428"); },
                      [=] { return pass1->text() + pass2->text(); });
  return l.page;
}

QWidget* IcCardPage::buildEeprom24Page() {
  PageLayout l = makePage("Eeprom24Page");
  QLineEdit* high = addByteField(l.page, l.fields, "IC24XXADD1", QStringLiteral("High Address:"), QStringLiteral("00"));
  QLineEdit* low = addByteField(l.page, l.fields, "IC24XXADD2", QStringLiteral("Low Address:"), QStringLiteral("00"));
  QLineEdit* len = addByteField(l.page, l.fields, "IC24XXLONG", QStringLiteral("Length:"), QStringLiteral("80"));
  addNote(l, "24CXX Card's Address range to read and write operations");
  addNote(l, "24C01      0000H ~ 007FH   24C02      0000H ~ 00FFH  24C04      0000H ~ 01FFH");
  addNote(l, "24C08       0000H ~ 03FFH   24C16       0000H ~ 07FFH  24C32       0000H ~ 0FFFH");
  addNote(l, "24C64       0000H ~ 1FFFH   24C128     0000H ~ 3FFFH  24C256     0000H ~ 7FFFH");
  auto fields = [=] { return Eeprom24Fields{high->text(), low->text(), len->text()}; };

  addPowerButtons(l.page, l.buttons, "IC24Reset", "IC24ICStatus", "IC24ICDown", true);
  connect(addButton(l.page, l.buttons, "IC24XXREAD", QStringLiteral("Read Data")), &QPushButton::clicked, this,
          [=] { runOnGrid([=] { return Eeprom24Read(window_.session(), address(), fields(), clearGrid()); }); });
  connect(addButton(l.page, l.buttons, "IC24XXWRITE", QStringLiteral("Write Data")), &QPushButton::clicked, this,
          [=] { runOnGrid([=] { return Eeprom24Write(window_.session(), address(), fields(), ICText->texts()); }); });
  // The card's size for a whole-card run (the reader's status names it after "Activate").
  auto* sizeLabel = new QLabel(QStringLiteral("Card size:"), l.page);
  auto* size = new QComboBox(l.page);
  size->setObjectName(QStringLiteral("IC24XXSizeCombo"));
  size->addItems({"24C01", "24C02", "24C04", "24C08", "24C16", "24C32", "24C64", "24C128", "24C256", "24C512"});
  size->setCurrentIndex(1);
  size->setAccessibleName(sizeLabel->text());
  size->setAccessibleDescription(sizeLabel->text());
  sizeLabel->setBuddy(size);
  const int row = l.fields->rowCount();
  l.fields->addWidget(sizeLabel, row, 0);
  l.fields->addWidget(size, row, 1);
  addWholeCardButtons(l.page, l.buttons, "Eeprom24", [size] { return size->currentText(); },
                      [] { return QString(); });
  return l.page;
}

}  // namespace kvt
