// SPDX-License-Identifier: MIT
#pragma once
// What the "Qualify Unit..." and "Wear Test..." windows share: Start, Stop, Save Report...
// and Close, the progress bar and the status line, the card path to choose, and a run that
// goes on while the window keeps painting and takes Stop between two exchanges.
#include <QDialog>
#include <functional>

#include "core/link/session.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

namespace kvt {

// The five moves to tick, as kvt730ctl's --path names them.
class PathBox : public QWidget {
  Q_OBJECT
 public:
  // `prefix` starts the object names ("QualifyPathIc"); `ticked` the moves ticked at first.
  PathBox(const QString& prefix, const QStringList& ticked, QWidget* parent = nullptr);
  QStringList path() const;  // the ticked moves, in their order

 private:
  std::vector<std::pair<QString, QCheckBox*>> boxes_;
};

class RunWindow : public QDialog {
  Q_OBJECT
 public:
  // Asked for the file of "Save Report..." with the suggested name; empty: cancelled.
  // Defaults to the save dialog.
  std::function<QString(const QString& suggested)> chooseReportPath;

  bool running() const { return running_; }
  bool hasResult() const { return hasResult_; }

 protected:
  RunWindow(Session& session, QString address, const QString& prefix, const QString& title, QWidget* parent);

  // Where the subclass puts its parts, above the buttons.
  QVBoxLayout* content() { return content_; }
  // The run itself; the session's port waits painting meanwhile, the buttons are set.
  virtual void runOnce() = 0;
  virtual QByteArray report() const = 0;
  virtual QString suggestedReportName() const = 0;
  // Takes the input queued during the last exchange; true once Stop (or Escape, or closing
  // the window) asked the run to end.
  bool stopRequested();
  // Every option control, disabled while a run goes on.
  void addOption(QWidget* w) { options_.push_back(w); }

  void reject() override;
  void closeEvent(QCloseEvent* e) override;
  void showEvent(QShowEvent* e) override;

  Session& session_;
  QString address_;
  QPushButton* start_;
  QPushButton* stop_;
  QPushButton* save_;
  QPushButton* close_;
  QProgressBar* progress_;
  QLabel* status_;

 private:
  void start();
  // Only Stop works while a run goes; everything else once it has ended.
  void setRunning(bool on);
  void saveReport();

  QVBoxLayout* content_;
  std::vector<QWidget*> options_;
  bool running_ = false;
  bool stopAsked_ = false;
  bool hasResult_ = false;
};

}  // namespace kvt
