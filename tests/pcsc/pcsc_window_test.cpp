// The PC/SC window on a fake service: its controls, the result list, the reader box,
// the APDU refusal box, Clear, the unload on Return.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "app/app_state.h"
#include "app/notifier.h"
#include "fake_service.h"
#include "pcsc/pcsc_window.h"

using kvt::KVT_730_M_PCSCForm;
using pcsc_test::FakeService;

namespace {

template <class T>
T* find(QObject* root, const char* name) {
  return root->findChild<T*>(QString::fromLatin1(name));
}

void click(QObject* root, const char* name) {
  auto* b = find<QPushButton>(root, name);
  QVERIFY2(b, name);
  b->click();
}

QStringList resultLines(QObject* w) {
  QStringList lines;
  auto* list = find<QListWidget>(w, "PCSCRESULT");
  for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
  return lines;
}

}  // namespace

class PcscWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void controlsCaptionsAndNames();
  void readerListAndResultLines();
  void badApduShowsTheCautionBoxOnly();
  void returnUnloadsOnce();
};

void PcscWindowTest::controlsCaptionsAndNames() {
  FakeService f;
  kvt::RecordingNotifier n;
  KVT_730_M_PCSCForm w(f, n);
  QCOMPARE(w.objectName(), QStringLiteral("KVT_730_M_PCSCForm"));
  QCOMPARE(w.windowTitle(), QStringLiteral("Smart Card Reader Operation window"));
  QVERIFY(w.isModal());

  const QList<QPair<const char*, QString>> buttons = {
      {"CmdEstablish", "Establish Context"},
      {"CmdListReaders", "Get Readers List"},
      {"CmdConnect", "SCard Connect"},
      {"cmdBeginTransaction", "SCard Begin Transaction"},
      {"cmdGetStatus", "SCard Status"},
      {"cmdTransmit", "SCard Transmit APDU"},
      {"cmdEndTransaction", "SCard End Transaction"},
      {"cmdDisconnect", "SCard Disconnect"},
      {"cmdRelease", "Release Context"},
      {"CmdExit", "Return"},
      {"cmdClear", "Clear"},
  };
  for (const auto& [name, caption] : buttons) {
    auto* b = find<QPushButton>(&w, name);
    QVERIFY2(b, name);
    QCOMPARE(b->text(), caption);
    QCOMPARE(b->accessibleName(), caption);
  }
  QCOMPARE(find<QGroupBox>(&w, "Frame1")->title(), QStringLiteral("Smart Card Reader List"));
  QCOMPARE(find<QGroupBox>(&w, "Frame2")->title(), QStringLiteral("APDU Command String"));
  auto* readers = find<QComboBox>(&w, "ReaderList");
  QCOMPARE(readers->accessibleDescription(), QStringLiteral("Smart Card Reader List"));
  QCOMPARE(readers->count(), 0);

  auto* apdu = find<QComboBox>(&w, "CmdText");
  QCOMPARE(apdu->accessibleDescription(), QStringLiteral("APDU Command String"));
  QCOMPARE(apdu->currentText(), QStringLiteral("A0A40000022FE2"));
  QStringList items;
  for (int i = 0; i < apdu->count(); ++i) items << apdu->itemText(i);
  QCOMPARE(items, (QStringList{"A0A40000022FE2", "A0B000000A", "0084000008", "00A40000023F00", "00C0000017",
                               "00A404000E315041592E5359532E4444463031"}));
  QVERIFY(apdu->isEditable());

  QCOMPARE(find<QLabel>(&w, "Label1")->text(),
           QStringLiteral("Description: Please execute the command from top to bottom, when there are multiple "
                          "readers, please select the correct card reader. If an error occurs while executing a "
                          "command, perform the bottom three commands"));
  QVERIFY(!find<QListWidget>(&w, "PCSCRESULT")->accessibleName().isEmpty());
}

