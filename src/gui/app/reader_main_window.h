// SPDX-License-Identifier: MIT
#pragma once
// What the two main windows share: the port, the log, the session, the frames for port
// setting, reset/status, card movement and entry control, the device address box, "Exit",
// and the tab control with the "EXTEND FUNCTION" and "MONITOR" pages.
//
// Button handlers read the fields, call the operation, apply its outcome (open a result
// window, fill a box) and then show its message. The reader logic is in the operations.
#include <QDialog>
#include <QWidget>
#include <functional>
#include <memory>

#include "core/base/app_state.h"
#include "core/base/notifier.h"
#include "core/link/line_port.h"
#include "core/link/port_map.h"
#include "core/link/session.h"
#include "core/link/timeouts.h"
#include "core/machine/movement_ops.h"
#include "gui/dump/card_page_host.h"

class QAction;
class QBoxLayout;
class QSettings;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QTabWidget;
class QVBoxLayout;

namespace kvt {

class LogPanel;

class ReaderMainWindow : public QWidget, public CardPageHost {
  Q_OBJECT
 public:
  ~ReaderMainWindow() override;

  Variant variant() const { return variant_; }
  Session& session() override { return *session_; }
  LogPanel& logPanel() { return *log_; }
  LinePort& port() { return port_; }
  QComboBox* addressCombo() const { return cmbAddress864; }
  QTabWidget* tabs() const { return SSTab1; }

  // Every modal window of this window (port setup, initialize option, result windows) is
  // run through here. Defaults to QDialog::exec(); tests replace it to look at the dialog.
  std::function<void(QDialog&)> runDialog;

  // "Exit" (and in variant M the title-bar close) ends the program through this once the
  // port is closed. Defaults to closing every window and leaving the event loop.
  std::function<void()> endProgram;

  // "Tools" > "Port Map...": the stored map is edited in `settings` (without them the entry
  // is disabled); portMapFor turns the stored entries into the map this run uses (the
  // command line's --port entries and the simulated reader stay over them).
  void setPortMapSettings(QSettings* settings, std::function<PortMap(const QMap<int, QString>&)> portMapFor);

  // The file a card page's "Dump Card..." or "Restore Card..." works on (title, name
  // filter, save or open; empty when cancelled). Defaults to the system's file dialog.
  std::function<QString(const QString& title, const QString& filter, bool save)> chooseCardFile;
  // What those buttons hand to a whole-card run: this window's session, port and address.
  CardFileContext cardFileContext() override;

  // The rest of what the card pages ask of their window.
  QString deviceAddress() const override { return address(); }
  void runModal(QDialog& dialog) override { runDialog(dialog); }
  void showPage(QWidget* page) override;
  QWidget* hostWidget() override { return this; }

 protected:
  ReaderMainWindow(Variant v, AppState& state, Notifier& notifier, const PortMap& ports,
                   const Timeouts& timeouts, QWidget* parent);

  // Card pages go into SSTab1 before "EXTEND FUNCTION"; the first page is shown at start.
  void insertCardPage(int index, QWidget* page, const QString& caption);
  // Frames of the left column, top to bottom: 0 "COMM. PORT SETTING", 1 "RESET / STATUS",
  // 2 "Card Move to", 3 "Enter Control"; further frames go in at the given position.
  void insertFrame(int index, QWidget* frame);

  // cmbAddress864: "0".."F", the first selected.
  void fillAddressCombo();

  // Closes the port if it is open, then ends the program.
  void exitProgram();

  // Tab order as the screen reads: the left column's frames top to bottom, the address box,
  // "Exit", then the tab control. Frames inserted after the tabs were built would otherwise
  // come after every control of the tab pages. Called once a window has all its parts.
  void orderFocusLikeTheScreen();

  QPushButton* addButton(QWidget* parent, QBoxLayout* layout, const char* objectName,
                         const QString& caption);

  AppState& state_;
  Notifier& notifier_;
  const Variant variant_;
  LinePort port_{WaitMode::KeepPainting};  // MSComm1: a serial device or a network port
  LogPanel* log_ = nullptr;
  std::unique_ptr<Session> session_;
  QComboBox* cmbAddress864 = nullptr;
  QPushButton* EXITGRM = nullptr;
  QTabWidget* SSTab1 = nullptr;
  QLineEdit* IRTenKaEdit = nullptr;
  QLabel* LinkStatusText = nullptr;  // on the menu bar: the port open or closed, a lost connection
  bool exiting_ = false;  // exitProgram has run

 private:
  QGroupBox* buildPortFrame();
  QGroupBox* buildResetFrame();
  QGroupBox* buildMoveFrame();
  QGroupBox* buildEntryFrame();
  QWidget* buildExtendPage();

  QString address() const;
  void showLinkStatus();
  void onSetupComm();
  void onPortMap();
  void onCloseComm();
  void onInitialize();
  void onCardStatus();
  void onSensorStatus();
  void onMove(Movement m);
  void onReadSn();
  void onConfig();
  void onReadCounter();
  void onInitCounter();

  QVBoxLayout* frames_ = nullptr;
  QMenuBar* menus_ = nullptr;
  QWidget* linkStatus_ = nullptr;  // the status line on the menu bar: caption and LinkStatusText
  QAction* portMapAction_ = nullptr;
  QSettings* settings_ = nullptr;
  std::function<PortMap(const QMap<int, QString>&)> portMapFor_;
};

}  // namespace kvt
