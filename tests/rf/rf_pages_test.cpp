// SPDX-License-Identifier: MIT
// The "RF CARD" tab and the "RF Card Type" button of the variant-B main window against the
// simulated reader on COM1 (offscreen): controls and defaults, the three grids and the
// field filters, the pages brought to the front, and the buttons from click to message.
#include <QComboBox>
#include <QFileInfo>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "gui/app/reader_main_b.h"
#include "gui/rf/rf_card_page.h"
#include "gui/widgets/hex_grid.h"
#include "gui_fixture.h"
#include "page_helpers.h"
#include "sim/cards/rf_commands.h"
#include "test_files.h"

using namespace gui_test;

using namespace page_test;

class RfPagesTest : public QObject, private MainBFixture {
  Q_OBJECT
 private slots:
  void init();
  void cleanup();

  void rfCardTabControlsAndTheTypeAndActivateButtons();
  void buttonsAndWholeCardRunsApplyTheirOutcomes();

 private:
  kvt::KVT_730_B_ReaderMain& open(const std::string& kind) {
    simulation_->host().withReader([&](sim::Reader& r) {
      sim::setRfCardKind(r.state(), kind);
      r.setCardPosition(sim::CardPos::Inside, sim::InsideSpot::RfAntenna);
    });
    openPort(*window_);
    return *window_;
  }
};

void RfPagesTest::init() { QVERIFY(start()); }

void RfPagesTest::cleanup() { stop(); }

