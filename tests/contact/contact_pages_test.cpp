// SPDX-License-Identifier: MIT
// The "IC CARD" tab, the "IC Card Type" button and the CPU and SAM card windows on the
// variant-B main window, against the simulated reader on COM1 (offscreen).
#include <QComboBox>
#include <QTemporaryDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>

#include "gui/app/reader_main_b.h"
#include "gui/app/sim_control_window.h"
#include "gui/contact/chip_card_window.h"
#include "gui/contact/ic_card_page.h"
#include "gui/widgets/hex_grid.h"
#include "gui_fixture.h"
#include "page_helpers.h"
#include "sim/cards/contact_chip.h"
#include "sim/cards/contact_commands.h"
#include "test_files.h"

using namespace gui_test;

using namespace page_test;

class ContactPagesTest : public QObject, private MainBFixture {
  Q_OBJECT
 private slots:
  void init();
  void cleanup();

  void icCardTabControlsAndTheTypeButton();
  void memoryPageFromKeysToCardAndFiles();
  void cpuAndSamWindowsOpenOnlyWithThePortOpen();
  void simulatorPanelChoosesCardsAndStaysUsableBesideTheCardWindows();

 private:
  kvt::KVT_730_B_ReaderMain& open(const std::string& chip) {
    simulation_->host().withReader([&](sim::Reader& r) {
      sim::setContactCardKind(r.state(), chip);
      r.setCardPosition(sim::CardPos::Inside, sim::InsideSpot::IcContacts);
    });
    openPort(*window_);
    runner_.install(*window_);
    return *window_;
  }

  DialogRunner runner_;
};

void ContactPagesTest::init() {
  runner_ = DialogRunner{};
  QVERIFY(start());
}

void ContactPagesTest::cleanup() { stop(); }

void ContactPagesTest::icCardTabControlsAndTheTypeButton() {
  auto& w = *window_;
  auto* tabs2 = find<QTabWidget>(&w, "SSTab2");
  QCOMPARE(tabCaptions(tabs2), (QStringList{"CPU/SAM", "SLE4442", "SLE4428", "24CXX"}));
  auto* grid = find<kvt::HexGrid>(&w, "ICText");
  QCOMPARE(grid->count(), 128);
  QCOMPARE(grid->accessibleName(), QStringLiteral("IC Card Data"));
  QCOMPARE(find<QPushButton>(&w, "ICTestTypeCmd")->text(), QStringLiteral("IC Card Type"));

  // Every button is named by its caption; a few by name.
  const auto buttons = find<QWidget>(&w, "IcCardPage")->findChildren<QPushButton*>();
  QCOMPARE(buttons.size(), 2 + 10 + 9 + 5 + 3 * 2);  // each memory page also dumps and restores
  for (auto* b : buttons) QCOMPARE(b->accessibleName(), b->text());
  for (const auto& [name, caption] : QList<QPair<const char*, const char*>>{
           {"SIMRUN", "Sam Card"}, {"SL4442ReadAnquan", "Read Security Memory"}, {"SiemensICStatus2", "Inquire Status"},
           {"SL4428WRITEAREA2", "Write With Protection Bit"}, {"IC24XXWRITE", "Write Data"}})
    QCOMPARE(find<QPushButton>(&w, name)->text(), QString::fromLatin1(caption));
  // The byte fields: their defaults, each named by its label.
  const QStringList names = {"SL4442Add1", "SL4442Long", "SL4442Pass1", "SL4442Pass2", "SL4442Pass3",
                             "SL4428Add1", "SL4428Add2", "SL4428Long", "SL4428Pass1", "SL4428Pass2",
                             "IC24XXADD1", "IC24XXADD2", "IC24XXLONG"};
  const QStringList defaults = {"00", "80", "FF", "FF", "FF", "00", "00", "80", "FF", "FF", "00", "00", "80"};
  for (int i = 0; i < names.size(); ++i) {
    auto* f = find<QLineEdit>(&w, names[i].toLatin1());
    QCOMPARE(f->text(), defaults[i]);
    QCOMPARE(f->accessibleName(), buddyText(&w, f));
  }
  QStringList labels;
  for (auto* l : w.findChildren<QLabel*>()) labels << l->text();
  for (const char* note : {"Main Memory Add. Range : 0x00-0xFF  Main Memory Longth Range :0x01--0x80",
                           "Address  Range :0x0000-0x03FF",
                           "24C64       0000H ~ 1FFFH   24C128     0000H ~ 3FFFH  24C256     0000H ~ 7FFFH"})
    QVERIFY2(labels.contains(QString::fromLatin1(note)), note);

  // "IC Card Type" brings the card's page to the front before its message.
  open("sle4428");
  auto* ic = find<kvt::IcCardPage>(&w, "IcCardPage");
  w.tabs()->setCurrentWidget(find<QWidget>(&w, "ExtendFunctionPage"));
  QWidget* pageAtMessage = nullptr;
  int innerAtMessage = -1;
  notifier_.onShow = [&](const kvt::Message&) {
    pageAtMessage = w.tabs()->currentWidget();
    innerAtMessage = tabs2->currentIndex();
  };
  click(&w, "ICTestTypeCmd");
  QCOMPARE(texts(), QStringList{"Test IC Type Complete\r\nSLE4428 Card"});
  QCOMPARE(pageAtMessage, static_cast<QWidget*>(ic));
  QCOMPARE(innerAtMessage, 2);

  // "Unknow Type": the pages stay where they are.
  simulation_->host().withReader([](sim::Reader& r) { sim::setContactCardKind(r.state(), "none"); });
  w.tabs()->setCurrentWidget(find<QWidget>(&w, "ExtendFunctionPage"));
  tabs2->setCurrentIndex(3);
  click(&w, "ICTestTypeCmd");
  QCOMPARE(texts().last(), QStringLiteral("Test IC Type Complete\r\nUnknow Type"));
  QCOMPARE(w.tabs()->currentWidget(), find<QWidget>(&w, "ExtendFunctionPage"));
  QCOMPARE(tabs2->currentIndex(), 3);
}

