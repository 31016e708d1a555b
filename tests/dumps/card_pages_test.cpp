// SPDX-License-Identifier: MIT
// Card data is never lost by a default, in the variant-B main window against the simulated
// reader on COM1 (offscreen): the questions whose "Yes" cannot be undone on the real
// message box (default button, focus, Return and Escape, the bytes that reach the card),
// the whole-card runs' summaries, the access conditions box and the file dialog.
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>

#include "gui/widgets/hex_grid.h"
#include "gui/widgets/message_box_notifier.h"
#include "gui_fixture.h"
#include "page_helpers.h"
#include "sim/cards/contact_commands.h"
#include "sim/cards/memory_cards.h"
#include "sim/cards/mifare_classic.h"
#include "sim/cards/rf_commands.h"
#include "test_files.h"

using namespace gui_test;
using namespace page_test;

namespace {

// Answers the real message boxes as a user at the keyboard: each box is kept as its text
// and its shape ("buttons, default, focus, escape"), then gets the next key (Return when
// none is left; Qt::Key_Y clicks "Yes").
struct BoxAnswerer {
  QStringList texts, shapes;
  QList<Qt::Key> keys;
  QTimer timer;

  BoxAnswerer() {
    QObject::connect(&timer, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible()) return;
      const auto name = [](QObject* b) { return b ? qobject_cast<QAbstractButton*>(b)->text().remove('&') : "-"; };
      QStringList buttons;
      for (auto b : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel, QMessageBox::Ok})
        if (box->button(b)) buttons << name(box->button(b));
      texts << box->text();
      shapes << buttons.join('/') + ", " + name(box->defaultButton()) + ", " + name(box->focusWidget()) + ", " +
                    name(box->escapeButton());
      const Qt::Key key = keys.isEmpty() ? Qt::Key_Return : keys.takeFirst();
      if (key == Qt::Key_Y) box->button(QMessageBox::Yes)->click();
      else QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, key);  // where the keyboard is
    });
    timer.start(10);
  }
  void expect(const QList<Qt::Key>& next) { texts.clear(), shapes.clear(), keys = next; }
};

const QString kLockQuestion = "The access bits 77 8F 08 lock the trailer of sector %1 for good: they can never be "
                              "changed again.\nWrite them anyway?";
const QString kCancelled = "Nothing was written to the card: the restore was cancelled.";
const QString kYesNo = "Yes/No, No, No, No";

}  // namespace

class CardPagesTest : public QObject, private MainBFixture {
  Q_OBJECT
 private slots:
  void cleanup() { stop(); }
  void irreversibleAnswersAreNeverTheDefault();
  void runsCheckThePortFirstAndSayWhatHappened();
  void accessBoxAndFileDialog();

 private:
  kvt::MessageBoxNotifier boxes_;
  QString path_;

  // The window (real message boxes when `real`), shown, a card of `kind` in the RF field,
  // the file chooser answering path_.
  kvt::KVT_730_B_ReaderMain& open(const std::string& kind, bool real) {
    if (!start(real ? &boxes_ : nullptr)) return *window_;
    setRf(kind);
    openPort(*window_);
    window_->chooseCardFile = [this](const QString&, const QString&, bool) { return path_; };
    window_->show();
    (void)QTest::qWaitForWindowActive(window_.get());
    return *window_;
  }
  void setRf(const std::string& kind) { setCard([&](sim::ReaderState& s) { sim::setRfCardKind(s, kind); }, true); }
  void setCard(const std::function<void(sim::ReaderState&)>& kind, bool rf) {
    simulation_->host().withReader([&](sim::Reader& r) {
      kind(r.state());
      r.setCardPosition(sim::CardPos::Inside, rf ? sim::InsideSpot::RfAntenna : sim::InsideSpot::IcContacts);
    });
  }
  // What reached the reader while `act` ran, without a late acknowledgement before it.
  QByteArray sent(const std::function<void()>& act) {
    QByteArray bytes = receivedDuring(simulation_->host(), act);
    return bytes.startsWith('\x06') ? bytes.mid(1) : bytes;
  }
  sim::MifareClassic& classic() {
    sim::MifareClassic* card = nullptr;
    simulation_->host().withReader(
        [&](sim::Reader& r) { card = dynamic_cast<sim::MifareClassic*>(r.state().rfCard.get()); });
    return *card;
  }
};

