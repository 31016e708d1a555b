// The "RF CARD" tab and the "RF Card Type" button of the variant-B main window against the
// simulated reader on COM1 (offscreen): controls and defaults, the three grids and the
// field filters, the pages brought to the front, and the buttons from click to message.
#include <QComboBox>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "app/reader_main_b.h"
#include "app/sim_control_window.h"
#include "gui_fixture.h"
#include "hexgrid/hex_grid.h"
#include "rf/rf_card_page.h"
#include "sim/cards/rf_commands.h"

using namespace gui_test;

namespace {

// Records messages and lets a test look at the window at the moment one appears.
struct WatchingNotifier : kvt::RecordingNotifier {
  std::function<void(const kvt::Message&)> onShow;
  void show(const kvt::Message& m) override {
    if (onShow) onShow(m);
    RecordingNotifier::show(m);
  }
};

QStringList tabCaptions(QTabWidget* tabs) {
  QStringList out;
  for (int i = 0; i < tabs->count(); ++i) out << tabs->tabText(i);
  return out;
}

QStringList items(QComboBox* c) {
  QStringList out;
  for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
  return out;
}

QString buddyText(QWidget* root, QWidget* field) {
  for (auto* l : root->findChildren<QLabel*>())
    if (l->buddy() == field) return l->text();
  return QStringLiteral("<no label>");
}

void typeInto(QWidget* w, const QString& keys) {
  for (QChar c : keys) QTest::keyClick(w, c.toLatin1());
}

}  // namespace

class RfPagesTest : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void cleanup();

  void rfCardTabHoldsItsPagesControlsAndDefaults();
  void gridsAndFieldFiltersEditAsTyped();
  void typeAndActivationBringTheCardPageBeforeTheMessage();
  void mifareButtonsAgainstTheSimulator();
  void ultralightAndApduButtons();

 private:
  kvt::KVT_730_B_ReaderMain& open(const std::string& kind) {
    simulation_->host().withReader([&](sim::Reader& r) {
      sim::setRfCardKind(r.state(), kind);
      r.setCardPosition(sim::CardPos::Inside, sim::InsideSpot::RfAntenna);
    });
    openPort(*window_);
    return *window_;
  }
  QStringList texts() const {
    QStringList t;
    for (const auto& m : notifier_.messages) t << m.text;
    return t;
  }
  int commandsSeen() {
    int n = 0;
    simulation_->host().withReader([&](sim::Reader& r) { n = r.commandsSeen(); });
    return n;
  }
  void showTab(const char* name) {
    window_->show();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
    window_->tabs()->setCurrentIndex(0);
    auto* tabs3 = find<QTabWidget>(window_.get(), "SSTab3");
    auto* tabs4 = find<QTabWidget>(window_.get(), "SSTab4");
    auto* page = find<QWidget>(window_.get(), name);
    if (tabs3->indexOf(page) >= 0) tabs3->setCurrentWidget(page);
    if (tabs4->indexOf(page) >= 0) {
      tabs3->setCurrentIndex(0);
      tabs4->setCurrentWidget(page);
    }
  }

  std::unique_ptr<kvt::Simulation> simulation_;
  kvt::PortMap ports_;
  kvt::AppState state_;
  WatchingNotifier notifier_;
  std::unique_ptr<kvt::KVT_730_B_ReaderMain> window_;
};

void RfPagesTest::init() {
  simulation_ = std::make_unique<kvt::Simulation>();
  state_ = kvt::AppState{};
  notifier_.messages.clear();
  notifier_.onShow = nullptr;
  notifier_.answer = true;
  QVERIFY(simulation_->start(ports_));
  window_ = std::make_unique<kvt::KVT_730_B_ReaderMain>(state_, notifier_, ports_, fastTimeouts());
}

void RfPagesTest::cleanup() {
  window_.reset();
  simulation_.reset();
}