void ContactPagesTest::memoryPageFromKeysToCardAndFiles() {
  QTemporaryDir dir;
  auto& w = open("sle4442");
  w.show();
  w.tabs()->setCurrentWidget(find<QWidget>(&w, "IcCardPage"));
  find<QTabWidget>(&w, "SSTab2")->setCurrentIndex(1);
  QVERIFY(QTest::qWaitForWindowActive(&w));
  auto* grid = find<kvt::HexGrid>(&w, "ICText");

  click(&w, "SiemensICUp1");
  click(&w, "SL4442ReadCenChu");
  QCOMPARE(grid->texts().mid(0, 5), QStringList({"A2", "13", "10", "91", "FF"}));
  QCOMPARE(grid->text(127), QStringLiteral("FF"));

  // The byte fields take two hex digits, raised; Backspace does nothing there.
  auto* add = find<QLineEdit>(&w, "SL4442Add1");
  add->clear();
  typeInto(add, "g4a-b");
  QTest::keyClick(add, Qt::Key_Backspace);
  QCOMPARE(add->text(), QStringLiteral("4A"));
  // Three bytes from cell 0, written after the code, read back into a cleared grid.
  find<QLineEdit>(&w, "SL4442Long")->setText("03");
  grid->fill(0, {"0A", "1B", "02"});
  click(&w, "SL4442Pass");
  click(&w, "SL4442WriteCenChu");
  grid->clear();
  click(&w, "SL4442ReadCenChu");
  QCOMPARE(grid->texts().mid(0, 4), QStringList({"0A", "1B", "02", ""}));

  // The card into a file; changed there, written back with the code in the password fields.
  QString chosen = dir.filePath("card.bin");
  w.chooseCardFile = [&](const QString&, const QString&, bool) { return chosen; };
  click(&w, "Sle4442DumpBtn");
  QCOMPARE(notifier_.messages.back().text, "The card was read into " + chosen + ".");
  QByteArray bytes = test_files::readFile(chosen);
  QCOMPARE(bytes.size(), 256);
  bytes[0x4A] = '\x5A';
  QVERIFY(test_files::writeFile(chosen, bytes));
  click(&w, "Sle4442RestoreBtn");
  QCOMPARE(notifier_.messages.back().text, chosen + " was written to the card.");
  find<QLineEdit>(&w, "SL4442Long")->setText("01");
  click(&w, "SL4442ReadCenChu");
  QCOMPARE(grid->text(0), QStringLiteral("5A"));

  // The reader answers slowly; while it waits, the old bytes must already be gone.
  add->setText("00");
  find<QLineEdit>(&w, "SL4442Long")->setText("80");
  for (const char* read : {"SL4442ReadCenChu", "SL4442ReadBaoHu"}) {
    grid->setText(100, "77");
    simulation_->host().withReader([](sim::Reader& r) {
      sim::Fault f;
      f.kind = sim::FaultKind::Slow;
      f.slowMs = 300;
      r.setFault(f);
    });
    QString duringWait = QStringLiteral("<not looked at>");
    QTimer::singleShot(100, [&] { duringWait = grid->text(100); });
    click(&w, read);
    QCOMPARE(duringWait, QString());
    QVERIFY(texts().last().endsWith("9000") || texts().last().endsWith("6700"));  // the reply was awaited
  }
  // A read refused before it starts leaves the grid as it was.
  click(&w, "IRCLOSECOM");
  grid->setText(100, "77");
  click(&w, "SL4442ReadCenChu");
  QCOMPARE(grid->text(100), QStringLiteral("77"));
}

