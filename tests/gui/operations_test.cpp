// SPDX-License-Identifier: MIT
// The buttons of the main windows against the simulated reader on COM1: a real serial
// port on a pseudo-terminal, opened through the port setup dialog.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTextLayout>

#include "core/machine/status_ops.h"
#include "gui/app/chooser_window.h"
#include "gui/app/reader_main_b.h"
#include "gui/app/reader_main_m.h"
#include "gui/link/port_setup_dialog.h"
#include "gui/widgets/log_panel.h"
#include "gui_fixture.h"
#include "page_helpers.h"

using namespace gui_test;
using kvt::Variant;

class OperationsTest : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void cleanup();

  void portClosedLeavesTheLogAlone();
  void setupCommTakesWhatIsTypedProbesAndCloseCommCloses();
  void scanFillsTheDialogAndOkOpens();
  void buttonsShowWhatTheReaderSent();

 private:
  std::unique_ptr<Rig> rig_;
  std::unique_ptr<kvt::ReaderMainWindow> window_;
  DialogRunner runner_;

  kvt::ReaderMainWindow& open(Variant v) {
    window_ = kvt::CreateMainWindow(v, rig_->state, rig_->notifier, rig_->ports, fastTimeouts());
    runner_ = DialogRunner{};
    openPort(*window_);
    runner_.install(*window_);
    return *window_;
  }
  QString log() const { return window_->logPanel().text(); }
};

void OperationsTest::init() {
  rig_ = std::make_unique<Rig>();
  QVERIFY(rig_->start());
}

void OperationsTest::cleanup() {
  window_.reset();
  rig_.reset();
}

void OperationsTest::portClosedLeavesTheLogAlone() {
  window_ = kvt::CreateMainWindow(Variant::B, rig_->state, rig_->notifier, rig_->ports, fastTimeouts());
  window_->logPanel().append(QStringLiteral("earlier\r\n"));
  for (const char* b : {"CardStatusBtn", "SensorStatusBtn", "ReaderResetBtn", "MoveCardToFront1Btn",
                        "TypeReadsn", "IRCONFIGCMD", "IRTenKaReadCMD", "IRTenKaFormatCMD"})
    click(window_.get(), b);
  QCOMPARE(log(), QStringLiteral("earlier\r\n"));
  QCOMPARE(rig_->notifier.messages.size(), size_t(8));
  for (const auto& m : rig_->notifier.messages)
    QCOMPARE(m, (kvt::Message{kvt::MessageIcon::Warning, "Caution", "Comm. Port Setup First"}));
  QVERIFY(rig_->simulation.host().received().empty());
  QCOMPARE(find<QLineEdit>(window_.get(), "IRTenKaEdit")->text(), QStringLiteral("000"));
}

