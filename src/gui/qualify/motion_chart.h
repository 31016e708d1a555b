// SPDX-License-Identifier: MIT
#pragma once
// The motion times of a wear run as they grow: for each move its mean time per point of the
// thinned trend (one colour each), red marks under the points with failures. Painted with
// QPainter from the run's statistics, read at each repaint.
#include <QWidget>

#include "core/qualify/run_results.h"

namespace kvt {

class MotionChart : public QWidget {
  Q_OBJECT
 public:
  explicit MotionChart(QWidget* parent = nullptr);
  // The run to draw (may be null); repaint with update() as it grows.
  void setRun(const qualify::WearResult* run);
  QSize sizeHint() const override { return {640, 220}; }
  QSize minimumSizeHint() const override { return {320, 140}; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  const qualify::WearResult* run_ = nullptr;
};

}  // namespace kvt
