// kvt730-tool: the windowed test tool for KVT-730 card readers.
#include <QApplication>
#include <QCommandLineParser>
#include <QScreen>
#include <QTextStream>
#include <cstdio>
#include <memory>

#include "app/app_state.h"
#include "app/chooser_window.h"
#include "app/message_box_notifier.h"
#include "app/reader_main_window.h"
#include "app/sim_control_window.h"
#include "app/simulation.h"
#include "link/port_map.h"

#ifndef KVT_VERSION
#define KVT_VERSION "0"
#endif

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("kvt730-tool"));
  QApplication::setApplicationVersion(QStringLiteral(KVT_VERSION));

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Test tool for KVT-730 card readers."));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption simulate(QStringLiteral("simulate"),
                                    QStringLiteral("Run against the built-in simulated reader on COM1."));
  const QCommandLineOption port(QStringLiteral("port"),
                                QStringLiteral("Open DEVICE for the port name COMn (repeatable)."),
                                QStringLiteral("COMn=DEVICE"));
  parser.addOption(simulate);
  parser.addOption(port);
  parser.process(app);

  QTextStream err(stderr);
  kvt::PortMap ports;
  for (const QString& value : parser.values(port)) {
    if (!ports.parseOverride(value)) {
      err << "kvt730-tool: --port expects COMn=DEVICE with n from 1 to 16, got \"" << value << "\"\n";
      return 2;
    }
  }

  std::unique_ptr<kvt::Simulation> simulation;
  if (parser.isSet(simulate)) {
    simulation = std::make_unique<kvt::Simulation>();
    QString error;
    if (!simulation->start(ports, &error)) {
      err << "kvt730-tool: cannot start the simulated reader: " << error << "\n";
      return 1;
    }
    err << "kvt730-tool: simulated reader on " << simulation->device() << " (COM1, 9600 bits/s, address 0)\n";
  }

  kvt::AppState state;
  kvt::MessageBoxNotifier notifier;
  std::unique_ptr<kvt::ReaderMainWindow> mainWindow;
  std::unique_ptr<kvt::SimControlWindow> simWindow;

  auto* chooser = new kvt::KVT_730_B_AboutDialog([&](kvt::Variant v) {
    mainWindow = kvt::CreateMainWindow(v, state, notifier, ports);
    mainWindow->show();
    if (simulation) {
      simWindow = std::make_unique<kvt::SimControlWindow>(simulation->host());
      // The panel goes with the main window: it alone never keeps the program running.
      simWindow->setAttribute(Qt::WA_QuitOnClose, false);
      simWindow->adjustSize();
      const QRect main = mainWindow->frameGeometry();
      QPoint at(main.right() + 8, main.top());
      if (QScreen* s = mainWindow->screen()) {
        const QRect area = s->availableGeometry();
        if (at.x() + simWindow->width() > area.right()) at.setX(area.right() - simWindow->width());
      }
      simWindow->move(at);
      simWindow->show();
    }
  });
  chooser->show();

  const int rc = app.exec();
  simWindow.reset();
  mainWindow.reset();
  return rc;
}
