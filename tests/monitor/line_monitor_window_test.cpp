// SPDX-License-Identifier: MIT
// The Line Monitor window on a simulated reader: its controls, the table and its filters,
// the detail pane, pausing the view while the line goes on, and saving what passed.
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "../sim/pty_client.h"
#include "core/base/notifier.h"
#include "gui/monitor/line_monitor_action.h"
#include "gui/monitor/line_monitor_window.h"
#include "sim/pty_host.h"

using namespace kvt;

namespace {

const std::vector<uint8_t> kCardStatus = {0xF2, 0x00, 0x00, 0x03, 0x43, 0x31, 0x30, 0x03, 0xB0};
const std::vector<uint8_t> kUnknown = {0xF2, 0x00, 0x00, 0x03, 0x43, 0x7A, 0x30, 0x03, 0xFB};

template <class W>
W* Find(QWidget& window, const char* name) {
  W* w = window.findChild<W*>(QLatin1String(name));
  if (!w) qFatal("no %s", name);
  return w;
}

}  // namespace

class LineMonitorWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void everyControlIsNamedAndOnTheKeyboardPath() {
    RecordingNotifier notifier;
    LineMonitorWindow w({}, notifier);
    w.show();
    const QList<QPair<const char*, QString>> controls = {
        {"MonitorReaderCombo", "Reader port"},  {"MonitorBaudCombo", "Baud Rate"},
        {"MonitorNewTerminalRadio", "New pseudo-terminal"}, {"MonitorAppPortRadio", "Existing port"},
        {"MonitorAppPortCombo", "Existing port"}, {"MonitorTerminalText", "Terminal"},
        {"MonitorCopyPathBtn", "Copy Path"},    {"MonitorStartBtn", "Start"},
        {"MonitorStopBtn", "Stop"},             {"MonitorPauseBtn", "Pause View"},
        {"MonitorSaveLogBtn", "Save Log..."},   {"MonitorSaveCaptureBtn", "Save Capture..."},
        {"MonitorFilterCombo", "Show"},         {"MonitorSearchText", "Search"},
        {"MonitorUnitTable", "Units"},          {"MonitorDetailText", "Unit Detail"},
        {"MonitorCloseBtn", "Close"}};
    QSet<QWidget*> chain;
    for (QWidget* at = w.nextInFocusChain(); at != &w; at = at->nextInFocusChain()) chain.insert(at);
    for (const auto& [name, accessible] : controls) {
      QWidget* c = Find<QWidget>(w, name);
      QCOMPARE(c->accessibleName(), accessible);
      QVERIFY2(chain.contains(c) && c->focusPolicy() != Qt::NoFocus, name);
    }
    QVERIFY(!Find<QPushButton>(w, "MonitorStopBtn")->isEnabled());
    QVERIFY(!Find<QComboBox>(w, "MonitorAppPortCombo")->isEnabled());
    QTest::mouseClick(Find<QRadioButton>(w, "MonitorAppPortRadio"), Qt::LeftButton);
    QVERIFY(Find<QComboBox>(w, "MonitorAppPortCombo")->isEnabled());

