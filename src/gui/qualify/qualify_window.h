// SPDX-License-Identifier: MIT
#pragma once
// Tools > "Qualify Unit...": the checks of kvt730ctl qualify, each row filled in as it is
// done, the verdict at the end, and the same HTML report as the command line writes.
#include "core/qualify/qualify_run.h"
#include "run_window.h"

class QTreeWidget;

namespace kvt {

class PathBox;

class QualifyWindow : public RunWindow {
  Q_OBJECT
 public:
  QualifyWindow(Session& session, QString address, QWidget* parent = nullptr);
  const qualify::QualifyResult& result() const { return result_; }

 protected:
  void runOnce() override;
  QByteArray report() const override;
  QString suggestedReportName() const override;

 private:
  QCheckBox* cardInside_;
  PathBox* path_;
  QTreeWidget* checks_;
  QLabel* verdict_;
  qualify::QualifyResult result_;
};

}  // namespace kvt
