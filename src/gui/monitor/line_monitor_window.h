// SPDX-License-Identifier: MIT
#pragma once
// "Line Monitor": watch another program talk to a reader through this tool. The window
// reads its fields into a monitor setup, starts the session (kvt_core) and shows what the
// session hands back; the forwarding goes on in the session whatever the window does.
#include <QDialog>
#include <deque>
#include <functional>

#include "core/link/port_map.h"
#include "core/monitor/monitor_session.h"
#include "core/monitor/unit_table_model.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTableView;
class QTimer;

namespace kvt {

class Notifier;

class LineMonitorWindow : public QDialog {
  Q_OBJECT

 public:
  LineMonitorWindow(std::function<PortMap()> ports, Notifier& notifier, QWidget* parent = nullptr);
  ~LineMonitorWindow() override;

  // Asks where to save (title, file filter); the file dialog by default.
  using SaveChooser = std::function<QString(const QString& title, const QString& filter)>;
  void setSaveChooser(SaveChooser chooser) { chooseSave_ = std::move(chooser); }

  // How far the table was behind the line when it last took units, and at most so far.
  qint64 viewLagMs() const { return lagMs_; }
  qint64 maxViewLagMs() const { return maxLagMs_; }
  const monitor::UnitTableModel& units() const { return model_; }

  static constexpr int kRefreshMs = 40;

 private:
  void onStart();
  void onStop();
  void onPause(bool paused);
  void onSave(bool capture);
  void refresh();
  void showDetail();
  void updateState();
  void closeEvent(QCloseEvent* e) override;
  void reject() override;

  std::function<PortMap()> ports_;
  Notifier& notifier_;
  SaveChooser chooseSave_;
  monitor::MonitorSession session_;
  monitor::UnitTableModel model_;
  monitor::UnitFilter filter_;
  std::deque<monitor::LineUnit> held_;  // taken while the view is paused
  qint64 lagMs_ = 0, maxLagMs_ = 0;

  QComboBox* reader_;
  QComboBox* baud_;
  QRadioButton* newTerminal_;
  QRadioButton* existingPort_;
  QComboBox* appPort_;
  QLineEdit* terminal_;
  QPushButton* copyPath_;
  QPushButton* start_;
  QPushButton* stop_;
  QPushButton* pause_;
  QPushButton* saveLog_;
  QPushButton* saveCapture_;
  QComboBox* show_;
  QLineEdit* search_;
  QTableView* table_;
  QPlainTextEdit* detail_;
  QLabel* status_;
  QTimer* timer_;
};

}  // namespace kvt
