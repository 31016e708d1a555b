// SPDX-License-Identifier: MIT
// The decoding boxes at a glance on a 1280x1024 screen: every line of a card's answer in
// the CPU window and on the Type A page, and a decoding taller than the screen scrolling
// in a window that stays on it, its last line reachable by keyboard.
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QVBoxLayout>

#include "gui/widgets/decoding_box.h"
#include "page_helpers.h"
#include "sim/cards/cpu_card.h"
#include "sim/cards/rf_commands.h"

using namespace gui_test;

namespace {

// The last line in sight once the window has laid itself out again, and the window on the
// screen.
void LastLineShown(QPlainTextEdit* box, bool scrolls) {
  QTRY_COMPARE(box->verticalScrollBar()->maximum() > 0, scrolls);
  QTextCursor end(box->document());
  end.movePosition(QTextCursor::End);
  QVERIFY(box->viewport()->rect().contains(box->cursorRect(end)));
  QVERIFY(box->screen()->availableGeometry().contains(box->window()->frameGeometry()));
}

}  // namespace

class DecodingsTest : public QObject, page_test::MainBFixture {
  Q_OBJECT
 private slots:
  void init() { QVERIFY(start()); }
  void cleanup() { stop(); }

  void cpuWindowAndTypeAPageShowEveryLine() {
    // pcsc-tools' smartcard_list.txt: OpenPGP Card V2, some 20 lines decoded.
    const QByteArray openPgp = QByteArray::fromHex("3BDA18FF81B1FE751F030031C573C001400090000C");
    simulation_->host().withReader([&](sim::Reader& r) {
      r.state().icChip = std::make_shared<sim::CpuCard>(sim::CpuCard::Protocol::T1,
                                                        sim::Bytes(openPgp.begin(), openPgp.end()), true);
      r.setCardPosition(sim::CardPos::Inside, sim::InsideSpot::IcContacts);
    });
    window_->show();
    openPort(*window_);
    window_->runDialog = [&](QDialog& d) {
      d.show();
      click(&d, "CPUColdResetBtn");
      LastLineShown(find<QPlainTextEdit>(&d, "AtrDecoding"), false);
    };
    click(window_.get(), "CPURUN");
    QCOMPARE(texts(), QStringList{"Cold Reset Success(T=1)"});

    simulation_->host().withReader([](sim::Reader& r) {
      sim::setRfCardKind(r.state(), "typea");
      r.setCardPosition(sim::CardPos::Inside, sim::InsideSpot::RfAntenna);
    });
    const QSize before = window_->size();
    click(window_.get(), "RFCardUPBtn");  // brings the Type A page to the front
    LastLineShown(find<QPlainTextEdit>(window_.get(), "TypeAAtsDecoding"), false);
    QCOMPARE(window_->size(), before);  // the room was the page's own
  }

  void decodingTallerThanTheScreenScrollsToItsLastLine() {
    QDialog d;
    auto* layout = new QVBoxLayout(&d);
    auto* box = new kvt::DecodingBox(4, &d);
    layout->addWidget(new QPlainTextEdit(&d));
    layout->addWidget(box);
    d.show();
    box->showText(QStringLiteral("Line\n").repeated(119) + QStringLiteral("Last line"), true);
    QVERIFY(d.height() > 900);  // grown as far as the screen allows
    // The keyboard reaches the box, and Ctrl+End the last line.
    QVERIFY(box->focusPolicy() & Qt::TabFocus);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier);
    LastLineShown(box, true);
  }
};

QTEST_MAIN(DecodingsTest)
#include "decodings_test.moc"