void OperationsTest::setupCommTakesWhatIsTypedProbesAndCloseCommCloses() {
  window_ = kvt::CreateMainWindow(Variant::M, rig_->state, rig_->notifier, rig_->ports, fastTimeouts());
  auto& w = *window_;
  runner_.inspect = [&](QDialog& d) {
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    auto* port = find<QComboBox>(&d, "PortCombo");
    auto* baud = find<QComboBox>(&d, "BaudCombo");
    // Return presses "OK", which refuses the text (the refusals are tests/core's) and keeps
    // the dialog open; nothing is added to the list.
    port->clearEditText();
    page_test::typeAsUser(port, QStringLiteral("COM99"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(port->count(), 15);
    QCOMPARE(port->currentText(), QStringLiteral("COM99"));
    QCOMPARE(rig_->notifier.messages.size(), size_t(1));
    QCOMPARE(d.result(), int(QDialog::Rejected));
    // A typed prefix of a list item stays as typed: "COM1" is not completed to "COM10".
    port->clearEditText();
    page_test::typeAsUser(port, QStringLiteral("COM1"));
    QCOMPARE(port->currentText(), QStringLiteral("COM1"));
    baud->clearEditText();
    page_test::typeAsUser(baud, QStringLiteral("9600 bits/s"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(baud->count(), 4);
    QCOMPARE(d.result(), int(QDialog::Accepted));
  };
  runner_.install(w);
  click(&w, "IROpencom");
  QCOMPARE(rig_->notifier.messages.size(), size_t(1));  // the refusal's text is tests/core's
  QVERIFY(rig_->state.PortOpened);
  QVERIFY(w.port().isOpen());
  QVERIFY(log().startsWith(QStringLiteral("SD: F2 00 00 03 43 31 30 03 B0 \r\nRD: 06\r\n")));
  click(&w, "CardStatusBtn");  // its outcome is shown
  QCOMPARE(rig_->notifier.messages.back().title, QStringLiteral("Card Status"));

  click(&w, "IRCLOSECOM");
  QVERIFY(!rig_->state.PortOpened);
  QVERIFY(!w.port().isOpen());

  // A reader at another address does not answer the probe.
  find<QComboBox>(&w, "cmbAddress864")->setCurrentIndex(10);
  openPort(w);
  QVERIFY(!rig_->state.PortOpened);
  QVERIFY(!w.port().isOpen());
  QVERIFY(rig_->notifier.messages.back().text.startsWith(QStringLiteral("Unit not detected")));
}

void OperationsTest::scanFillsTheDialogAndOkOpens() {
  window_ = kvt::CreateMainWindow(Variant::M, rig_->state, rig_->notifier, rig_->ports, fastTimeouts());
  QString label;
  runner_.inspect = [&](QDialog& d) {
    d.show();
    auto* port = find<QComboBox>(&d, "PortCombo");
    auto* baud = find<QComboBox>(&d, "BaudCombo");
    port->setEditText(QStringLiteral("COM9"));
    baud->setEditText(QStringLiteral("57600 bits/s"));
    QTest::mouseClick(find<QLabel>(&d, "AutoLabel"), Qt::LeftButton);
    click(&d, "Command3");
    auto* found = find<kvt::UnbrokenHyphenLabel>(&d, "Label1");
    label = found->text();
    // Laid out in the label's own width, the model name never breaks across lines.
    QTextLayout layout(found->shownText(), found->font());
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QStringList lines;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
      line.setLineWidth(found->contentsRect().width());
      lines << found->shownText().mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    QVERIFY2(lines.filter(QString::fromUtf8("KVT\u2011730\u2011M")).size() == 1, qPrintable(lines.join(" | ")));
    QCOMPARE(hiddenValues(&d), QStringList());
    QCOMPARE(port->currentText(), QStringLiteral("COM1"));
    QCOMPARE(baud->currentText(), QStringLiteral("9600 bits/s"));
    click(&d, "Command1");
    QCOMPARE(d.result(), int(QDialog::Accepted));
  };
  runner_.install(*window_);
  click(window_.get(), "IROpencom");
  QCOMPARE(label, QStringLiteral("Found KVT-730-M AT COM1 Baut Rate 9600"));
  QVERIFY(rig_->state.PortOpened);
}

void OperationsTest::buttonsShowWhatTheReaderSent() {
  // The decoding of each reply is the core's test; here the reader's bytes reach the windows.
  auto& w = open(Variant::B);
  rig_->withReader([](sim::Reader& r) {
    QVERIFY(r.insertCard());
    r.setConfiguration("9V100ER2221");
    r.setSerialNumber("  SN 0042  ");
  });
  QStringList shown;
  runner_.inspect = [&](QDialog& d) {
    QCOMPARE(hiddenValues(&d), QStringList());  // each value reaches screen readers
    for (const char* n : {"Label10", "Label11", "Label13", "Text1"}) {
      if (auto* l = find<QLabel>(&d, n)) shown << l->text();
      if (auto* e = find<QLineEdit>(&d, n)) shown << e->text();
    }
  };
  for (const char* button : {"SensorStatusBtn", "IRCONFIGCMD", "TypeReadsn"}) click(&w, button);
  QCOMPARE(runner_.opened, (QStringList{"KVT_730_B_SensorStateForm", "KVT_730_B_ConfigForm", "KVT_730_B_ReadSn"}));
  // Sensors 1, 2 and 4 (the card in the front gate), configuration rows 0, 1 and 3, the
  // trimmed serial number.
  QCOMPARE(shown, (QStringList{"On", "On", "Off", "KVT-730", "V100", "RS-232 Interface", "SN 0042"}));
  QVERIFY(rig_->notifier.messages.empty());

  // A refusal opens no window (the reader's error shown is tests/core's).
  for (const char* button : {"TypeReadsn", "IRCONFIGCMD", "SensorStatusBtn"}) {
    rig_->withReader([](sim::Reader& r) {
      sim::Fault f{sim::FaultKind::Negative};
      f.negativeCode = "A0";
      r.setFault(f);
    });
    click(&w, button);
  }
  QCOMPARE(runner_.opened.size(), 3);

  // INITIALIZE sends the option chosen in its dialog; Cancel sends nothing.
  runner_.inspect = [](QDialog& d) {
    QCOMPARE(d.windowTitle(), QStringLiteral("Initialize Option"));
    QVERIFY(find<QAbstractButton>(&d, "Option1")->isChecked());
    find<QAbstractButton>(&d, "Option4")->click();
    click(&d, "Command1");
  };
  click(&w, "ReaderResetBtn");
  QCOMPARE(runner_.opened.last(), QStringLiteral("KVT_730_B_ResetOptionForm"));
  // The option reached the operation and its outcome is shown (the frame and text are tests/core's).
  QCOMPARE(rig_->state.InitializeParameter, 0x33);
  QCOMPARE(rig_->notifier.messages.back().title, QStringLiteral("INITIALIZE"));
  size_t messages = rig_->notifier.messages.size();
  int commands = 0;
  rig_->withReader([&](sim::Reader& r) { commands = r.commandsSeen(); });
  runner_.inspect = [](QDialog& d) { click(&d, "Command2"); };
  click(&w, "ReaderResetBtn");
  QCOMPARE(rig_->state.InitializeParameter, 0);
  QTest::qWait(50);
  rig_->withReader([&](sim::Reader& r) { QCOMPARE(r.commandsSeen(), commands); });
  QCOMPARE(rig_->notifier.messages.size(), messages);

  // A movement's outcome is shown (its frame and text are tests/core's).
  click(&w, "MoveCardToICCBtn");
  QCOMPARE(rig_->notifier.messages.back().title, QStringLiteral("Move card to IC card operation position"));

  // The counter buttons fill the box; a failed exchange leaves it as it was and shows no success.
  auto* box = find<QLineEdit>(&w, "IRTenKaEdit");
  box->clear();
  QTest::keyClicks(box, QStringLiteral("7x"));
  click(&w, "IRTenKaFormatCMD");
  QCOMPARE(box->text(), QStringLiteral("007"));
  rig_->withReader([](sim::Reader& r) { r.setCaptureCounter(42); });
  click(&w, "IRTenKaReadCMD");
  QCOMPARE(box->text(), QStringLiteral("042"));
  rig_->withReader([](sim::Reader& r) { r.setFault(sim::Fault{sim::FaultKind::Silent}); });
  messages = rig_->notifier.messages.size();
  click(&w, "IRTenKaReadCMD");
  QCOMPARE(box->text(), QStringLiteral("042"));
  QVERIFY(rig_->notifier.messages.size() > messages);
  for (size_t i = messages; i < rig_->notifier.messages.size(); ++i)
    QVERIFY(rig_->notifier.messages[i].title != QStringLiteral("Read Counter"));
  QVERIFY(log().endsWith(QStringLiteral("\r\n\r\n")));
}

QTEST_MAIN(OperationsTest)
#include "operations_test.moc"
