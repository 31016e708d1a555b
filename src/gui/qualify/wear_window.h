// SPDX-License-Identifier: MIT
#pragma once
// Tools > "Wear Test...": the card moved along the path cycle after cycle, the counts of
// each move live, the chart of motion times growing as the run goes, and the same HTML
// report as kvt730ctl wear writes.
#include <QElapsedTimer>

#include "core/qualify/wear_run.h"
#include "run_window.h"

class QSpinBox;
class QTableWidget;

namespace kvt {

class MotionChart;
class PathBox;

class WearWindow : public RunWindow {
  Q_OBJECT
 public:
  WearWindow(Session& session, QString address, QWidget* parent = nullptr);
  const qualify::WearResult& result() const { return result_; }

 protected:
  void runOnce() override;
  QByteArray report() const override;
  QString suggestedReportName() const override;

 private:
  // The table's counts, and (every `all`) its times and the chart.
  void showCounts(bool all);

  QSpinBox* cycles_;
  QSpinBox* maxMotionMs_;
  QCheckBox* untilFailure_;
  PathBox* path_;
  QTableWidget* counts_;
  MotionChart* chart_;
  qualify::WearResult result_;
  QElapsedTimer sinceShown_;
};

}  // namespace kvt