void ContactPagesTest::cpuAndSamWindowsOpenOnlyWithThePortOpen() {
  runner_.install(*window_);
  click(window_.get(), "CPURUN");
  QVERIFY(runner_.opened.isEmpty());
  QCOMPARE(texts(), QStringList{"Comm. Port Setup First"});
  notifier_.messages.clear();

  auto& w = open("cpu-noemv");
  runner_.inspect = [&](QDialog& d) {
    QCOMPARE(d.windowTitle(), QStringLiteral("CPU Card"));
    QCOMPARE(find<QRadioButton>(&d, "CPUVCCOPTION_1")->text(), QStringLiteral("VCC=5V with the ISO/IEC7816-3"));
    QVERIFY(find<QRadioButton>(&d, "CardTypeOption_2")->isChecked());
    auto* protocol = find<QGroupBox>(&d, "ProtocolGroup");  // one named group for screen readers
    QCOMPARE(protocol->accessibleName(), QStringLiteral("Protocol"));
    for (const char* option : {"CardTypeOption_0", "CardTypeOption_1", "CardTypeOption_2"})
      QVERIFY(protocol->isAncestorOf(find<QRadioButton>(&d, option)));
    auto* cmd = find<QComboBox>(&d, "CmdText");
    QCOMPARE(cmd->count(), 4);
    QCOMPARE(cmd->itemText(2), QStringLiteral("00C0000018"));
    auto* atr = find<QPlainTextEdit>(&d, "ResetTextBack");
    auto* back = find<QPlainTextEdit>(&d, "BackText");
    QCOMPARE(buddyText(&d, atr), QStringLiteral("ATR Information"));
    QCOMPARE(buddyText(&d, back), QStringLiteral("Return Information"));

    click(&d, "CPUColdResetBtn");  // EMV, the default profile, refuses this card; its answer is shown
    QCOMPARE(atr->toPlainText(), QStringLiteral("3B789600004B56543733304953"));
    find<QRadioButton>(&d, "CPUVCCOPTION_1")->click();
    click(&d, "CPUColdResetBtn");
    QCOMPARE(texts().last(), QStringLiteral("Cold Reset Success(T=0)"));
    // Beside the boxes: the answer to reset decoded, the status word named.
    const QString decoding = find<QPlainTextEdit>(&d, "AtrDecoding")->toPlainText();
    QVERIFY2(decoding.startsWith("TS: 3B (direct convention)\n") && decoding.contains("\nProtocols: T=0"),
             qPrintable(decoding));
    QCOMPARE(atr->toolTip(), decoding);
    find<QRadioButton>(&d, "CardTypeOption_0")->click();
    click(&d, "SendCmdBtn");
    QCOMPARE(back->toPlainText(), QStringLiteral("6118"));
    QVERIFY(find<QLabel>(&d, "SwMeaning")->text().startsWith("SW 6118: "));
    QCOMPARE(hiddenValues(&d), QStringList());
    click(&d, "CheckStatusBtn");
    QCOMPARE(texts().last(), QStringLiteral("The card has been activated, working frequency of 7.16 MHZ"));
    click(&d, "DownBtn");
    QCOMPARE(texts().last(), QStringLiteral("Deactivate Success"));
    // Typed APDUs go out as typed; the keys reach the focused combo, not its line edit.
    d.show();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    checkTypedApdusGoOut(simulation_->host(), cmd, [&] { click(&d, "SendCmdBtn"); });
    cmd->clearEditText();
    typeInto(cmd, "00a4 g");
    QCOMPARE(cmd->currentText(), QStringLiteral("00A4"));
    QTest::keyClick(cmd, Qt::Key_Backspace);
    QCOMPARE(cmd->currentText(), QStringLiteral("00A"));
    QCOMPARE(buddyText(&d, cmd), QStringLiteral("APDU Command"));
    QCOMPARE(cmd->accessibleDescription(), QStringLiteral("APDU Command"));
    click(&d, "BackCmd");
    QVERIFY(!d.isVisible());
  };
  click(&w, "CPURUN");

  runner_.inspect = [&](QDialog& d) {
    QCOMPARE(d.windowTitle(), QStringLiteral("SAM Card"));
    auto* sam = find<QComboBox>(&d, "SimNo1");
    QCOMPARE(sam->currentText(), QStringLiteral("SAM 1"));
    QCOMPARE(sam->count(), 8);
    QCOMPARE(find<QComboBox>(&d, "CmdText")->count(), 3);
    sam->setCurrentIndex(4);
    click(&d, "SelectSamCmd");
    QCOMPARE(texts().last(), QStringLiteral("Choose SAM Success"));
    click(&d, "SimColdReset");
    QVERIFY(find<QPlainTextEdit>(&d, "ResetTextBack")->toPlainText().endsWith("4B5654" "53414D35"));  // "KVTSAM5"
    // The buttons below are the CPU window's, under the SAM window's names.
    find<QComboBox>(&d, "CmdText")->setCurrentIndex(0);
    click(&d, "SendCmd");
    QVERIFY(find<QPlainTextEdit>(&d, "BackText")->toPlainText().endsWith("9000"));
    click(&d, "Down");
    QCOMPARE(texts().last(), QStringLiteral("Deactivate Success"));
  };
  click(&w, "SIMRUN");
  QCOMPARE(runner_.opened, (QStringList{"KVT_730_B_CPUCARD", "KVT_730_B_SimCard"}));
}

