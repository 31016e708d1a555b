// SPDX-License-Identifier: MIT
// The PC/SC window on a fake service: controls, reader box, result list, the refusal
// box, the unload, and the variant-M main window opening it.
#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <QTimer>
#include <future>

#include "core/pcsc/bounded_service.h"
#include "fake_service.h"
#include "gui/app/reader_main_m.h"
#include "gui/pcsc/pcsc_window.h"
#include "result_list.h"

using kvt::KVT_730_M_PCSCForm;

using namespace pcsc_test;

class PcscWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void controlsAndWhatTheButtonsFill();
  void closingUnloadsOnce();
  void mainWindowOpensItModalWithoutAPort();
  void aCallThatNeverAnswersIsReportedWhileTheWindowPaints();
};

void PcscWindowTest::controlsAndWhatTheButtonsFill() {
  FakeService f;
  kvt::RecordingNotifier n;
  KVT_730_M_PCSCForm w(f, n);
  QCOMPARE(w.windowTitle(), QStringLiteral("Smart Card Reader Operation window"));
  // Every button, in the window's order, with its caption as accessible name.
  QStringList buttons;
  for (auto* b : w.findChildren<QPushButton*>())
    buttons << b->objectName() + " " + b->text() + (b->accessibleName() == b->text() ? "" : " (no name)");
  QCOMPARE(buttons, (QStringList{"CmdEstablish Establish Context", "CmdListReaders Get Readers List",
                                 "CmdConnect SCard Connect", "cmdBeginTransaction SCard Begin Transaction",
                                 "cmdGetStatus SCard Status", "cmdTransmit SCard Transmit APDU",
                                 "cmdEndTransaction SCard End Transaction", "cmdDisconnect SCard Disconnect",
                                 "cmdRelease Release Context", "CmdExit Return", "cmdClear Clear"}));
  QCOMPARE(find<QGroupBox>(&w, "Frame1")->title(), QStringLiteral("Smart Card Reader List"));
  QCOMPARE(find<QComboBox>(&w, "ReaderList")->accessibleDescription(), QStringLiteral("Smart Card Reader List"));
  auto* apdu = find<QComboBox>(&w, "CmdText");
  QCOMPARE(find<QGroupBox>(&w, "Frame2")->title(), QStringLiteral("APDU Command String"));
  QCOMPARE(apdu->accessibleDescription(), QStringLiteral("APDU Command String"));
  QCOMPARE(apdu->currentText(), QStringLiteral("A0A40000022FE2"));
  QCOMPARE(items(apdu), (QStringList{"A0A40000022FE2", "A0B000000A", "0084000008", "00A40000023F00", "00C0000017",
                                     "00A404000E315041592E5359532E4444463031"}));
  QVERIFY(find<QLabel>(&w, "Label1")->text().endsWith("If an error occurs while executing a command, perform "
                                                      "the bottom three commands"));

  // The buttons fill the reader box and the result list.
  f.readers = QByteArray("First\0Second\0Third 00\0\0", 24);
  auto* readers = find<QComboBox>(&w, "ReaderList");
  find(&w, "CmdListReaders")->click();
  QCOMPARE(items(readers), (QStringList{"First", "Second", "Third 00"}));
  QCOMPARE(readers->currentIndex(), 0);
  f.results["list"] = LONG(SCARD_E_NO_READERS_AVAILABLE);
  find(&w, "CmdListReaders")->click();  // a failed list leaves the box alone
  // A failed call's code in pcsc-lite's own words, under the list and on its lines.
  auto* meaning = find<QLabel>(&w, "InsightText");
  QCOMPARE(meaning->text(), QStringLiteral("8010002E: Cannot find a smart card reader."));
  QCOMPARE(meaning->accessibleDescription(), meaning->text());
  QCOMPARE(find<QListWidget>(&w, "PCSCRESULT")->item(4)->toolTip(), meaning->text());
  readers->setCurrentIndex(2);
  find(&w, "CmdConnect")->click();
  QCOMPARE(f.readerName, QByteArray("Third 00"));
  auto* list = find<QListWidget>(&w, "PCSCRESULT");
  QCOMPARE(lines(&w).mid(3), (QStringList{"=============================", "SCardListReaders Error (8010002E)", "",
                                          "=============================", "SCardConnect Success", ""}));
  QCOMPARE(list->currentRow(), list->count() - 1);

  apdu->setEditText(" 00A4");
  find(&w, "cmdTransmit")->click();
  QCOMPARE(int(n.messages.size()), 1);
  QCOMPARE(n.messages[0].text, QStringLiteral("Error:Please Check The Data Effective"));
  QCOMPARE(list->count(), 9);
  apdu->setEditText("80CA9F7F00");
  f.response = QByteArray::fromHex("6A82");
  find(&w, "cmdTransmit")->click();
  QCOMPARE(f.sent, QByteArray::fromHex("80CA9F7F00"));
  // What the status word and the ATR mean: the line under the list and the lines' tooltips.
  QCOMPARE(meaning->text(), QStringLiteral("SW 6A82: File or application not found"));
  QCOMPARE(list->item(list->count() - 2)->toolTip(), meaning->text());
  f.atr = QByteArray::fromHex("3B021450");
  find(&w, "cmdGetStatus")->click();
  QVERIFY2(meaning->text().startsWith("Protocols: T=0; TCK: absent"), qPrintable(meaning->text()));
  QVERIFY(list->item(list->count() - 3)->toolTip().startsWith("TS: 3B (direct convention)\n"));
  // Screen readers get no tooltips: the decoding is the lines' accessible description too.
  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(list);
  QString described;
  for (int i = 0; a && i < a->childCount(); ++i)
    if (a->child(i)->text(QAccessible::Name).startsWith("ATR : 3B 02 14 50")) described = a->child(i)->text(QAccessible::Description);
  QCOMPARE(described, list->item(list->count() - 3)->toolTip());
  find(&w, "cmdClear")->click();
  QCOMPARE(list->count(), 0);
}