void RfPagesTest::rfCardTabHoldsItsPagesControlsAndDefaults() {
  auto& w = *window_;
  QCOMPARE(tabCaptions(w.tabs()), (QStringList{"RF CARD", "IC CARD", "EXTEND FUNCTION", "MONITOR"}));
  QCOMPARE(w.tabs()->currentIndex(), 0);
  QCOMPARE(tabCaptions(find<QTabWidget>(&w, "SSTab3")),
           (QStringList{"MIFARE", "ISO/IEC 14443 TYPE A", "ISO/IEC 14443 TYPE B"}));
  QCOMPARE(tabCaptions(find<QTabWidget>(&w, "SSTab4")), (QStringList{"S50/S70", "Ultralight"}));

  // "RF Card Type" stands in front of "IC Card Type" in the "AUTOTEST CARD TYPE" frame.
  auto* rfType = find<QPushButton>(&w, "RFTestTypeCmd");
  auto* icType = find<QPushButton>(&w, "ICTestTypeCmd");
  QVERIFY(rfType && icType);
  QCOMPARE(rfType->parentWidget(), icType->parentWidget());
  QCOMPARE(rfType->parentWidget()->accessibleName(), QStringLiteral("AUTOTEST CARD TYPE"));
  QLayout* row = rfType->parentWidget()->layout();
  QVERIFY(row->indexOf(rfType) < row->indexOf(icType));

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
    QCOMPARE(b->text(), QString::fromLatin1(caption));
    QCOMPARE(b->accessibleName(), QString::fromLatin1(caption));
  }
  QVERIFY(find<QRadioButton>(&w, "RfKeyAB1")->isChecked());

  // The window's load: lists, selections, and the labels of the combo boxes.
  const struct {
    const char* name;
    int count;
    const char* current;
    const char* label;
  } combos[] = {{"SecNumberCombo", 40, "01", "The current number of sectors"},
                {"BlockNumberCombo", 16, "00", "Start Block"},
                {"BlockLongCombo", 1, "01", "Block Numbers"},
                {"PurseBlockCombbox", 16, "00", "Block Number(HEX)"},
                {"ULSecNumberCombo", 16, "04", "Block"},
                {"RFCardUPCombbox", 4, "Type A,Type B", "By activation order"},
                {"TypeACAPDUText", 3, "00A40000023F00", "APDU Command"},
                {"TypeBCAPDUText", 3, "00A40000023F00", "APDU Command"}};
  for (const auto& c : combos) {
    auto* combo = find<QComboBox>(&w, c.name);
    QVERIFY2(combo, c.name);
    QCOMPARE(combo->count(), c.count);
    QCOMPARE(combo->currentText(), QString::fromLatin1(c.current));
    QCOMPARE(buddyText(&w, combo), QString::fromLatin1(c.label));
    QCOMPARE(combo->accessibleDescription(), QString::fromLatin1(c.label));
  }
  QCOMPARE(items(find<QComboBox>(&w, "SecNumberCombo")).mid(9, 3), (QStringList{"09", "0A", "0B"}));
  QCOMPARE(items(find<QComboBox>(&w, "SecNumberCombo")).last(), QStringLiteral("27"));
  QCOMPARE(items(find<QComboBox>(&w, "RFCardUPCombbox")),
           (QStringList{"Type A,Type B", "Type B,Type A", "Type A(Only)", "Type B(Only)"}));
  QCOMPARE(items(find<QComboBox>(&w, "TypeBCAPDUText")),
           (QStringList{"0084000008", "00A40000023F00", "00A404000E315041592E5359532E4444463031"}));

  const QList<QPair<const char*, const char*>> fields = {
      {"PurseValueText", "value(DEC)"}, {"ATRTypeAText", "ATR Information"}, {"ATRTypeBText", "ATR Information"},
      {"TypeARAPDUText", "Return Information"}, {"TypeBRAPDUText", "Return Information"}};
  for (const auto& [name, label] : fields) {
    auto* f = find<QLineEdit>(&w, name);
    QVERIFY2(f, name);
    QCOMPARE(buddyText(&w, f), QString::fromLatin1(label));
    QCOMPARE(f->accessibleName(), QString::fromLatin1(label));
  }
  QCOMPARE(find<QLineEdit>(&w, "PurseValueText")->text(), QStringLiteral("0"));
  for (const char* sn : {"RFmessageLabel", "ULRFmessage", "CPURFTypeAmessage"}) {
    QVERIFY2(find<QLabel>(&w, sn), sn);
    QCOMPARE(find<QLabel>(&w, sn)->accessibleName(), QStringLiteral("Card SN"));
  }

  const struct {
    const char* name;
    int cells;
    const char* caption;
  } grids[] = {{"SRFTextLIST", 16, "Read / Write RF Card Data"},
               {"ULTextLIST", 4, "UL Card Data "},
               {"SRFPASSWORDLIST", 6, "Sector password"}};
  for (const auto& g : grids) {
    auto* grid = find<kvt::HexGrid>(&w, g.name);
    QVERIFY2(grid, g.name);
    QCOMPARE(grid->count(), g.cells);
    QCOMPARE(grid->accessibleName(), QString::fromLatin1(g.caption));
  }
  QCOMPARE(find<kvt::HexGrid>(&w, "SRFPASSWORDLIST")->texts(), QStringList(6, "FF"));
  QCOMPARE(buddyText(&w, find<kvt::HexGrid>(&w, "SRFPASSWORDLIST")->cell(0)), QStringLiteral("Sector password"));
  QCOMPARE(find<kvt::HexGrid>(&w, "SRFTextLIST")->texts(), QStringList(16));
}