void CardPagesTest::irreversibleAnswersAreNeverTheDefault() {
  QTemporaryDir dir;
  BoxAnswerer boxes;
  auto& w = open("s50-mixed", true);
  // A trailer that locks itself for good, written by hand to sector 07: after the usual
  // question (OK its default, as ever) the lock question, where Return and Escape send
  // nothing; only "Yes" writes.
  click(&w, "RFCardUPBtn");
  find<QComboBox>(&w, "SecNumberCombo")->setCurrentIndex(7);
  click(&w, "RFCheckPasswordBtn");
  find<QComboBox>(&w, "BlockNumberCombo")->setCurrentIndex(3);
  find<kvt::HexGrid>(&w, "SRFTextLIST")->fill(0, QString("FF FF FF FF FF FF 77 8F 08 69 FF FF FF FF FF FF").split(' '));
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
    boxes.expect({Qt::Key_Return, key});
    QCOMPARE(sent([&] { click(&w, "RFwriteBtn"); }), QByteArray());
    QCOMPARE(boxes.texts.mid(1) + boxes.shapes.mid(1), (QStringList{kLockQuestion.arg("07"), kYesNo}));
  }
  boxes.expect({Qt::Key_Return, Qt::Key_Y});
  const QByteArray bytes = sent([&] { click(&w, "RFwriteBtn"); });
  QVERIFY2(bytes.contains(QByteArray::fromHex("00D1070301FFFFFFFFFFFF778F0869")), bytes.toHex(' ').constData());

  // Restore Card: the trailers question has Yes / No / Cancel, "No" the default with the
  // focus; Escape is Cancel and ends the restore with a word, nothing sent.
  path_ = dir.filePath("mixed.mct");
  click(&w, "MifareDumpBtn");
  boxes.expect({Qt::Key_Escape});
  QCOMPARE(sent([&] { click(&w, "MifareRestoreBtn"); }), QByteArray());
  QCOMPARE(boxes.texts, (QStringList{"Write the sector trailers (keys and access bits) from the file too?", kCancelled}));
  QCOMPARE(boxes.shapes.value(0), QStringLiteral("Yes/No/Cancel, No, No, Cancel"));
  // "Yes", then Return at the first lock question (sector 05): ended before the run.
  boxes.expect({Qt::Key_Y});
  QCOMPARE(sent([&] { click(&w, "MifareRestoreBtn"); }), QByteArray());
  QCOMPARE(boxes.texts.mid(1) + boxes.shapes.mid(1, 1), (QStringList{kLockQuestion.arg("05"), kCancelled, kYesNo}));
  // Return at the trailers question: the data blocks go back, no trailer.
  boxes.expect({});
  click(&w, "MifareRestoreBtn");
  QVERIFY2(boxes.texts.value(1).startsWith(path_ + " was written to the card.\nThe card refused some blocks"),
           qPrintable(boxes.texts.join('|')));
  QCOMPARE(classic().block(23)[6], uint8_t(0x77));  // sector 05's trailer as it was

  // SLE4442 with one code try left (a wrong code from the page, another from a restore,
  // which says so): Return and Escape at the question present no code.
  std::shared_ptr<sim::ContactChip> chip;
  setCard([&](sim::ReaderState& s) { sim::setContactCardKind(s, "sle4442"), chip = s.icChip; }, false);
  const auto tries = [&] {
    int n = 0;
    simulation_->host().withReader([&](sim::Reader&) { n = dynamic_cast<sim::Sle4442Card&>(*chip).triesLeft(); });
    return n;
  };
  path_ = dir.filePath("s.bin");
  QVERIFY(test_files::writeFile(path_, QByteArray(256, char(0x33))));
  find<QLineEdit>(&w, "SL4442Pass1")->setText("00");
  click(&w, "SiemensICUp1");
  click(&w, "SL4442Pass");
  boxes.expect({});
  click(&w, "Sle4442RestoreBtn");
  QCOMPARE(boxes.texts, QStringList{"The card did not take the security code: Verification Password error (6F01). "
                                    "Nothing was written.\nSecurity code tries left: 1 of 3"});
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
    boxes.expect({key});
    const QByteArray out = sent([&] { click(&w, "Sle4442RestoreBtn"); });
    QVERIFY2(!out.contains(QByteArray::fromHex("0020030103")), out.toHex(' ').constData());
    QCOMPARE(boxes.shapes.value(0) + " " + boxes.texts.value(1),
             kYesNo + " The card has one security code try left (error counter 01): a wrong code now locks it for "
                      "good.\nThe code was not presented; nothing was written.");
    QCOMPARE(tries(), 1);
  }
  find<QLineEdit>(&w, "SL4442Pass1")->setText("FF");  // "Yes" with the right code
  boxes.expect({Qt::Key_Y});
  click(&w, "Sle4442RestoreBtn");
  QCOMPARE(boxes.texts.value(1), path_ + " was written to the card.\nThe card refused some bytes (see the details).");
  QCOMPARE(tries(), 3);
}