void PcscWindowTest::closingUnloadsOnce() {
  FakeService f;
  kvt::RecordingNotifier n;
  {
    KVT_730_M_PCSCForm w(f, n);
    find(&w, "CmdEstablish")->click();
    find(&w, "CmdConnect")->click();
    f.calls.clear();
    find(&w, "CmdExit")->click();
    QCOMPARE(f.calls, (QStringList{"end 202 0", "disconnect 202 1", "release 192"}));
    QCOMPARE(lines(&w).size(), 6);  // the unload shows nothing
  }
  QCOMPARE(f.calls.size(), 3);  // and does not run again when the window goes

  FakeService g;
  KVT_730_M_PCSCForm w(g, n);
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  w.close();  // the title bar's close
  QCOMPARE(g.calls, (QStringList{"end 0 0", "disconnect 0 1", "release 0"}));
}

void PcscWindowTest::mainWindowOpensItModalWithoutAPort() {
  kvt::AppState state;
  kvt::RecordingNotifier n;
  kvt::KVT_730_M_ReaderMain main(state, n);
  auto* button = find(&main, "LoadpcscformBtn");
  QVERIFY(button);
  QCOMPARE(button->text(), QStringLiteral("Open PC/SC Operation window"));
  QCOMPARE(qobject_cast<QGroupBox*>(button->parentWidget())->title(), QStringLiteral("PC/SC Operation"));

  FakeService* service = nullptr;
  main.makeSmartCardService = [&service] {
    auto s = std::make_unique<FakeService>();
    service = s.get();
    return s;
  };
  QStringList opened, seen;
  main.show();
  QVERIFY(QTest::qWaitForWindowExposed(&main));
  main.runDialog = [&](QDialog& d) {
    opened << d.objectName();
    QVERIFY(d.isModal());
    // It opens over its main window, centred, not in a corner of the screen nor, under X
    // without a window manager (pcsc_window_x11_test), against its top edge.
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QVERIFY(main.frameGeometry().contains(d.frameGeometry()));
    QVERIFY2((d.frameGeometry().center() - main.frameGeometry().center()).manhattanLength() < 8,
             qPrintable(QStringLiteral("%1,%2 %3x%4 over %5,%6 %7x%8").arg(d.x()).arg(d.y()).arg(d.width()).arg(d.height()).arg(main.x()).arg(main.y()).arg(main.width()).arg(main.height())));
    find(&d, "CmdEstablish")->click();
    seen = service->calls;
  };
  QVERIFY(!state.PortOpened);
  button->click();
  QCOMPARE(opened, QStringList{"KVT_730_M_PCSCForm"});
  QCOMPARE(seen, QStringList{"establish 0"});
  QVERIFY(n.messages.empty());  // no "Comm. Port Setup First"
}

void PcscWindowTest::aCallThatNeverAnswersIsReportedWhileTheWindowPaints() {
  // A reader that takes a transmit and does not answer until told to.
  struct Hanging : FakeService {
    std::promise<void> answer;
    std::shared_future<void> answered = answer.get_future().share();
    LONG transmit(SCARDHANDLE h, const SCARD_IO_REQUEST* sh, const BYTE* d, DWORD l, SCARD_IO_REQUEST* rh, BYTE* o,
                  DWORD* ol) override {
      answered.wait();
      return FakeService::transmit(h, sh, d, l, rh, o, ol);
    }
  };
  auto owned = std::make_unique<Hanging>();
  Hanging& fake = *owned;
  kvt::BoundedService service(std::move(owned), kvt::WaitMode::KeepPainting, 300);
  kvt::RecordingNotifier n;
  KVT_730_M_PCSCForm w(service, n);
  w.show();
  for (const char* b : {"CmdEstablish", "CmdConnect"}) find(&w, b)->click();
  int ticks = 0;  // the event loop runs while the call waits
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
  ticker.start(20);
  find(&w, "cmdTransmit")->click();
  ticker.stop();
  QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
  QCOMPARE(lines(&w).mid(6), (QStringList{"=============================", "SCardTransmit Error 8010000A", ""}));
  // The context is busy until the call ends: further calls say so at once.
  find(&w, "CmdConnect")->click();
  QCOMPARE(lines(&w).value(10), QStringLiteral("SCardConnect Error (8010000A)"));
  // Once the reader answers, the abandoned call gives the card back, and Connect works again.
  fake.answer.set_value();
  QTRY_VERIFY(fake.callsSoFar().contains("disconnect 202 1"));
  find(&w, "CmdConnect")->click();
  QTRY_COMPARE(lines(&w).value(13), QStringLiteral("SCardConnect Success"));
}

QTEST_MAIN(PcscWindowTest)
#include "pcsc_window_test.moc"
