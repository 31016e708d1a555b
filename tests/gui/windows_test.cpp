// SPDX-License-Identifier: MIT
// The windows as the user meets them: the chooser, the two main windows and their
// controls, the port setup dialog, and the result windows fed with chosen bytes.
#include <QAction>
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QComboBox>
#include <QMenu>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>

#include "gui/app/chooser_window.h"
#include "gui/app/reader_main_b.h"
#include "gui/app/reader_main_m.h"
#include "gui/app/sim_control_window.h"
#include "gui/link/port_setup_dialog.h"
#include "gui/machine/sensor_window.h"
#include "gui_fixture.h"
#include "page_helpers.h"

using namespace gui_test;
using kvt::Variant;

using page_test::tabCaptions;

class WindowsTest : public QObject {
  Q_OBJECT
 private slots:
  void chooserOpensTheChosenModel_data();
  void chooserOpensTheChosenModel();
  void portSetupDialogFoldsAndShowsDevices();
  void simulatorPanelCoversNothingOfTheMainWindow();
  void toolsMenuEditsThePortMapOfTheRun();
  void sensorWindowRowsAndColours();
  void helpAboutNamesVersionLicenceAndLibraries();
};

void WindowsTest::chooserOpensTheChosenModel_data() {
  QTest::addColumn<QString>("button");
  QTest::addColumn<QString>("window");
  QTest::addColumn<QString>("frontHold");
  QTest::newRow("MA1") << "Command1" << "KVT_730_B_ReaderMain" << "the front , hold the card";
  QTest::newRow("MB1") << "Command2" << "KVT_730_M_ReaderMain" << "the front,hold the card";
}