    QMenu tools;
    AddLineMonitorAction(&tools, &w, {});
    QCOMPARE(tools.actions().value(0)->text(), QStringLiteral("&Line Monitor..."));
    QCOMPARE(tools.actions().value(0)->objectName(), QStringLiteral("LineMonitorAction"));
  }

  void aPortThatCannotBeOpenedIsSaidAndNothingRuns() {
    RecordingNotifier notifier;
    PortMap map;
    map.set(3, QStringLiteral("/dev/ttyNOSUCH"));
    LineMonitorWindow w([map] { return map; }, notifier);
    Find<QComboBox>(w, "MonitorReaderCombo")->setCurrentText(QStringLiteral("COM3"));
    QTest::mouseClick(Find<QPushButton>(w, "MonitorStartBtn"), Qt::LeftButton);
    QCOMPARE(notifier.messages.size(), size_t(1));
    QCOMPARE(notifier.messages[0].text, QStringLiteral("Comm Port Selection Invalid, Please Select Right Comm. Port"));
    QVERIFY(Find<QPushButton>(w, "MonitorStartBtn")->isEnabled());
  }

  void unitsShowFilterPauseAndSave() {
    sim::PtyHost host;
    QVERIFY(host.start());
    RecordingNotifier notifier;
    QTemporaryDir dir;
    LineMonitorWindow w({}, notifier);
    QStringList asked;
    w.setSaveChooser([&](const QString& title, const QString&) {
      asked << title;
      return dir.filePath(title == QLatin1String("Save Log") ? "saved.log" : "saved.pcapng");
    });
    w.show();
    Find<QComboBox>(w, "MonitorReaderCombo")->setCurrentText(QString::fromStdString(host.slavePath()));
    QTest::mouseClick(Find<QPushButton>(w, "MonitorStartBtn"), Qt::LeftButton);
    const QString terminal = Find<QLineEdit>(w, "MonitorTerminalText")->text();
    QVERIFY(terminal.startsWith(QLatin1String("/dev/pts/")));
    QVERIFY(!Find<QPushButton>(w, "MonitorStartBtn")->isEnabled());

    simtest::PtyClient app(terminal.toStdString(), 9600);
    app.send(kCardStatus);
    QCOMPARE(app.readFor(13, 3000).size(), size_t(13));
    app.send({0x06});
    auto* table = Find<QTableView>(w, "MonitorUnitTable");
    QTRY_COMPARE(table->model()->rowCount(), 6);  // start, opened, command, ACK, reply, ACK
    const auto cell = [&](int row, int column) { return table->model()->index(row, column).data().toString(); };
    QCOMPARE(cell(2, 1), QStringLiteral("APP>RDR"));
    QCOMPARE(cell(2, 2), QStringLiteral("Card Status"));
    QCOMPARE(cell(4, 2), QStringLiteral("reply P: Card Status"));
    QCOMPARE(cell(4, 3), QStringLiteral("Card Status Success / No card in card channel / Enough cards in stacker / "
                                        "The error card bin is not full"));
    table->setCurrentIndex(table->model()->index(2, 0));
    const QString detail = Find<QPlainTextEdit>(w, "MonitorDetailText")->toPlainText();
    QVERIFY2(detail.endsWith(QLatin1String("APP>RDR F2 00 00 03 43 31 30 03 B0 | command 31 30 Card Status\n\n"
                                           "0000  F2 00 00 03 43 31 30 03 B0")),
             qPrintable(detail));

    // The view pauses; the line does not.
    QTest::mouseClick(Find<QPushButton>(w, "MonitorPauseBtn"), Qt::LeftButton);
    app.send(kUnknown);
    QCOMPARE(app.readFor(12, 3000).size(), size_t(12));
    app.send({0x06});
    QTRY_VERIFY(Find<QLabel>(w, "MonitorStatusLabel")->text().contains(QLatin1String("(view paused, 4 units held)")));
    QCOMPARE(table->model()->rowCount(), 6);
    QTest::mouseClick(Find<QPushButton>(w, "MonitorPauseBtn"), Qt::LeftButton);
    QCOMPARE(table->model()->rowCount(), 10);

    auto* show = Find<QComboBox>(w, "MonitorFilterCombo");
    show->setCurrentIndex(1);  // commands only
    QCOMPARE(table->model()->rowCount(), 2);
    show->setCurrentIndex(2);  // errors only: the negative reply
    QCOMPARE(table->model()->rowCount(), 1);
    QCOMPARE(cell(0, 3), QStringLiteral("Negative response:00 | A given command code is unidentified"));
    show->setCurrentIndex(0);
    QTest::keyClicks(Find<QLineEdit>(w, "MonitorSearchText"), QStringLiteral("7a 30"));
    QCOMPARE(table->model()->rowCount(), 2);

    QTest::mouseClick(Find<QPushButton>(w, "MonitorSaveLogBtn"), Qt::LeftButton);
    QTest::mouseClick(Find<QPushButton>(w, "MonitorSaveCaptureBtn"), Qt::LeftButton);
    QCOMPARE(asked, QStringList({"Save Log", "Save Capture"}));
    QFile log(dir.filePath("saved.log")), capture(dir.filePath("saved.pcapng"));
    QVERIFY(log.open(QIODevice::ReadOnly) && capture.open(QIODevice::ReadOnly));
    QCOMPARE(log.readAll(), QByteArray("SD: F2 00 00 03 43 31 30 03 B0 \r\nRD: 06\r\nRD: F2 00 00 06 50 31 30 30 32 30 03 94 "
                                       "\r\nSD: 06\r\n\r\nSD: F2 00 00 03 43 7A 30 03 FB \r\nRD: 06\r\nRD: F2 00 00 05 4E "
                                       "7A 30 30 30 03 F0 \r\nSD: 06\r\n\r\n"));
    const QByteArray pcap = capture.readAll();
    QCOMPARE(pcap.left(4).toHex(), QByteArray("0a0d0d0a"));
    QCOMPARE(pcap.count(QByteArray::fromHex("F2000003437A3003FB")), 1);

    QTest::mouseClick(Find<QPushButton>(w, "MonitorStopBtn"), Qt::LeftButton);
    QVERIFY(Find<QLabel>(w, "MonitorStatusLabel")->text().startsWith(QLatin1String("Stopped: 10 units")));
    QVERIFY(Find<QPushButton>(w, "MonitorStartBtn")->isEnabled());
    QVERIFY(notifier.messages.empty());
  }
};

QTEST_MAIN(LineMonitorWindowTest)
#include "line_monitor_window_test.moc"
