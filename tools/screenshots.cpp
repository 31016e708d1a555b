// SPDX-License-Identifier: MIT
// kvt730-screenshots [FOLDER]: the pictures of the manual. Starts the windows on the
// built-in simulated reader, on the offscreen platform with a 1280x1024 screen, works each
// a little as a user would (a card activated, a script run, a qualification run...) and
// writes what it shows into FOLDER (default docs/images) as small PNG files.
// scripts/screenshots.sh builds and runs it.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

#include "core/base/app_state.h"
#include "core/base/notifier.h"
#include "core/link/port_map.h"
#include "gui/app/chooser_window.h"
#include "gui/app/reader_main_window.h"
#include "gui/app/sim_control_window.h"
#include "gui/monitor/line_monitor_window.h"
#include "gui/qualify/qualify_window.h"
#include "gui/qualify/wear_window.h"
#include "line_app.h"
#include "png_shot.h"
#include "sim/pty_host.h"
#include "simulation/simulation.h"

namespace {

QString g_folder;
int g_failures = 0;

[[noreturn]] void Fail(const QString& what) {
  std::fprintf(stderr, "kvt730-screenshots: %s\n", qPrintable(what));
  std::exit(1);
}

// A control the pictures need; a window that no longer has it ends the run, saying which.
template <class T>
T& Child(QObject& root, const char* name) {
  T* c = root.findChild<T*>(QString::fromLatin1(name));
  if (!c) Fail(QStringLiteral("%1 has no %2").arg(root.objectName(), QString::fromLatin1(name)));
  return *c;
}

void Click(QObject& root, const char* name) { Child<QAbstractButton>(root, name).click(); }

// Lets timers and painting run for `ms`.
void Settle(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

void Shot(QWidget& window, const char* file) {
  window.show();
  Settle(50);
  if (!shots::SaveShot(window, QDir(g_folder).filePath(QString::fromLatin1(file)))) ++g_failures;
}

void ShowTab(QTabWidget& tabs, const QString& caption) {
  for (int i = 0; i < tabs.count(); ++i)
    if (tabs.tabText(i) == caption) return tabs.setCurrentIndex(i);
  Fail(QStringLiteral("%1 has no tab \"%2\"").arg(tabs.objectName(), caption));
}

void MoveCard(kvt::Simulation& sim, sim::InsideSpot spot) {
  sim.host().withReader([spot](sim::Reader& r) { r.setCardPosition(sim::CardPos::Inside, spot); });
}

// "Setup Comm", then "OK" at COM1, 9600 bits/s; `look` sees the dialog first.
void OpenPort(kvt::ReaderMainWindow& w, const std::function<void(QDialog&)>& look = {}) {
  w.runDialog = [look](QDialog& d) {
    if (look) look(d);
    Click(d, "Command1");
  };
  Click(w, "IROpencom");
  w.runDialog = [](QDialog&) {};
}

// The variant-B window: a Mifare card activated and its trailer read, the log, the card
// windows it opens, and the Tools windows on its port.
void VariantB(kvt::Simulation& sim, const kvt::PortMap& ports, kvt::Notifier& notifier) {
  kvt::AppState state;
  std::unique_ptr<kvt::ReaderMainWindow> w = kvt::CreateMainWindow(kvt::Variant::B, state, notifier, ports);
  w->show();
  OpenPort(*w, [](QDialog& d) { Shot(d, "port-setup.png"); });
  if (!state.PortOpened) Fail(QStringLiteral("the port setup did not open COM1"));

  MoveCard(sim, sim::InsideSpot::RfAntenna);
  for (const char* button : {"CardStatusBtn", "RFCardUPBtn", "RFCheckPasswordBtn"}) Click(*w, button);
  Child<QComboBox>(*w, "BlockNumberCombo").setCurrentIndex(3);  // the sector trailer
  Click(*w, "RFreadBtn");
  ShowTab(*w->tabs(), QStringLiteral("RF CARD"));
  Shot(*w, "main-b.png");
  ShowTab(*w->tabs(), QStringLiteral("MONITOR"));
  Shot(*w, "main-b-monitor.png");

  kvt::SimControlWindow panel(sim.host());
  panel.refresh();
  Shot(panel, "sim-panel.png");
  panel.hide();

  MoveCard(sim, sim::InsideSpot::IcContacts);
  ShowTab(*w->tabs(), QStringLiteral("IC CARD"));
  w->runDialog = [](QDialog& d) {
    d.show();
    Click(d, "CPUColdResetBtn");
    Click(d, "SendCmdBtn");
    Shot(d, "cpu-card.png");
  };
  Click(*w, "CPURUN");

  w->runDialog = [](QDialog& d) {
    Child<QPlainTextEdit>(d, "CmdStrText").setPlainText(QStringLiteral("C10\nC11\nC$DC1\n"));
    Child<QLineEdit>(d, "LianXuText").setText(QStringLiteral("2"));
    d.show();
    Click(d, "CmdExBtn");
    Shot(d, "command-line.png");
  };
  Click(*w, "OpenCmdFormBtn");
  w->runDialog = [](QDialog&) {};

  kvt::QualifyWindow qualify(w->session(), QStringLiteral("0"), w.get());
  qualify.show();
  Click(qualify, "QualifyStart");
  const QString verdict = Child<QLabel>(qualify, "QualifyVerdict").text();
  if (verdict != QLatin1String("PASS")) Fail(QStringLiteral("the qualification says %1, not PASS").arg(verdict));
  Shot(qualify, "qualify.png");
  qualify.hide();

  // Moves that take a little time and now and then jam, so that the chart has something to show.
  sim.host().withReader([](sim::Reader& r) {
    sim::Reader::Motion m;
    m.motionMs = 12;
    m.jamRate = 0.02;
    m.seed = 7;
    r.setMotion(m);
  });
  kvt::WearWindow wear(w->session(), QStringLiteral("0"), w.get());
  wear.show();
  Child<QSpinBox>(wear, "WearCycles").setValue(60);
  Click(wear, "WearStart");
  Shot(wear, "wear.png");
  wear.hide();
  sim.host().withReader([](sim::Reader& r) { r.setMotion({}); });

  Click(*w, "IRCLOSECOM");
}

// The Line Monitor between an application and a reader of its own.
void LineMonitor(kvt::Notifier& notifier) {
  sim::PtyHost reader;
  std::string error;
  if (!reader.start(&error)) Fail(QStringLiteral("no simulated reader for the Line Monitor: %1").arg(QString::fromStdString(error)));
  kvt::LineMonitorWindow monitor({}, notifier);
  monitor.show();
  Child<QComboBox>(monitor, "MonitorReaderCombo").setCurrentText(QString::fromStdString(reader.slavePath()));
  Click(monitor, "MonitorStartBtn");
  const QString terminal = Child<QLineEdit>(monitor, "MonitorTerminalText").text();
  if (!shots::RunApplication(terminal)) Fail(QStringLiteral("cannot open the monitor's terminal %1").arg(terminal));
  // Two events, then command, ACK, reply and ACK for each of the five operations.
  constexpr int kUnits = 22;
  QTableView& units = Child<QTableView>(monitor, "MonitorUnitTable");
  for (int waited = 0; units.model()->rowCount() < kUnits && waited < 10000; waited += 50) Settle(50);
  if (units.model()->rowCount() < kUnits)
    Fail(QStringLiteral("the Line Monitor shows %1 units, not %2").arg(units.model()->rowCount()).arg(kUnits));
  units.setCurrentIndex(units.model()->index(4, 0));  // the reply to Card Status
  units.scrollToTop();
  Shot(monitor, "line-monitor.png");
  Click(monitor, "MonitorStopBtn");
}

void VariantM(const kvt::PortMap& ports, kvt::Notifier& notifier) {
  kvt::AppState state;
  std::unique_ptr<kvt::ReaderMainWindow> w = kvt::CreateMainWindow(kvt::Variant::M, state, notifier, ports);
  w->show();
  OpenPort(*w);
  Click(*w, "CardStatusBtn");
  Shot(*w, "main-m.png");
  // The PC/SC window as it opens, before any call to the smart-card service.
  w->runDialog = [](QDialog& d) { Shot(d, "pcsc.png"); };
  Click(*w, "LoadpcscformBtn");
}

}  // namespace

int main(int argc, char** argv) {
  // Always the offscreen platform with the window tests' screen: the same pictures on any machine.
  qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen:configfile=" KVT_SCREEN_CONFIG));
  QApplication app(argc, argv);
  QApplication::setStyle(QStringLiteral("Fusion"));
  QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
  g_folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/images");
  if (!QDir().mkpath(g_folder)) Fail(QStringLiteral("cannot make the folder %1").arg(g_folder));

  kvt::Simulation simulation;
  kvt::PortMap ports;
  QString error;
  if (!simulation.start(ports, &error)) Fail(QStringLiteral("cannot start the simulated reader: %1").arg(error));
  kvt::RecordingNotifier notifier;  // the operations' message boxes are not pictured

  kvt::KVT_730_B_AboutDialog chooser([](kvt::Variant) {});
  Shot(chooser, "chooser.png");
  chooser.hide();
  VariantB(simulation, ports, notifier);
  LineMonitor(notifier);
  VariantM(ports, notifier);
  return g_failures == 0 ? 0 : 1;
}