void RfPagesTest::gridsAndFieldFiltersEditAsTyped() {
  showTab("S50S70Page");
  auto& w = *window_;
  auto* data = find<kvt::HexGrid>(&w, "SRFTextLIST");
  data->focusCell(0);
  for (char c : {'1', '2', 'a', 'b'}) QTest::keyClick(QApplication::focusWidget(), c);
  QCOMPARE(data->texts().mid(0, 2), (QStringList{"12", "AB"}));
  QCOMPARE(QApplication::focusWidget(), data->cell(2));
  typeInto(data->cell(2), "g- ");  // ignored
  QTest::keyClick(data->cell(2), Qt::Key_Backspace);
  QCOMPARE(data->text(2), QString());
  QTest::keyClick(data->cell(2), 'f');
  QTest::keyClick(data->cell(2), Qt::Key_Return);
  QCOMPARE(data->text(2), QStringLiteral("0F"));
  data->cell(4)->setText("ABC");  // no character limit: the last two stay
  QCOMPARE(data->text(4), QStringLiteral("BC"));

  // Enter after the last cell and Left before the first wrap within each grid.
  auto* key = find<kvt::HexGrid>(&w, "SRFPASSWORDLIST");
  const struct {
    kvt::HexGrid* grid;
    const char* page;
  } wraps[] = {{data, "S50S70Page"}, {key, "S50S70Page"}, {find<kvt::HexGrid>(&w, "ULTextLIST"), "UltralightPage"}};
  for (const auto& g : wraps) {
    showTab(g.page);
    const int last = g.grid->count() - 1;
    g.grid->focusCell(last);
    QTest::keyClick(g.grid->cell(last), Qt::Key_Return);
    QCOMPARE(QApplication::focusWidget(), g.grid->cell(0));
    QTest::keyClick(g.grid->cell(0), Qt::Key_Left);
    QCOMPARE(QApplication::focusWidget(), g.grid->cell(last));
  }
  showTab("S50S70Page");
  key->focusCell(3);
  QTest::keyClick(key->cell(3), Qt::Key_Escape);
  QCOMPARE(key->text(3), QString());
  QTest::keyClick(key->cell(3), Qt::Key_Right);
  QCOMPARE(key->text(3), QString());  // an empty cell stays empty

  // PurseValueText: digits only, ten at most, Backspace does nothing, Delete does.
  auto* value = find<QLineEdit>(&w, "PurseValueText");
  value->setFocus();
  value->selectAll();
  typeInto(value, "-12a3");
  QCOMPARE(value->text(), QStringLiteral("123"));
  QTest::keyClick(value, Qt::Key_Backspace);
  QCOMPARE(value->text(), QStringLiteral("123"));
  QTest::keyClick(value, Qt::Key_Home);
  QTest::keyClick(value, Qt::Key_Delete);
  QCOMPARE(value->text(), QStringLiteral("23"));
  typeInto(value, "456789012345");
  QCOMPARE(value->text().size(), 10);

  // The APDU boxes: hex digits raised to upper case, Backspace deletes.
  showTab("TypeAPage");
  auto* apdu = find<QComboBox>(&w, "TypeACAPDUText");
  apdu->clearEditText();
  typeInto(apdu->lineEdit(), "00b0 g-");
  QCOMPARE(apdu->currentText(), QStringLiteral("00B0"));
  QTest::keyClick(apdu->lineEdit(), Qt::Key_Backspace);
  QCOMPARE(apdu->currentText(), QStringLiteral("00B"));
}