void ContactPagesTest::simulatorPanelChoosesCardsAndStaysUsableBesideTheCardWindows() {
  // The windows really run modal here; the panel is clicked as the window system delivers
  // a click, which a modal window in the way would block.
  kvt::SimControlWindow panel(simulation_->host());
  panel.show();
  QVERIFY(QTest::qWaitForWindowExposed(&panel));
  const auto clickPanel = [&panel](const char* name) {
    auto* b = find<QPushButton>(&panel, name);
    QTest::mouseClick(panel.windowHandle(), Qt::LeftButton, {}, b->mapTo(&panel, b->rect().center()));
  };
  const auto runModal = window_->runDialog;
  auto& w = open("cpu-t0");
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  sim::FaultKind seen = sim::FaultKind::None;
  w.runDialog = [&](QDialog& d) {
    QTimer::singleShot(0, &d, [&] {
      QTRY_VERIFY(d.isVisible());
      find<QComboBox>(&panel, "SimFaultKind")->setCurrentText("silent");
      clickPanel("SimApplyFault");
      simulation_->host().withReader([&](sim::Reader& r) { seen = r.fault().kind; });
      clickPanel("SimClearFault");
      d.reject();
    });
    runModal(d);
  };
  click(&w, "CPURUN");  // every window opened from the main window runs through runDialog
  QCOMPARE(int(seen), int(sim::FaultKind::Silent));

  // A card being worked at the contacts can be pulled out from the panel: the chip goes dead.
  w.runDialog = [&](QDialog& d) {
    QTimer::singleShot(0, &d, [&] {
      clickPanel("SimRemoveCard");
      click(&d, "CheckStatusBtn");
      d.reject();
    });
    runModal(d);
  };
  notifier_.messages.clear();
  click(&w, "CPURUN");
  QCOMPARE(find<QLabel>(&panel, "SimResult")->text(), QStringLiteral("Card pulled out from inside the reader."));
  QVERIFY(texts().value(0) != QStringLiteral("The card has been activated, working frequency of 3.57 MHZ"));

  // Even while an exchange waits for a slow reader: the panel takes its click, the window
  // under the wait takes none.
  w.runDialog = runModal;
  simulation_->host().withReader([](sim::Reader& r) {
    sim::Fault f;
    f.kind = sim::FaultKind::Slow;
    f.slowMs = 400;
    r.setFault(f);
  });
  const int commandsBefore = commandsSeen();
  bool insertedDuringWait = false;
  QTimer::singleShot(150, [&] {
    simulation_->host().withReader([](sim::Reader& r) { r.setCardPosition(sim::CardPos::None); });
    clickPanel("SimInsertCard");
    simulation_->host().withReader([&](sim::Reader& r) { insertedDuringWait = r.cardPosition() == sim::CardPos::Front; });
    auto* sensors = find<QPushButton>(&w, "SensorStatusBtn");
    QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {}, sensors->mapTo(&w, sensors->rect().center()));
  });
  click(&w, "CardStatusBtn");
  QVERIFY(insertedDuringWait);
  QCOMPARE(commandsSeen(), commandsBefore + 1);  // the click on "Sensor Status" was not taken

  // The panel chooses the chip and the contactless card the next card carries.
  auto* chip = find<QComboBox>(&panel, "SimChipKind");
  QCOMPARE(chip->currentText(), QStringLiteral("cpu-t0"));
  QCOMPARE(chip->count(), 16);
  chip->setCurrentText("24c128");
  find<QComboBox>(&panel, "SimRfKind")->setCurrentText("s70");
  std::string kind, code, rfKind;
  simulation_->host().withReader([&](sim::Reader& r) {
    kind = r.state().icCardKind;
    code = r.state().icChip->typeCode();
    rfKind = r.state().rfCardKind;
  });
  QCOMPARE(kind, std::string("24c128"));
  QCOMPARE(code, std::string("37"));
  QCOMPARE(rfKind, std::string("s70"));
}

QTEST_MAIN(ContactPagesTest)
#include "contact_pages_test.moc"