void CardPagesTest::runsCheckThePortFirstAndSayWhatHappened() {
  QTemporaryDir dir;
  auto& w = open("s50-mixed", false);
  notifier_.answer = false;  // no trailers
  // Port closed: the box comes before any file dialog (this one would choose no file and
  // end the run without a word).
  click(&w, "IRCLOSECOM");
  notifier_.messages.clear();
  for (const char* b : {"MifareDumpBtn", "MifareRestoreBtn", "UltralightDumpBtn"}) click(&w, b);
  QCOMPARE(texts(), QStringList(3, "Comm. Port Setup First"));
  openPort(w);

  // .mfd and .eml dumps of the mixed card name the blocks not read; restored onto a fresh
  // card, those blocks keep its bytes, and the summary says they were not in the file.
  for (const char* name : {"card.mfd", "card.eml"}) {
    path_ = dir.filePath(name);
    setRf("s50-mixed");
    click(&w, "MifareDumpBtn");
    QCOMPARE(texts().last(),
             QStringLiteral("The card was read into %1.\r\nNot read whole: sector 02 blocks 3; sector 03 blocks 0, 1, "
                            "2, 3; sector 04 blocks 1, 2, 3.\r\nA .%2 file cannot mark bytes not read: they are 00 in "
                            "%3, and %3.unread beside it lists them, so that a restore from it leaves them alone. A "
                            ".mct file marks them in the file itself.")
                 .arg(path_, path_.right(3), name));
    setRf("s50");
    for (int b : {12, 13, 14, 17, 18}) classic().setBlock(b, sim::MifareClassic::Block{'F', 'R', 'E', 'S', 'H'});
    click(&w, "MifareRestoreBtn");
    QCOMPARE(texts().last(), path_ + " was written to the card.\r\nSome blocks were not in the file: the card keeps "
                                     "them as they were (see the details).");
    for (int b : {12, 13, 14, 17, 18}) QCOMPARE(classic().block(b)[0], uint8_t('F'));
    QCOMPARE(classic().block(16)[0], uint8_t('S'));  // "SECTOR 04 DATA" came back
  }

  // A slow reader. The card pulled out mid-dump: the reader's "no card answers", then the
  // summary of what was read, no file; a restore stopped midway says how much it wrote.
  // The progress bar is named for screen readers.
  setRf("s50-mixed");
  simulation_->host().withReader([](sim::Reader& r) { r.setFault(sim::Fault{sim::FaultKind::Slow, "10", 20, false}); });
  QString barName;
  bool pull = true;
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    auto* progress = w.findChild<QProgressDialog*>("RunProgressDialog");
    if (!progress || !progress->isVisible() || progress->value() < 3) return;
    barName = w.findChild<QProgressBar*>("RunProgressBar")->accessibleName();
    if (pull) simulation_->host().withReader([](sim::Reader& r) { r.pullCard(); });
    else progress->cancel();
  });
  watcher.start(5);
  path_ = dir.filePath("pulled.mct");
  notifier_.messages.clear();
  click(&w, "MifareDumpBtn");
  QCOMPARE(barName + " " + notifier_.messages.at(0).title, QStringLiteral("Dump Card Negative response:63"));
  const kvt::Message summary = notifier_.messages.at(1);
  QVERIFY2(summary.text.startsWith("The run ended before the end of the card.\r\nNo file was written. Read before the "
                                   "end: ") && summary.details.startsWith("Sector 00: key A") && !QFile::exists(path_),
           qPrintable(summary.text));
  setRf("s50");
  pull = false;
  path_ = dir.filePath("card.mfd");
  click(&w, "MifareRestoreBtn");
  QCOMPARE(barName, QStringLiteral("Restore Card"));
  const QRegularExpression stopped("^Stopped before the end of the card\\.\r\n[1-9][0-9]? of 47 blocks were "
                                   "written to the card before the stop\\.$");
  QVERIFY2(stopped.match(texts().last()).hasMatch(), qPrintable(texts().last()));
}