void RfPagesTest::rfCardTabControlsAndTheTypeAndActivateButtons() {
  auto& w = *window_;
  QCOMPARE(w.tabs()->currentIndex(), 0);
  QCOMPARE(tabCaptions(find<QTabWidget>(&w, "SSTab3")),
           (QStringList{"MIFARE", "ISO/IEC 14443 TYPE A", "ISO/IEC 14443 TYPE B"}));
  QCOMPARE(tabCaptions(find<QTabWidget>(&w, "SSTab4")), (QStringList{"S50/S70", "Ultralight"}));

  // "RF Card Type" stands in front of "IC Card Type" in the "AUTOTEST CARD TYPE" frame.
  auto* rfType = find<QPushButton>(&w, "RFTestTypeCmd");
  auto* icType = find<QPushButton>(&w, "ICTestTypeCmd");
  QCOMPARE(rfType->parentWidget()->accessibleName(), QStringLiteral("AUTOTEST CARD TYPE"));
  QLayout* row = rfType->parentWidget()->layout();
  QVERIFY(row->indexOf(rfType) >= 0 && row->indexOf(rfType) < row->indexOf(icType));

  const QList<QPair<const char*, const char*>> buttons = {
      {"RFTestTypeCmd", "RF Card Type"}, {"RFCardUPBtn", "Activate"}, {"RFCardStatusBtn", "Inquire Status"},
      {"RFCardDownBtn", "Deactivate"}, {"StoreKeyToEEBtn", "Download password to EEPROM"},
      {"ReadKeyFromEEBtn", "Load password from the EEPROM"}, {"RFCheckPasswordBtn", "Check password"},
      {"RFChangePasswordBtn", "Change Password"}, {"RFreadBtn", "Read Block Data"}, {"RFwriteBtn", "Write Block Data"},
      {"INITRFCmd", "Initialize"}, {"INCRFCmd", "Increment"}, {"DECRFCmd", "Decrement"}, {"ReadValueRfCmd", "Read"},
      {"ULCmdRread", "Read Block Data"}, {"ULCmdRwrite", "Write Block Data"}, {"SendTypeACmd", "Send APDU"},
      {"SendTypeBCmd", "Send APDU"}, {"RfKeyAB1", "KEY A"}, {"RfKeyAB2", "KEY B"},
  };
  for (const auto& [name, caption] : buttons) {
    auto* b = find<QAbstractButton>(&w, name);
    QVERIFY2(b, name);
    QCOMPARE(b->text() + "|" + b->accessibleName(), QString::fromLatin1(caption) + "|" + caption);
  }
  QVERIFY(find<QRadioButton>(&w, "RfKeyAB1")->isChecked());

  // Labelled fields: the label is their buddy and their accessible name.
  const QList<QPair<const char*, const char*>> labelled = {
      {"SecNumberCombo", "The current number of sectors"}, {"BlockNumberCombo", "Start Block"},
      {"BlockLongCombo", "Block Numbers"}, {"PurseBlockCombbox", "Block Number(HEX)"}, {"ULSecNumberCombo", "Block"},
      {"RFCardUPCombbox", "By activation order"}, {"TypeACAPDUText", "APDU Command"},
      {"TypeBCAPDUText", "APDU Command"}, {"PurseValueText", "value(DEC)"}, {"ATRTypeAText", "ATR Information"},
      {"ATRTypeBText", "ATR Information"}, {"TypeARAPDUText", "Return Information"},
      {"TypeBRAPDUText", "Return Information"}, {"SRFPASSWORDLIST_0", "Sector password"}};
  for (const auto& [name, label] : labelled) {
    auto* f = find<QWidget>(&w, name);
    QVERIFY2(f, name);
    QCOMPARE(buddyText(&w, f), QString::fromLatin1(label));
    if (auto* combo = qobject_cast<QComboBox*>(f)) QCOMPARE(combo->accessibleDescription(), QString::fromLatin1(label));
  }
  for (const char* sn : {"RFmessageLabel", "ULRFmessage", "CPURFTypeAmessage"})
    QCOMPARE(find<QLabel>(&w, sn)->accessibleName(), QStringLiteral("Card SN"));

  // The window's load.
  const QList<QPair<const char*, QStringList>> lists = {
      {"SecNumberCombo", {"40", "01", "27"}},     {"BlockNumberCombo", {"16", "00", "0F"}},
      {"BlockLongCombo", {"1", "01", "01"}},      {"PurseBlockCombbox", {"16", "00", "0F"}},
      {"ULSecNumberCombo", {"16", "04", "0F"}},   {"RFCardUPCombbox", {"4", "Type A,Type B", "Type B(Only)"}},
      {"TypeACAPDUText", {"3", "00A40000023F00", "00A404000E315041592E5359532E4444463031"}}};
  for (const auto& [name, expected] : lists) {  // count, current text, last item
    auto* c = find<QComboBox>(&w, name);
    QCOMPARE((QStringList{QString::number(c->count()), c->currentText(), c->itemText(c->count() - 1)}), expected);
  }
  QCOMPARE(find<QComboBox>(&w, "SecNumberCombo")->itemText(10), QStringLiteral("0A"));
  QCOMPARE(find<QLineEdit>(&w, "PurseValueText")->text(), QStringLiteral("0"));

  const struct {
    const char* name;
    int cells;
    const char* caption;
  } grids[] = {{"SRFTextLIST", 16, "Read / Write RF Card Data"},
               {"ULTextLIST", 4, "UL Card Data "},
               {"SRFPASSWORDLIST", 6, "Sector password"}};
  for (const auto& g : grids) {
    auto* grid = find<kvt::HexGrid>(&w, g.name);
    QCOMPARE(grid->count(), g.cells);
    QCOMPARE(grid->accessibleName(), QString::fromLatin1(g.caption));
  }
  QCOMPARE(find<kvt::HexGrid>(&w, "SRFPASSWORDLIST")->texts(), QStringList(6, "FF"));  // the transport key

  // "RF Card Type" and "Activate" bring the card's page to the front before the message.
  open("ultralight");
  auto* rf = find<kvt::RfCardPage>(&w, "RfCardPage");
  auto* tabs3 = find<QTabWidget>(&w, "SSTab3");
  auto* tabs4 = find<QTabWidget>(&w, "SSTab4");
  auto* extend = find<QWidget>(&w, "ExtendFunctionPage");
  QWidget* pageAtMessage = nullptr;
  int outer = -1, inner = -1;
  notifier_.onShow = [&](const kvt::Message&) {
    pageAtMessage = w.tabs()->currentWidget();
    outer = tabs3->currentIndex();
    inner = tabs4->currentIndex();
  };
  const auto insert = [&](const char* kind) {
    simulation_->host().withReader([&](sim::Reader& r) { sim::setRfCardKind(r.state(), kind); });
    w.tabs()->setCurrentWidget(extend);
    tabs4->setCurrentIndex(0);
  };
  const struct {
    const char* kind;
    int outer, inner;
  } rows[] = {{"ultralight", 0, 1}, {"typea", 1, 0}, {"typeb", 2, 0}};
  for (const auto& row : rows) {
    insert(row.kind);
    tabs3->setCurrentIndex(row.outer == 2 ? 0 : 2);
    click(&w, "RFTestTypeCmd");
    QCOMPARE(pageAtMessage, static_cast<QWidget*>(rf));
    QCOMPARE(outer, row.outer);
    QCOMPARE(inner, row.inner);
  }
  insert("none");  // "Unknow Type": the pages stay
  click(&w, "RFTestTypeCmd");
  QCOMPARE(pageAtMessage, extend);

  // "Activate" empties every serial number and answer field, then fills the card's own.
  auto* mifareSn = find<QLabel>(&w, "RFmessageLabel");
  auto* typeASn = find<QLabel>(&w, "CPURFTypeAmessage");
  auto* atrA = find<QLineEdit>(&w, "ATRTypeAText");
  insert("typea");
  click(&w, "RFCardUPBtn");
  QCOMPARE(typeASn->text(), QStringLiteral("045A7319C22E80"));
  QVERIFY(atrA->text().startsWith("0D78008102"));
  QCOMPARE(outer, 1);
  insert("s50");
  click(&w, "RFCardUPBtn");
  QCOMPARE(pageAtMessage, static_cast<QWidget*>(rf));
  QCOMPARE(outer, 0);
  QCOMPARE(inner, 0);
  QCOMPARE(mifareSn->text(), QStringLiteral("1A02B30C"));
  QCOMPARE(typeASn->text() + atrA->text(), QString());

  // With the port closed nothing is sent and the fields stay.
  click(&w, "IRCLOSECOM");
  const int before = commandsSeen();
  click(&w, "RFCardUPBtn");
  QCOMPARE(mifareSn->text(), QStringLiteral("1A02B30C"));
  QCOMPARE(commandsSeen(), before);
  // An activation that finds no card empties the fields too.
  openPort(w);
  find<QComboBox>(&w, "RFCardUPCombbox")->setCurrentIndex(3);  // Type B only: no answer
  click(&w, "RFCardUPBtn");
  QCOMPARE(mifareSn->text(), QString());
}