void PcscWindowTest::readerListAndResultLines() {
  FakeService f;
  f.readers = QByteArray("First Reader\0Second\0Third 00\0\0", 31);
  kvt::RecordingNotifier n;
  KVT_730_M_PCSCForm w(f, n);
  click(&w, "CmdEstablish");
  click(&w, "CmdListReaders");
  auto* readers = find<QComboBox>(&w, "ReaderList");
  QStringList names;
  for (int i = 0; i < readers->count(); ++i) names << readers->itemText(i);
  QCOMPARE(names, (QStringList{"First Reader", "Second", "Third 00"}));
  QCOMPARE(readers->currentIndex(), 0);

  // A second list replaces the first; the chosen name goes to Connect.
  f.readers = QByteArray("Only\0\0", 6);
  click(&w, "CmdListReaders");
  QCOMPARE(readers->count(), 1);
  f.results["connect"] = 6;
  click(&w, "CmdConnect");
  QCOMPARE(f.readerName, QByteArray("Only"));

  const QString sep = QStringLiteral("=============================");
  QCOMPARE(resultLines(&w), (QStringList{sep, "SCardEstablishContext Success", "", sep, "SCardListReaders Success",
                                         "", sep, "SCardListReaders Success", "", sep,
                                         "SCardConnect Error (00000006)", ""}));
  auto* list = find<QListWidget>(&w, "PCSCRESULT");
  QCOMPARE(list->currentRow(), list->count() - 1);
  QVERIFY(n.messages.empty());

  // A failed list leaves the box as it was.
  f.results["list"] = LONG(SCARD_E_NO_READERS_AVAILABLE);
  click(&w, "CmdListReaders");
  QCOMPARE(readers->currentText(), QStringLiteral("Only"));

  click(&w, "cmdClear");
  QCOMPARE(list->count(), 0);
}

void PcscWindowTest::badApduShowsTheCautionBoxOnly() {
  FakeService f;
  kvt::RecordingNotifier n;
  KVT_730_M_PCSCForm w(f, n);
  auto* apdu = find<QComboBox>(&w, "CmdText");
  for (const char* text : {" 00A4", "00XY"}) {
    apdu->setEditText(QString::fromLatin1(text));
    click(&w, "cmdTransmit");
  }
  QCOMPARE(int(n.messages.size()), 2);
  for (const auto& m : n.messages) {
    QCOMPARE(m.icon, kvt::MessageIcon::Warning);
    QCOMPARE(m.title, QStringLiteral("Caution"));
    QCOMPARE(m.text, QStringLiteral("Error:Please Check The Data Effective"));
  }
  QVERIFY(resultLines(&w).isEmpty());
  QVERIFY(f.calls.isEmpty());

  // A typed APDU that is not in the list goes out as typed.
  f.response = QByteArray("\x6D\x00", 2);
  apdu->setEditText(QStringLiteral("80CA9F7F00"));
  click(&w, "cmdTransmit");
  QCOMPARE(f.sent, QByteArray::fromHex("80CA9F7F00"));
  QCOMPARE(resultLines(&w).mid(1, 3),
           (QStringList{"SCardTransmit Success ", "Send Data:80 CA 9F 7F 00 ", "Receive Data:6D 00 "}));
}

void PcscWindowTest::returnUnloadsOnce() {
  FakeService f;
  kvt::RecordingNotifier n;
  {
    KVT_730_M_PCSCForm w(f, n);
    click(&w, "CmdEstablish");
    click(&w, "CmdConnect");
    f.calls.clear();
    click(&w, "CmdExit");
    const QString card = QString::number(f.card);
    QCOMPARE(f.calls, (QStringList{"end " + card + " 0", "disconnect " + card + " 1",
                                   "release " + QString::number(f.context)}));
    QCOMPARE(resultLines(&w).size(), 6);  // nothing added by the unload
  }
  QCOMPARE(f.calls.size(), 3);  // not again when the window is destroyed

  // Closing by the title bar unloads too.
  FakeService g;
  KVT_730_M_PCSCForm w(g, n);
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  w.close();
  QCOMPARE(g.calls, (QStringList{"end 0 0", "disconnect 0 1", "release 0"}));
}

QTEST_MAIN(PcscWindowTest)
#include "pcsc_window_test.moc"