void CardPagesTest::accessBoxAndFileDialog() {
  auto& w = open("s50", false);
  // A trailer with every line a decoding has: three blocks, the trailer, the key B note,
  // the lock line and the verdict (FF0F00).
  classic().setBlock(7, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x0F, 0x00, 0x69, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  click(&w, "RFCardUPBtn");
  click(&w, "RFCheckPasswordBtn");
  find<QComboBox>(&w, "BlockNumberCombo")->setCurrentIndex(3);
  click(&w, "RFreadBtn");
  auto* box = find<QPlainTextEdit>(&w, "AccessConditionsText");
  QCOMPARE(box->document()->blockCount(), 7);
  QApplication::processEvents();  // the scroll bars follow the new text
  QCOMPARE(box->verticalScrollBar()->maximum(), 0);  // every line shows
  QVERIFY(w.rect().contains(QRect(box->mapTo(&w, QPoint(0, 0)), box->size())));
  int widest = 0;  // and the longest one's end is reachable sideways
  for (QTextBlock b = box->document()->begin(); b.isValid(); b = b.next())
    widest = std::max(widest, box->fontMetrics().horizontalAdvance(b.text()));
  QVERIFY(box->horizontalScrollBar()->maximum() >= widest - box->viewport()->width());

  // The file dialog: one filter per format; the one chosen gives a typed name its ending.
  QTemporaryDir dir;
  QStringList filters;
  QTimer::singleShot(50, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    QVERIFY(dialog);
    filters = dialog->nameFilters();
    dialog->setDirectory(dir.path());
    // The third filter, chosen with the keyboard.
    for (int i = 0; i < 2; ++i) QTest::keyClick(dialog->findChild<QComboBox*>("fileTypeCombo"), Qt::Key_Down);
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    name->setText("card");
    QTest::keyClick(name, Qt::Key_Return);
  });
  const QString chosen =
      kvt::ChooseCardFilePath(&w, "Dump Card", kvt::CardFileFilters(kvt::CardFamily::Mifare, true), true);
  QCOMPARE(filters, (QStringList{"MIFARE Classic Tool dumps (*.mct)", "Binary dumps (*.mfd)", "Emulator dumps (*.eml)"}));
  QCOMPARE(chosen, dir.filePath("card.eml"));
}

QTEST_MAIN(CardPagesTest)
#include "card_pages_test.moc"