void RfPagesTest::buttonsAndWholeCardRunsApplyTheirOutcomes() {
  QTemporaryDir dir;
  // The window shown and active; "Activate" brings the card's page to the front.
  auto& w = open("s50");
  w.show();
  QVERIFY(QTest::qWaitForWindowActive(&w));

  QString chosen;  // the file dialog's own filters are the dumps pages test's
  w.chooseCardFile = [&](const QString&, const QString&, bool) { return chosen; };
  // The whole card into a file: one summary box, one line per sector behind it.
  chosen = dir.filePath("card.mfd");
  click(&w, "MifareDumpBtn");
  QCOMPARE(notifier_.messages.back().title, QStringLiteral("Dump Card"));
  QCOMPARE(notifier_.messages.back().text, "The card was read into " + chosen + ".");
  QCOMPARE(notifier_.messages.back().details.count("Sector "), 16);
  QCOMPARE(QFileInfo(chosen).size(), 1024);

  // A slow reader, and Stop pressed while the run goes on: it ends between two blocks and
  // the file is not written.
  simulation_->host().withReader([](sim::Reader& r) { r.setFault(sim::Fault{sim::FaultKind::Slow, "10", 40, false}); });
  chosen = dir.filePath("stopped.mct");
  int progressSeen = 0;
  QTimer watcher;  // Stop, once the bar has moved on a little
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    auto* progress = w.findChild<QProgressDialog*>("RunProgressDialog");
    if (!progress || !progress->isVisible() || progress->value() < 2 || progressSeen > 0) return;
    progressSeen = progress->value();
    QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
  });
  watcher.start(20);
  const int beforeStop = commandsSeen();
  click(&w, "MifareDumpBtn");
  watcher.stop();
  QVERIFY(progressSeen > 0);
  QCOMPARE(notifier_.messages.back().text, QStringLiteral("Stopped before the end of the card.\r\nNo file was written."));
  QVERIFY(!QFileInfo::exists(chosen));
  QVERIFY(commandsSeen() - beforeStop < 40);  // far from the whole card
  simulation_->host().withReader([](sim::Reader& r) { r.clearFault(); });

  // A file of the wrong size is refused before any question, and nothing is sent.
  chosen = dir.filePath("short.mfd");
  QVERIFY(test_files::writeFile(chosen, QByteArray(1000, '\0')));
  const int beforeRestore = commandsSeen();
  notifier_.messages.clear();
  click(&w, "MifareRestoreBtn");
  QCOMPARE(texts(), QStringList{chosen + ": a Mifare Classic image holds 1024 or 4096 bytes, this one 1000"});
  QCOMPARE(commandsSeen(), beforeRestore);

  w.activateWindow();  // the progress dialog had the focus
  QVERIFY(QTest::qWaitForWindowActive(&w));
  click(&w, "RFCardUPBtn");
  // The grids' own keys are the hex grid's test; here the page's shapes: the block grid
  // takes any length and keeps the last two digits.
  auto* data = find<kvt::HexGrid>(&w, "SRFTextLIST");
  data->cell(4)->setText("ABC");
  QCOMPARE(data->text(4), QStringLiteral("BC"));
  data->setText(0, "77");
  click(&w, "RFreadBtn");  // not authenticated: the grid stays
  QCOMPARE(data->text(0), QStringLiteral("77"));
  click(&w, "RFCheckPasswordBtn");  // sector 01, KEY A, the default key
  find<QComboBox>(&w, "BlockNumberCombo")->setCurrentIndex(2);
  data->fill(0, QString("00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF").split(' '));
  click(&w, "RFwriteBtn");
  data->clear();
  click(&w, "RFreadBtn");
  QCOMPARE(data->texts().join(""), QStringLiteral("00112233445566778899AABBCCDDEEFF"));
  QCOMPARE(QApplication::focusWidget(), data->cell(0));  // all 16 filled: back to the first

  // A trailer read shows what its access bits allow; writing one shows the new bits'
  // conditions behind the unchanged question.
  find<QComboBox>(&w, "BlockNumberCombo")->setCurrentIndex(3);
  click(&w, "RFreadBtn");
  const QString conditions = find<QPlainTextEdit>(&w, "AccessConditionsText")->toPlainText();
  QVERIFY2(conditions.startsWith("Block 0: read A|B, write A|B, increment A|B, decrement A|B\n") &&
               conditions.endsWith("Access bits: valid"),
           qPrintable(conditions));
  notifier_.answer = false;
  click(&w, "RFwriteBtn");
  QCOMPARE(notifier_.messages.back().text, kvt::kModifyTrailerQuestion);
  // The verdict first, then the rights.
  QVERIFY(notifier_.lastDetails.startsWith("Access bits: valid\r\nBlock 0: read A|B"));
  notifier_.answer = true;

  // PurseValueText: digits only, ten at most, Backspace does nothing (the decimal filter's
  // own keys are the log and filter test's).
  auto* value = find<QLineEdit>(&w, "PurseValueText");
  value->setFocus();
  value->selectAll();
  typeInto(value, "-12a3");
  QCOMPARE(value->text(), QStringLiteral("123"));
  QTest::keyClick(value, Qt::Key_Backspace);
  QCOMPARE(value->text(), QStringLiteral("123"));
  typeInto(value, "456789012345");
  QCOMPARE(value->text().size(), 10);
  find<QComboBox>(&w, "PurseBlockCombbox")->setCurrentIndex(1);
  value->setText("1000");
  click(&w, "INITRFCmd");
  value->setText("24");
  click(&w, "INCRFCmd");
  value->setText("0");
  click(&w, "ReadValueRfCmd");
  QCOMPARE(value->text(), QStringLiteral("1024"));

  // A cell emptied with Esc: refused, nothing on the line; "Load" does not read the cells.
  int before = commandsSeen();
  find<kvt::HexGrid>(&w, "SRFPASSWORDLIST")->setText(2, "");
  click(&w, "RFChangePasswordBtn");
  QCOMPARE(notifier_.messages.back(),
           (kvt::Message{kvt::MessageIcon::Warning, "Caution", "Please input the data first"}));
  QCOMPARE(commandsSeen(), before);
  click(&w, "ReadKeyFromEEBtn");
  QCOMPARE(commandsSeen(), before + 1);

  // Type A: the response box; an odd APDU empties it and sends nothing.
  simulation_->host().withReader([](sim::Reader& r) { sim::setRfCardKind(r.state(), "typea"); });
  click(&w, "RFCardUPBtn");
  auto* back = find<QLineEdit>(&w, "TypeARAPDUText");
  click(&w, "SendTypeACmd");  // 00A40000023F00
  QCOMPARE(back->text(), QStringLiteral("6F1684023F00A5108801015F2D067A68656E66729F1101019000"));
  QVERIFY(!find<QLabel>(&w, "CPURFTypeAmessage")->text().isEmpty());
  // Beside the boxes: the answer to select decoded, the status word named.
  QVERIFY(find<QPlainTextEdit>(&w, "TypeAAtsDecoding")->toPlainText().startsWith("TL: "));
  QVERIFY(find<QLabel>(&w, "TypeASwMeaning")->text().startsWith("SW 9000: "));
  QCOMPARE(hiddenValues(&w), QStringList());  // the card's serial numbers reach screen readers
  find<QComboBox>(&w, "TypeACAPDUText")->setEditText("00A4000002" "0");
  before = commandsSeen();
  click(&w, "SendTypeACmd");
  QCOMPARE(back->text(), QString());
  QCOMPARE(commandsSeen(), before);

  // Typed APDUs go out exactly as typed from both pages.
  for (const char* kind : {"typea", "typeb"}) {
    const bool a = kind == QLatin1String("typea");
    simulation_->host().withReader([&](sim::Reader& r) { sim::setRfCardKind(r.state(), kind); });
    click(&w, "RFCardUPBtn");
    checkTypedApdusGoOut(simulation_->host(), find<QComboBox>(&w, a ? "TypeACAPDUText" : "TypeBCAPDUText"),
                         [&] { click(&w, a ? "SendTypeACmd" : "SendTypeBCmd"); });
  }
}

QTEST_MAIN(RfPagesTest)
#include "rf_pages_test.moc"