void RfPagesTest::typeAndActivationBringTheCardPageBeforeTheMessage() {
  auto& w = open("ultralight");
  auto* rf = find<kvt::RfCardPage>(&w, "RfCardPage");
  auto* tabs3 = find<QTabWidget>(&w, "SSTab3");
  auto* tabs4 = find<QTabWidget>(&w, "SSTab4");
  QWidget* pageAtMessage = nullptr;
  int outer = -1, inner = -1;
  notifier_.onShow = [&](const kvt::Message&) {
    pageAtMessage = w.tabs()->currentWidget();
    outer = tabs3->currentIndex();
    inner = tabs4->currentIndex();
  };
  const struct {
    const char* kind;
    int outer, inner;
    const char* text;
  } rows[] = {{"ultralight", 0, 1, "Ultralight card"}, {"s70", 0, 0, "S70 card"},
              {"typea", 1, 0, "Type A CPU"},         {"typeb", 2, 0, "Type B CPU"}};
  for (const auto& row : rows) {
    simulation_->host().withReader([&](sim::Reader& r) { sim::setRfCardKind(r.state(), row.kind); });
    w.tabs()->setCurrentWidget(find<QWidget>(&w, "ExtendFunctionPage"));
    tabs3->setCurrentIndex(row.outer == 0 ? 2 : 0);
    tabs4->setCurrentIndex(0);
    click(&w, "RFTestTypeCmd");
    QCOMPARE(texts().last(), QStringLiteral("Test RF Type Complete\r\n") + row.text);
    QCOMPARE(pageAtMessage, static_cast<QWidget*>(rf));
    QCOMPARE(outer, row.outer);
    if (row.outer == 0) QCOMPARE(inner, row.inner);
  }
  // No card: "Unknow Type" and the pages stay.
  simulation_->host().withReader([](sim::Reader& r) { sim::setRfCardKind(r.state(), "none"); });
  w.tabs()->setCurrentWidget(find<QWidget>(&w, "ExtendFunctionPage"));
  click(&w, "RFTestTypeCmd");
  QCOMPARE(texts().last(), QStringLiteral("Test RF Type Complete\r\nUnknow Type"));
  QCOMPARE(pageAtMessage, find<QWidget>(&w, "ExtendFunctionPage"));

  // Activation fills the card's fields and empties the others.
  auto* mifareSn = find<QLabel>(&w, "RFmessageLabel");
  auto* typeASn = find<QLabel>(&w, "CPURFTypeAmessage");
  auto* atrA = find<QLineEdit>(&w, "ATRTypeAText");
  auto* atrB = find<QLineEdit>(&w, "ATRTypeBText");
  simulation_->host().withReader([](sim::Reader& r) { sim::setRfCardKind(r.state(), "typea"); });
  click(&w, "RFCardUPBtn");
  QCOMPARE(typeASn->text(), QStringLiteral("045A7319C22E80"));
  QVERIFY(atrA->text().startsWith("0D78008102"));
  QCOMPARE(outer, 1);
  simulation_->host().withReader([](sim::Reader& r) { sim::setRfCardKind(r.state(), "s50"); });
  w.tabs()->setCurrentWidget(find<QWidget>(&w, "ExtendFunctionPage"));
  click(&w, "RFCardUPBtn");
  QCOMPARE(texts().last(), QStringLiteral("The RF Card is activated\r\nMifare one S50 card"));
  QCOMPARE(pageAtMessage, static_cast<QWidget*>(rf));
  QCOMPARE(outer, 0);
  QCOMPARE(inner, 0);
  QCOMPARE(mifareSn->text(), QStringLiteral("1A02B30C"));
  QCOMPARE(typeASn->text(), QString());
  QCOMPARE(atrA->text(), QString());
  click(&w, "RFCardStatusBtn");
  QCOMPARE(texts().last(), QStringLiteral("The RF Card is activated\r\nMifare one S50 card"));

  // Type B only: a Type B card answers after "Type B,Type A"; a Mifare card does not.
  find<QComboBox>(&w, "RFCardUPCombbox")->setCurrentIndex(3);
  click(&w, "RFCardUPBtn");
  QCOMPARE(notifier_.messages.back().title, QStringLiteral("Negative response:63"));
  QCOMPARE(mifareSn->text(), QString());  // emptied all the same
  simulation_->host().withReader([](sim::Reader& r) { sim::setRfCardKind(r.state(), "typeb"); });
  find<QComboBox>(&w, "RFCardUPCombbox")->setCurrentIndex(1);
  click(&w, "RFCardUPBtn");
  QCOMPARE(atrB->text(), QStringLiteral("508A3C51E24B565437008181"));
  click(&w, "RFCardDownBtn");
  QCOMPARE(texts().last(), QStringLiteral("Deactivate success"));

  // With the port closed nothing is sent and the fields stay.
  click(&w, "IRCLOSECOM");
  const int before = commandsSeen();
  click(&w, "RFCardUPBtn");
  QCOMPARE(texts().last(), QStringLiteral("Comm. Port Setup First"));
  QCOMPARE(atrB->text(), QStringLiteral("508A3C51E24B565437008181"));
  QCOMPARE(commandsSeen(), before);
}