// The chooser, then the controls of the main window it opened.
void WindowsTest::chooserOpensTheChosenModel() {
  QFETCH(QString, button);
  QFETCH(QString, window);
  QFETCH(QString, frontHold);
  kvt::AppState state;
  kvt::RecordingNotifier notifier;
  std::unique_ptr<kvt::ReaderMainWindow> w;
  int variant = -1;
  QPointer<kvt::KVT_730_B_AboutDialog> chooser = new kvt::KVT_730_B_AboutDialog([&](Variant v) {
    variant = int(v);
    w = kvt::CreateMainWindow(v, state, notifier, {});
    w->show();
  });
  chooser->show();
  QCOMPARE(chooser->windowTitle(), QStringLiteral("TEST730_Z001_V10_EN"));
  QCOMPARE(find<QPushButton>(chooser, "Command1")->text(), QStringLiteral("KVT-730-MA1"));
  QCOMPARE(find<QPushButton>(chooser, "Command2")->text(), QStringLiteral("KVT-730-MB1"));

  find<QPushButton>(chooser, button.toLatin1())->click();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QVERIFY(chooser.isNull());
  QVERIFY(w);
  QCOMPARE(w->objectName(), window);
  QCOMPARE(w->windowTitle(), QStringLiteral("TEST730_Z001_V10_EN (2013/09/09)"));

  const QStringList cardPages = Variant(variant) == Variant::B ? QStringList{"RF CARD", "IC CARD"} : QStringList{};
  QCOMPARE(tabCaptions(w->tabs()), cardPages + QStringList({"EXTEND FUNCTION", "MONITOR"}));

  const QList<QPair<const char*, QString>> buttons = {
      {"IROpencom", "Setup Comm"},
      {"IRCLOSECOM", "Close Comm"},
      {"SensorStatusBtn", "Sensor Status"},
      {"CardStatusBtn", "Card Status"},
      {"ReaderResetBtn", "INITIALIZE"},
      {"MoveCardToFront1Btn", "the front"},
      {"MoveCardToICCBtn", "the IC card operation position"},
      {"MoveCardToRFBtn", "the RF card operation position"},
      {"MoveCardToRecycleBinBtn", "Error Card Bin"},
      {"MoveCardToFront2Btn", frontHold},
      {"AllCardInBtn", "Allowed"},
      {"NoCardInBtn", "Prohibition"},
      {"EXITGRM", "Exit"},
      {"TypeReadsn", "Read SN"},
      {"IRCONFIGCMD", "Unit configuration"},
      {"IRTenKaReadCMD", "Read Counter"},
      {"IRTenKaFormatCMD", "InitializeI Counter"},
      {"ClearSDTDText", "Clear Data"},
      {"SaveSDTDText", "Save To"},
  };
  for (const auto& [name, caption] : buttons) {
    auto* b = find<QPushButton>(w.get(), name);
    QVERIFY2(b, name);
    QCOMPARE(b->text(), caption);
    QCOMPARE(b->accessibleName(), caption);
  }
  // The variant's own buttons, opening what tests/rf, tests/contact, tests/cmdline and tests/pcsc try.
  const QStringList own = Variant(variant) == Variant::B ? QStringList{"RFTestTypeCmd", "ICTestTypeCmd", "OpenCmdFormBtn"}
                                                         : QStringList{"LoadpcscformBtn"};
  for (const char* name : {"RFTestTypeCmd", "ICTestTypeCmd", "OpenCmdFormBtn", "LoadpcscformBtn"})
    QCOMPARE(find<QWidget>(w.get(), name) != nullptr, own.contains(QLatin1String(name)));

  QStringList frames;
  for (auto* g : w->findChildren<QGroupBox*>()) frames << g->title();
  for (const char* f : {"COMM. PORT SETTING", "RESET / STATUS", "Card Move to", "Enter Control", "Unit SN OPERATION",
                        "Unit configuration", "Capture Card Counter"})
    QVERIFY2(frames.contains(QString::fromLatin1(f)), f);

  auto* address = find<QComboBox>(w.get(), "cmbAddress864");
  QCOMPARE(address->count(), 16);
  QCOMPARE(address->itemText(0), QStringLiteral("0"));
  QCOMPARE(address->itemText(10), QStringLiteral("A"));
  QCOMPARE(address->itemText(15), QStringLiteral("F"));
  QCOMPARE(address->currentIndex(), 0);
  QCOMPARE(address->accessibleDescription(), QStringLiteral("Device Addr:"));

  auto* counter = find<QLineEdit>(w.get(), "IRTenKaEdit");
  QCOMPARE(counter->text(), QStringLiteral("000"));
  QCOMPARE(page_test::buddyText(w.get(), counter), QStringLiteral("Counter:"));

  auto* record = find<QAbstractButton>(w.get(), "CheckRecord");
  QCOMPARE(record->text(), QStringLiteral("Record Data"));
  QVERIFY(!record->isChecked());
  QCOMPARE(find<QWidget>(w.get(), "SDTDText")->accessibleName(), QStringLiteral("MONITOR"));

  // Tab goes down the left column, then to the address box and "Exit", then into the tabs.
  const QStringList order = tabOrder(w.get());
  const QStringList column =
      Variant(variant) == Variant::B
          ? QStringList{"IROpencom", "RFTestTypeCmd", "ICTestTypeCmd", "SensorStatusBtn", "NoCardInBtn", "OpenCmdFormBtn"}
          : QStringList{"IROpencom", "LoadpcscformBtn", "SensorStatusBtn", "NoCardInBtn"};
  QStringList seen;
  for (const QString& name : column + QStringList{"cmbAddress864", "EXITGRM", "SSTab1", "TypeReadsn", "SDTDText"})
    seen << QString::number(order.indexOf(name)).rightJustified(4, '0') + " " + name;
  QStringList sorted = seen;
  sorted.sort();
  QCOMPARE(seen, sorted);
  QVERIFY2(!seen.first().startsWith("-"), qPrintable(seen.first()));

  // The title bar's close ends the program on variant M only, as "Exit" does on both.
  int ended = 0;
  w->endProgram = [&] { ++ended; };
  w->close();
  const int onClose = Variant(variant) == Variant::M ? 1 : 0;
  QCOMPARE(ended, onClose);
  click(w.get(), "EXITGRM");
  QCOMPARE(ended, onClose + 1);
  QVERIFY(notifier.messages.empty());
}

