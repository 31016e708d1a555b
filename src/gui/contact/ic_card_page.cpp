// SPDX-License-Identifier: MIT
#include "ic_card_page.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "chip_card_window.h"
#include "core/base/conversions.h"
#include "core/contact/contact_ops.h"
#include "core/link/engine.h"
#include "gui/dump/card_page_host.h"
#include "gui/dump/card_file_buttons.h"
#include "gui/widgets/busy_cursor.h"
#include "gui/widgets/hex_grid.h"
#include "gui/widgets/key_filters.h"

namespace kvt {

const QString IcCardPage::kCaption = QStringLiteral("IC CARD");

IcCardPage::IcCardPage(CardPageHost& window, QWidget* parent) : QWidget(parent), window_(window) {
  setObjectName(QStringLiteral("IcCardPage"));
  auto* layout = new QVBoxLayout(this);

  SSTab2 = new QTabWidget(this);
  SSTab2->setObjectName(QStringLiteral("SSTab2"));
  SSTab2->setAccessibleName(kCaption);
  const struct {
    QWidget* page;
    const char* caption;
  } pages[] = {{buildCpuSamPage(), "CPU/SAM"},
               {buildSle4442Page(), "SLE4442"},
               {buildSle4428Page(), "SLE4428"},
               {buildEeprom24Page(), "24CXX"}};
  for (const auto& p : pages) {
    p.page->setAccessibleName(QString::fromLatin1(p.caption));
    SSTab2->addTab(p.page, QString::fromLatin1(p.caption));
  }
  layout->addWidget(SSTab2);

  const QString gridCaption = QStringLiteral("IC Card Data");
  auto* data = new QGroupBox(gridCaption, this);
  data->setObjectName(QStringLiteral("IcCardDataFrame"));
  data->setAccessibleName(gridCaption);
  auto* dataLayout = new QVBoxLayout(data);
  ICText = new HexGrid({QStringLiteral("ICText"), gridCaption, kIcGridCells, 16, HexLabels(8), HexLabels(16), 2, {}},
                       data);
  dataLayout->addWidget(ICText);
  layout->addWidget(data);
  layout->addStretch(1);
}

void IcCardPage::showPage(IcPage page) { SSTab2->setCurrentIndex(static_cast<int>(page)); }

QString IcCardPage::address() const { return window_.deviceAddress(); }

QLineEdit* IcCardPage::addByteField(QWidget* page, QGridLayout* form, const char* name, const QString& label,
                                    const QString& text) {
  const int row = form->rowCount();
  auto* caption = new QLabel(label, page);
  auto* edit = new QLineEdit(text, page);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setAccessibleName(label);
  edit->setMaxLength(2);
  edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("WWW")) + 10);
  caption->setBuddy(edit);
  InstallHexFilter(edit, 2, false);
  form->addWidget(caption, row, 0);
  form->addWidget(edit, row, 1, Qt::AlignLeft);
  return edit;
}

QPushButton* IcCardPage::addButton(QWidget* page, QGridLayout* buttons, const char* name, const QString& caption) {
  auto* b = new QPushButton(caption, page);
  b->setObjectName(QString::fromLatin1(name));
  b->setAccessibleName(caption);
  const int n = buttons->count();
  buttons->addWidget(b, n / 3, n % 3);
  return b;
}

void IcCardPage::addWholeCardButtons(QWidget* page, QGridLayout* buttons, const char* prefix,
                                     std::function<QString()> card, std::function<QString()> code) {
  const QString name = QString::fromLatin1(prefix);
  QPushButton* dump = addButton(page, buttons, qPrintable(name + QStringLiteral("DumpBtn")), QStringLiteral("Dump Card..."));
  QPushButton* restore =
      addButton(page, buttons, qPrintable(name + QStringLiteral("RestoreBtn")), QStringLiteral("Restore Card..."));
  for (QPushButton* b : {dump, restore}) {
    connect(b, &QPushButton::clicked, this, [=] {
      CardFileJob job;
      job.family = CardFamily::Memory;
      job.memory = MemoryCardByName(card()).value_or(MemoryCardModel{});
      if (b == dump) {
        DumpCardToFile(window_.cardFileContext(), job, QStringLiteral("Dump Card"));
        return;
      }
      const auto bytes = ParseHexText(code());
      if (!bytes) {
        window_.session().notifier.warn(kCaution, kDataError);
        return;
      }
      job.code = *bytes;
      RestoreCardFromFile(window_.cardFileContext(), job, QStringLiteral("Restore Card"));
    });
  }
}

std::function<void()> IcCardPage::clearGrid() {
  return [this] {
    ICText->clear();
    ICText->repaint();
  };
}

void IcCardPage::runOnGrid(const std::function<GridOutcome()>& op) {
  GridOutcome o;
  {
    BusyCursor busy;
    o = op();
  }
  if (o.clearGrid) ICText->clear();
  ICText->fill(0, o.cells);
  Present(window_.session().notifier, o);
}

void IcCardPage::runPlain(const std::function<Outcome()>& op) {
  Outcome o;
  {
    BusyCursor busy;
    o = op();
  }
  Present(window_.session().notifier, o);
}

QWidget* IcCardPage::buildCpuSamPage() {
  auto* page = new QWidget;
  page->setObjectName(QStringLiteral("CpuSamPage"));
  auto* layout = new QHBoxLayout(page);
  for (bool sam : {false, true}) {
    const QString caption = sam ? QStringLiteral("Sam Card") : QStringLiteral("CPU Card");
    auto* b = new QPushButton(caption, page);
    b->setObjectName(sam ? QStringLiteral("SIMRUN") : QStringLiteral("CPURUN"));
    b->setAccessibleName(caption);
    connect(b, &QPushButton::clicked, this, [this, sam] { openChipWindow(sam); });
    layout->addWidget(b);
  }
  layout->addStretch(1);
  return page;
}

void IcCardPage::openChipWindow(bool sam) {
  Session& s = window_.session();
  if (!s.state.PortOpened) {
    s.notifier.warn(kCaution, kPortSetupFirst);
    return;
  }
  const std::function<QString()> readAddress = [this] { return address(); };
  if (sam) {
    KVT_730_B_SimCard w(s, readAddress, window_.hostWidget());
    window_.runModal(w);
  } else {
    KVT_730_B_CPUCARD w(s, readAddress, window_.hostWidget());
    window_.runModal(w);
  }
}

}  // namespace kvt