void RfPagesTest::mifareButtonsAgainstTheSimulator() {
  auto& w = open("s50");
  showTab("S50S70Page");
  click(&w, "RFCardUPBtn");
  auto* data = find<kvt::HexGrid>(&w, "SRFTextLIST");
  auto* key = find<kvt::HexGrid>(&w, "SRFPASSWORDLIST");

  // Before "Check password" the card refuses the read: the grid stays.
  data->setText(0, "77");
  click(&w, "RFreadBtn");
  QCOMPARE(texts().last(), QStringLiteral("Read block data\r\n\r\n6982"));
  QCOMPARE(data->text(0), QStringLiteral("77"));
  click(&w, "RFCheckPasswordBtn");  // sector 01, KEY A, the default key
  QCOMPARE(texts().last(), QStringLiteral("Check Password\r\nExxcute OK\r\n9000"));

  find<QComboBox>(&w, "BlockNumberCombo")->setCurrentIndex(2);
  data->fill(0, QString("00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF").split(' '));
  click(&w, "RFwriteBtn");
  QCOMPARE(texts().last(), QStringLiteral("Write Block Data\r\nExxcute OK\r\n9000"));
  data->clear();
  click(&w, "RFreadBtn");
  QCOMPARE(data->texts().join(""), QStringLiteral("00112233445566778899AABBCCDDEEFF"));
  QCOMPARE(QApplication::focusWidget(), data->cell(0));  // all 16 filled: back to the first

  // Purse on block 1: initialise, increment, read back into the value box.
  auto* value = find<QLineEdit>(&w, "PurseValueText");
  find<QComboBox>(&w, "PurseBlockCombbox")->setCurrentIndex(1);
  value->setText("1000");
  click(&w, "INITRFCmd");
  QCOMPARE(texts().last(), QStringLiteral("Initialize success\r\nExxcute OK\r\n9000"));
  value->setText("24");
  click(&w, "INCRFCmd");
  value->setText("4");
  click(&w, "DECRFCmd");
  value->setText("0");
  click(&w, "ReadValueRfCmd");
  QCOMPARE(value->text(), QStringLiteral("1020"));

  // Refusals that leave the line silent.
  int before = commandsSeen();
  find<QComboBox>(&w, "PurseBlockCombbox")->setCurrentIndex(3);
  click(&w, "INCRFCmd");
  QCOMPARE(texts().last(), QStringLiteral("The block does not support the purse operation"));
  find<QComboBox>(&w, "PurseBlockCombbox")->setCurrentIndex(1);
  value->clear();
  click(&w, "INITRFCmd");
  QCOMPARE(texts().last(), QStringLiteral("Please input the data first"));
  find<QComboBox>(&w, "BlockNumberCombo")->setCurrentIndex(3);
  notifier_.answer = false;
  click(&w, "RFwriteBtn");
  QCOMPARE(notifier_.messages.back().icon, kvt::MessageIcon::Question);
  key->setText(2, "");
  click(&w, "RFCheckPasswordBtn");
  QCOMPARE(notifier_.messages.back(),
           (kvt::Message{kvt::MessageIcon::Warning, "Caution", "Please input the data first"}));
  find<QComboBox>(&w, "SecNumberCombo")->setCurrentIndex(0);
  find<QComboBox>(&w, "BlockNumberCombo")->setCurrentIndex(0);
  click(&w, "RFwriteBtn");
  QCOMPARE(texts().last(), QStringLiteral("Write Prohibit In The Block"));
  QCOMPARE(commandsSeen(), before);

  // "Load password from the EEPROM" does not read the cells (one of them is empty).
  click(&w, "ReadKeyFromEEBtn");
  QCOMPARE(texts().last(), QStringLiteral("Load password from the EEPROM \r\nExxcute OK\r\n9000"));
  QCOMPARE(commandsSeen(), before + 1);
}

