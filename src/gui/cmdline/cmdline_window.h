// SPDX-License-Identifier: MIT
#pragma once
// KVT_730_B_CMDExuteForm, "FORM OF COMMAND LINE": the script, its execution control and the
// two lists of the exchanges. The button handlers hand over to ScriptController; this class
// only shows what it is told.
#include <QDialog>
#include <QElapsedTimer>
#include <QFont>
#include <QPalette>
#include <functional>
#include <memory>

#include "core/base/app_state.h"
#include "core/base/notifier.h"
#include "core/base/text_file.h"
#include "core/cmdline/painting_wait_port.h"
#include "core/cmdline/script_control.h"
#include "core/cmdline/script_transport.h"
#include "list_box_entries.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTextEdit;

namespace kvt {

class LinePort;

class KVT_730_B_CMDExuteForm : public QDialog, public ScriptView {
  Q_OBJECT
 public:
  // port: the main window's MSComm1, switched to blocking waits while this window is open
  // (this window does its own painting between them). addressText: the main window's
  // device address box.
  KVT_730_B_CMDExuteForm(AppState& state, LinePort& port, Notifier& notifier,
                         std::function<QString()> addressText, QWidget* parent = nullptr);
  ~KVT_730_B_CMDExuteForm() override;

  ScriptController& controller() { return *controller_; }
  ScriptTransport& transport() { return *transport_; }

  // Load and Save / Save To ask these for a file; an empty answer means the user
  // cancelled. They default to the platform's open and save dialogs.
  std::function<QString()> chooseOpenPath;
  std::function<QString()> chooseSavePath;

  // ScriptView
  QString scriptText() const override;
  void setScriptText(const QString& text) override;
  int lineCount() const override;
  QString lineText(int line) const override;
  QString repeatText() const override;
  void applyButtons(ButtonSet set, bool withScript) override;
  void setScriptEnabled(bool on) override;
  void markLine(int line) override;
  void clearMark() override;
  void showFigure(Figure f, const QString& text) override;
  // During a run: at most every few milliseconds, shows what changed and handles the
  // clicks that wait.
  void processPendingInput() override;

  // "Close" (and Escape, and the title bar) during a run cancels it; the window closes
  // once the run has ended.
  void done(int r) override;

 private:
  QWidget* buildCommandPage();
  QWidget* buildMonitorPage();
  void runHandler(void (ScriptController::*handler)());
  // Shows the mark and the lists' new entries as they are now.
  void showChanges();
  void showMark();
  void onLoad();
  void onSave();
  void onSaveTo();
  void reportSaveError(const QString& path, const FileError& error);
  QString askOpenPath();

  AppState& state_;
  LinePort& mainPort_;
  Notifier& notifier_;
  PaintingWaitPort port_;
  std::unique_ptr<ListBoxEntries> resultsList_;
  std::unique_ptr<ListBoxEntries> backList_;
  std::unique_ptr<ScriptTransport> transport_;
  std::unique_ptr<ScriptController> controller_;
  bool closePending_ = false;
  QPalette scriptPalette_;  // the script box's own colours, restored when the mark goes
  QPalette markPalette_;    // and with the marked line's colour
  QFont scriptFont_;
  int markWanted_ = -1;      // the line to mark; -1 for none
  bool markStyled_ = false;  // the box is bold and blue
  QElapsedTimer sinceShown_;  // since the changes were last shown and the clicks handled

  QTabWidget* SSTab1 = nullptr;
  QPlainTextEdit* CmdStrText = nullptr;
  QPushButton* ImportCmdStrText = nullptr;
  QPushButton* SaveCmdStrText = nullptr;
  QPushButton* CmdExBtn = nullptr;
  QPushButton* CmdStepBtn = nullptr;
  QPushButton* CmdResumeBtn = nullptr;
  QPushButton* CmdStopBtn = nullptr;
  QPushButton* CmdCANCLEBtn = nullptr;
  QGroupBox* ICframeComm = nullptr;
  QLineEdit* LianXuText = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label6 = nullptr;
  QLabel* Label7 = nullptr;
  QLabel* Label8 = nullptr;
  QListWidget* CmdStrBackList = nullptr;
  QPushButton* ClearCmdStrBackText = nullptr;
  QLabel* CmdStrBackListDropped_ = nullptr;  // the rows of CmdStrBackList dropped so far
  QLineEdit* txtBytesSended = nullptr;
  QLineEdit* txtBytesReceived = nullptr;
  QListWidget* lstResults = nullptr;
  QPushButton* ClearSDTDText = nullptr;
  QPushButton* SaveSDTDText = nullptr;
  QLabel* lstResultsDropped_ = nullptr;  // the rows of lstResults dropped so far
  QCheckBox* CheckRecord = nullptr;
  QTextEdit* RichTextBox1 = nullptr;
  QPushButton* EXITGRM = nullptr;
};

}  // namespace kvt
