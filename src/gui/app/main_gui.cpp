// SPDX-License-Identifier: MIT
// kvt730-tool: the windowed test tool for KVT-730 card readers.
#include <QApplication>
#include <QCommandLineParser>
#include <QEvent>
#include <QIcon>
#include <QScreen>
#include <QSettings>
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <memory>

#include "chooser_window.h"
#include "core/base/app_state.h"
#include "core/base/tool_version.h"
#include "core/link/port_map.h"
#include "core/link/port_map_store.h"
#include "gui/widgets/message_box_notifier.h"
#include "reader_main_window.h"
#include "sim_control_window.h"
#include "simulation/simulation.h"

namespace {

// --quit-after-show (for bench/gui_startup.sh): once the watched window has painted for
// the first time, prints the wall-clock time and ends the program.
class QuitAfterFirstPaint : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !done_) {
      done_ = true;
      QTimer::singleShot(0, [] {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        std::printf("shown at %lld.%09ld\n", static_cast<long long>(now.tv_sec), now.tv_nsec);
        std::fflush(stdout);
        QCoreApplication::quit();
      });
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  bool done_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  // The options are read before the window system is touched, so --help and --version
  // work without a display.
  QStringList args;
  for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Test tool for KVT-730 card readers."));
  const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Displays help on commandline options."));
  const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")},
                                   QStringLiteral("Displays version information."));
  const QCommandLineOption simulate(QStringLiteral("simulate"),
                                    QStringLiteral("Run against the built-in simulated reader on COM1."));
  const QCommandLineOption port(QStringLiteral("port"),
                                QStringLiteral("Open DEVICE for the port name COMn (repeatable)."),
                                QStringLiteral("COMn=DEVICE"));
  QCommandLineOption quitAfterShow(QStringLiteral("quit-after-show"),
                                   QStringLiteral("End once the model chooser is shown (start-up benchmark)."));
  quitAfterShow.setFlags(QCommandLineOption::HiddenFromHelp);
  parser.addOptions({help, version, simulate, port, quitAfterShow});
  QTextStream out(stdout);
  QTextStream err(stderr);
  // Help and version come first; the rest is read once Qt has taken its own options
  // (-platform and the like) out of the command line.
  const bool early = parser.parse(args);
  if (early && parser.isSet(help)) {
    out << parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("kvt730-tool"));
    return 0;
  }
  if (early && parser.isSet(version)) {
    out << "kvt730-tool " << kvt::ToolVersion() << "\n";
    return 0;
  }

  QApplication app(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("kvt730"));  // settings: ~/.config/kvt730/kvt730-tool.conf
  QApplication::setApplicationName(QStringLiteral("kvt730-tool"));
  QApplication::setApplicationVersion(kvt::ToolVersion());
  // The installed desktop entry and icon (packaging/) go by the program's name.
  QGuiApplication::setDesktopFileName(QStringLiteral("kvt730-tool"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("kvt730-tool")));
  if (!parser.parse(QCoreApplication::arguments())) {
    err << "kvt730-tool: " << parser.errorText() << "\n";
    return 2;
  }
  if (!parser.positionalArguments().isEmpty()) {
    err << "kvt730-tool: unexpected argument \"" << parser.positionalArguments().constFirst() << "\"\n";
    return 2;
  }

  // The port map: the defaults, the map kept by "Tools" > "Port Map...", then --port.
  QSettings settings;
  const QStringList portValues = parser.values(port);
  QString bad;
  const std::optional<kvt::PortMap> effective = kvt::EffectivePortMap(kvt::PortMapStore(settings).load(), portValues, &bad);
  if (!effective) {
    err << "kvt730-tool: --port expects COMn=DEVICE with n from 1 to 16, got \"" << bad << "\"\n";
    return 2;
  }
  kvt::PortMap ports = *effective;

  std::unique_ptr<kvt::Simulation> simulation;
  if (parser.isSet(simulate)) {
    simulation = std::make_unique<kvt::Simulation>();
    QString error;
    if (!simulation->start(ports, &error)) {
      err << "kvt730-tool: cannot start the simulated reader: " << error << "\n";
      return 1;
    }
    err << "kvt730-tool: simulated reader on " << simulation->device() << " (COM1, 9600 bits/s, address 0)" << Qt::endl;
  }

  kvt::AppState state;
  kvt::MessageBoxNotifier notifier;
  std::unique_ptr<kvt::ReaderMainWindow> mainWindow;
  std::unique_ptr<kvt::SimControlWindow> simWindow;

  auto* chooser = new kvt::KVT_730_B_AboutDialog([&](kvt::Variant v) {
    mainWindow = kvt::CreateMainWindow(v, state, notifier, ports);
    mainWindow->setPortMapSettings(&settings, [&](const QMap<int, QString>& stored) {
      kvt::PortMap map = kvt::EffectivePortMap(stored, portValues).value_or(ports);
      if (simulation) map.set(1, simulation->device());
      return map;
    });
    mainWindow->show();
    if (simulation) {
      simWindow = std::make_unique<kvt::SimControlWindow>(simulation->host());
      // The panel goes with the main window: it alone never keeps the program running.
      simWindow->setAttribute(Qt::WA_QuitOnClose, false);
      simWindow->adjustSize();
      const QRect main = mainWindow->frameGeometry();
      // The panel's frame: its size plus the decoration the main window got.
      const QSize frame = simWindow->size() + (main.size() - mainWindow->size());
      if (QScreen* s = mainWindow->screen())
        simWindow->move(kvt::SimPanelPosition(main, frame, s->availableGeometry()));
      simWindow->show();
    }
  });
  if (parser.isSet(quitAfterShow)) chooser->installEventFilter(new QuitAfterFirstPaint(chooser));
  chooser->show();

  const int rc = app.exec();
  simWindow.reset();
  mainWindow.reset();
  return rc;
}