void WindowsTest::portSetupDialogFoldsAndShowsDevices() {
  kvt::AppState state;
  kvt::RecordingNotifier notifier;
  kvt::PortMap ports;
  ports.set(3, QStringLiteral("/dev/ttyUSB7"));
  kvt::KVT_730_M_ReaderMain w(state, notifier, ports);
  DialogRunner runner;
  runner.inspect = [&](QDialog& d) {
    QCOMPARE(d.windowTitle(), QStringLiteral("Communication Setting"));
    auto* port = find<QComboBox>(&d, "PortCombo");
    auto* baud = find<QComboBox>(&d, "BaudCombo");
    // The list sizes and the initial COM1 / 9600 bits/s are what the operations test meets.
    QCOMPARE(port->itemText(14), QStringLiteral("COM15"));
    QVERIFY(port->isEditable() && baud->isEditable());
    QCOMPARE(baud->itemText(3), QStringLiteral("57600 bits/s"));

    auto* device = find<QLabel>(&d, "DeviceLabel");
    QVERIFY(device->text().endsWith(kvt::PortMap::defaultDevice(1)));
    port->setCurrentIndex(2);
    QVERIFY(device->text().endsWith(QStringLiteral("/dev/ttyUSB7")));
    QCOMPARE(port->itemData(2, Qt::ToolTipRole).toString(), QStringLiteral("/dev/ttyUSB7"));

    auto* autoLabel = find<kvt::ClickableLabel>(&d, "AutoLabel");
    QCOMPARE(d.width(), 211);
    QCOMPARE(autoLabel->text(), QStringLiteral("'AUTO SCAN'   Unfold -->>"));
    QTest::mouseClick(autoLabel, Qt::LeftButton);
    QCOMPARE(d.width(), 299);
    QCOMPARE(autoLabel->text(), QStringLiteral("'AUTO SCAN' Fold <<--"));
    QVERIFY(find<QPushButton>(&d, "Command3")->geometry().left() >= 211);
    QTest::mouseClick(autoLabel, Qt::LeftButton);
    QCOMPARE(d.width(), 211);
    click(&d, "Command2");
  };
  runner.install(w);
  click(&w, "IROpencom");
  QCOMPARE(runner.opened, QStringList{"KVT_730_M_COMSET"});
  QVERIFY(!state.PortOpened);
}

void WindowsTest::simulatorPanelCoversNothingOfTheMainWindow() {
  Rig rig;
  QVERIFY(rig.start());
  const QRect screen(0, 0, 1280, 1024);
  const QSize titleBar(0, 30);  // offscreen windows have none; a window manager adds one
  kvt::SimControlWindow panel(rig.simulation.host());
  panel.adjustSize();
  QCOMPARE(hiddenValues(&panel), QStringList());
  for (Variant v : {Variant::B, Variant::M}) {
    auto w = kvt::CreateMainWindow(v, rig.state, rig.notifier, rig.ports);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    const QRect main(QPoint(0, 0), w->size() + titleBar);
    const QRect at(kvt::SimPanelPosition(main, panel.size() + titleBar, screen), panel.size() + titleBar);
    QVERIFY2(screen.contains(at) && !at.intersects(main),
             qPrintable(QStringLiteral("panel %1,%2 %3x%4 main %5x%6").arg(at.x()).arg(at.y()).arg(at.width()).arg(at.height()).arg(main.width()).arg(main.height())));
  }
  // No room anywhere: it stays on the screen and covers as little as it can.
  const QRect big(0, 0, 1000, 700);
  const QRect small = QRect(kvt::SimPanelPosition(big, QSize(400, 300), QRect(0, 0, 1024, 768)), QSize(400, 300));
  QVERIFY(QRect(0, 0, 1024, 768).contains(small));
  QCOMPARE(small.intersected(big).height() * small.intersected(big).width(), 232 * 400);
}

