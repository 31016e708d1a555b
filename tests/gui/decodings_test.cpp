// The decoding boxes at a glance on a 1280x1024 screen: every line of a card's answer
// decoded in the CPU window and on the Type A page, and a decoding longer than the
// screen scrolling in a window that stays on it, its last line reachable by keyboard.
#include <QDialog>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QVBoxLayout>

#include "hexgrid/decoding_box.h"
#include "page_helpers.h"
#include "sim/cards/cpu_card.h"
#include "sim/cards/rf_commands.h"
#include "test_files.h"

using namespace gui_test;

namespace {

// Every line of the box in sight, without scrolling, once the window has laid itself out
// again, and the window on the screen.
void AllShown(QPlainTextEdit* box, int lines) {
  QCOMPARE(box->document()->blockCount(), lines);
  QTRY_VERIFY(!box->verticalScrollBar()->isVisible());
  QCOMPARE(box->verticalScrollBar()->maximum(), 0);
  QTextCursor end(box->document());
  end.movePosition(QTextCursor::End);
  QVERIFY(box->viewport()->rect().contains(box->cursorRect(end)));
  QVERIFY(box->screen()->availableGeometry().contains(box->window()->frameGeometry()));
}

}  // namespace

class DecodingsTest : public QObject, page_test::MainBFixture {
  Q_OBJECT
 private slots:
  void initTestCase();
  void init() { QVERIFY(start()); }
  void cleanup() { stop(); }
  void cpuWindowShowsEveryLineOfALongAnswerToReset();
  void typeAPageShowsEveryLineOfTheAnswerToSelect();
  void decodingTallerThanTheScreenScrollsToItsLastLine();

 private:
  QTemporaryDir dir_;
};

void DecodingsTest::initTestCase() {
  // No names from the system's known-ATR list: the line counts are the decoder's own.
  const QString list = dir_.filePath("empty-list.txt");
  test_files::writeFile(list, "");
  qputenv("KVT_SMARTCARD_LIST", list.toLocal8Bit());
}

void DecodingsTest::cpuWindowShowsEveryLineOfALongAnswerToReset() {
  // pcsc-tools' smartcard_list.txt: OpenPGP Card V2, 19 lines decoded.
  const QByteArray openPgp = QByteArray::fromHex("3BDA18FF81B1FE751F030031C573C001400090000C");
  simulation_->host().withReader([&](sim::Reader& r) {
    r.state().icChip = std::make_shared<sim::CpuCard>(sim::CpuCard::Protocol::T1,
                                                      sim::Bytes(openPgp.begin(), openPgp.end()), true);
    r.setCardPosition(sim::CardPos::Inside, sim::InsideSpot::IcContacts);
  });
  window_->show();
  openPort(*window_);
  bool ran = false;
  window_->runDialog = [&](QDialog& d) {
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    click(&d, "CPUColdResetBtn");
    QCOMPARE(texts().last(), QStringLiteral("Cold Reset Success(T=1)"));
    auto* box = find<QPlainTextEdit>(&d, "AtrDecoding");
    QVERIFY(box->document()->lastBlock().text().startsWith("TCK: ok"));
    AllShown(box, 19);
    ran = true;
  };
  click(window_.get(), "CPURUN");
  QVERIFY(ran);
}

void DecodingsTest::typeAPageShowsEveryLineOfTheAnswerToSelect() {
  simulation_->host().withReader([](sim::Reader& r) {
    sim::setRfCardKind(r.state(), "typea");
    r.setCardPosition(sim::CardPos::Inside, sim::InsideSpot::RfAntenna);
  });
  window_->show();
  openPort(*window_);
  const QSize before = window_->size();
  click(window_.get(), "RFCardUPBtn");
  auto* box = find<QPlainTextEdit>(window_.get(), "TypeAAtsDecoding");
  QVERIFY(box->isVisible());  // "Activate" brought the Type A page to the front
  const int lines = box->document()->blockCount();
  QVERIFY2(lines > 4, qPrintable(box->toPlainText()));  // more than the box used to show
  AllShown(box, lines);
  QCOMPARE(window_->size(), before);  // the room was the page's own
}

void DecodingsTest::decodingTallerThanTheScreenScrollsToItsLastLine() {
  QDialog d;
  auto* layout = new QVBoxLayout(&d);
  auto* above = new QPlainTextEdit(&d);
  above->setFixedHeight(300);
  auto* box = new kvt::DecodingBox(4, &d);
  layout->addWidget(above);
  layout->addWidget(box);
  d.show();
  QVERIFY(QTest::qWaitForWindowExposed(&d));
  QStringList lines;
  for (int i = 1; i <= 120; ++i) lines << QStringLiteral("Line %1").arg(i);
  box->showText(lines.join('\n'), true);
  QVERIFY(d.screen()->availableGeometry().contains(d.frameGeometry()));
  QVERIFY(d.height() > 900);  // grown as far as the screen allows
  QVERIFY(box->verticalScrollBar()->maximum() > 0);
  // The keyboard reaches the box; Ctrl+End brings the last line into sight.
  QVERIFY(box->focusPolicy() & Qt::TabFocus);
  box->setFocus();
  QVERIFY(box->hasFocus());
  QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
  QTextCursor end(box->document());
  end.movePosition(QTextCursor::End);
  QCOMPARE(box->textCursor().blockNumber(), 119);
  QVERIFY(box->viewport()->rect().contains(box->cursorRect(end)));
}

QTEST_MAIN(DecodingsTest)
#include "decodings_test.moc"