void RfPagesTest::ultralightAndApduButtons() {
  auto& w = open("ultralight");
  showTab("UltralightPage");
  click(&w, "RFCardUPBtn");
  QCOMPARE(find<QLabel>(&w, "ULRFmessage")->text(), QStringLiteral("04A13F526B8031"));
  auto* page = find<kvt::HexGrid>(&w, "ULTextLIST");
  auto* pageCombo = find<QComboBox>(&w, "ULSecNumberCombo");
  pageCombo->setCurrentIndex(5);
  page->fill(0, {"11", "22", "33", "44"});
  click(&w, "ULCmdRwrite");
  QCOMPARE(texts().last(), QStringLiteral("Write Block Data\r\nExxcute OK\r\n9000"));
  page->clear();
  click(&w, "ULCmdRread");
  QCOMPARE(page->texts(), (QStringList{"11", "22", "33", "44"}));
  const int before = commandsSeen();
  pageCombo->setCurrentIndex(1);
  click(&w, "ULCmdRwrite");
  QCOMPARE(texts().last(), QStringLiteral("The block is the vendor code area, the block is not written"));
  pageCombo->setCurrentIndex(2);
  notifier_.answer = false;
  click(&w, "ULCmdRwrite");
  QCOMPARE(notifier_.messages.back().icon, kvt::MessageIcon::Question);
  QCOMPARE(commandsSeen(), before);

  // A Type A card: the response box, then an odd APDU empties it and sends nothing.
  simulation_->host().withReader([](sim::Reader& r) { sim::setRfCardKind(r.state(), "typea"); });
  click(&w, "RFCardUPBtn");
  auto* back = find<QLineEdit>(&w, "TypeARAPDUText");
  click(&w, "SendTypeACmd");  // 00A40000023F00
  QCOMPARE(back->text(), QStringLiteral("6F1684023F00A5108801015F2D067A68656E66729F1101019000"));
  QCOMPARE(texts().last(), QStringLiteral("Success"));
  find<QComboBox>(&w, "TypeACAPDUText")->setEditText("00A4000002" "0");
  const int sent = commandsSeen();
  click(&w, "SendTypeACmd");
  QCOMPARE(texts().last(), QStringLiteral("Error:Please Check The Data Effective"));
  QCOMPARE(back->text(), QString());
  QCOMPARE(commandsSeen(), sent);
  // The Type B page's button asks with parameter "5": this card refuses it.
  click(&w, "SendTypeBCmd");
  QCOMPARE(notifier_.messages.back().title, QStringLiteral("Negative response:62"));
  QCOMPARE(find<QLineEdit>(&w, "TypeBRAPDUText")->text(), QString());

  // The simulator panel chooses the contactless side of the cards.
  kvt::SimControlWindow panel(simulation_->host());
  find<QComboBox>(&panel, "SimRfKind")->setCurrentText("s70");
  std::string kind;
  simulation_->host().withReader([&](sim::Reader& r) { kind = r.state().rfCardKind; });
  QCOMPARE(QString::fromStdString(kind), QStringLiteral("s70"));
}

QTEST_MAIN(RfPagesTest)
#include "rf_pages_test.moc"