void WindowsTest::toolsMenuEditsThePortMapOfTheRun() {
  QTemporaryDir dir;
  QSettings settings(dir.filePath("kvt730-tool.conf"), QSettings::IniFormat);
  kvt::AppState state;
  kvt::RecordingNotifier notifier;
  kvt::KVT_730_B_ReaderMain w(state, notifier);
  auto* action = w.findChild<QAction*>("PortMapAction");
  QVERIFY(action && !action->isEnabled());  // nowhere to keep a map yet
  QStringList storedSeen;
  w.setPortMapSettings(&settings, [&](const QMap<int, QString>& stored) {
    kvt::PortMap map;
    for (auto it = stored.begin(); it != stored.end(); ++it) map.set(it.key(), it.value());
    map.set(1, "/dev/the-simulator");  // what the run puts over the stored entries
    return map;
  });
  QVERIFY(action->isEnabled());
  DialogRunner runner;
  runner.inspect = [](QDialog& d) {
    d.findChild<QLineEdit*>("PortMapCOM5Text")->setText("tcp://127.0.0.1:7000");
    click(&d, "OkBtn");
  };
  runner.install(w);
  action->trigger();
  QCOMPARE(runner.opened, QStringList{"PortMapDialog"});
  QCOMPARE(w.session().portMap.device(5), QStringLiteral("tcp://127.0.0.1:7000"));
  QCOMPARE(w.session().portMap.device(1), QStringLiteral("/dev/the-simulator"));  // storing is tests/net's
}

void WindowsTest::sensorWindowRowsAndColours() {
  // On, off, a stray byte, then on again; the rest off, two stray bytes, on twice.
  const QByteArray bytes = QByteArray("10x1") + QByteArray(4, '0') + QByteArray("\x03\xB5", 2) + "11";
  const QStringList shown = {"On", "Off", "", "On", "Off", "Off", "Off", "Off", "", "", "On", "On"};
  const QColor red(255, 0, 0);
  for (Variant v : {Variant::B, Variant::M}) {
    auto w = kvt::MakeSensorWindow(v, bytes, nullptr);
    QCOMPARE(w->windowTitle(), QStringLiteral("Test the status of the sensor"));
    const int rows = v == Variant::B ? 12 : 8;
    const QColor normal = find<QLabel>(w.get(), "SensorName0")->palette().color(QPalette::WindowText);
    QVERIFY(normal != red);
    for (int k = 0; k < 12; ++k) {
      auto* value = w->findChild<QLabel*>(QStringLiteral("Label%1").arg(10 + k));
      QCOMPARE(value != nullptr, k < rows);
      if (!value) continue;
      QCOMPARE(value->text(), shown[k]);
      QCOMPARE(value->palette().color(QPalette::WindowText), shown[k] == "On" ? red : normal);
    }
    QCOMPARE(find<QLabel>(w.get(), "SensorName7")->text(), QStringLiteral("Sensor 8 (PSS8)"));
    QCOMPARE(hiddenValues(w.get()), QStringList());  // each value reaches screen readers
    QCOMPARE(find<QPushButton>(w.get(), "Command1")->text(), QStringLiteral("OK"));
  }
}

// Help > About in either main window: the version of the build, the licence, and the
// libraries it runs on.
void WindowsTest::helpAboutNamesVersionLicenceAndLibraries() {
  kvt::AppState state;
  kvt::RecordingNotifier notifier;
  for (Variant v : {Variant::B, Variant::M}) {
    notifier.messages.clear();
    auto w = kvt::CreateMainWindow(v, state, notifier, {});
    auto* help = w->findChild<QMenu*>("HelpMenu");
    QVERIFY(help);
    QCOMPARE(help->title(), QStringLiteral("&Help"));
    auto* about = w->findChild<QAction*>("AboutAction");
    QVERIFY(about && about->isEnabled());
    QVERIFY(help->actions().contains(about));
    about->trigger();
    QCOMPARE(notifier.messages.size(), size_t(1));
    const kvt::Message& m = notifier.messages.front();
    QCOMPARE(m.title, QStringLiteral("About kvt730-tool"));
    QVERIFY2(m.text.startsWith(QStringLiteral("kvt730-tool " KVT_EXPECTED_VERSION "\n")), qPrintable(m.text));
    QVERIFY(m.text.contains(QStringLiteral("Licence: MIT")));
    QVERIFY(m.text.contains(QStringLiteral("Qt ") + QString::fromLatin1(qVersion())));
    QVERIFY(m.text.contains(QRegularExpression(QStringLiteral("\npcsc-lite \\d+\\.\\d+\\.\\d+$"))));
  }
}

QTEST_MAIN(WindowsTest)
#include "windows_test.moc"
