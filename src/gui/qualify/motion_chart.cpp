// SPDX-License-Identifier: MIT
#include "motion_chart.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "core/report/svg_chart.h"

namespace kvt {

namespace {

const QColor kColours[] = {QColor(0x08, 0x51, 0x9c), QColor(0xe6, 0x55, 0x0d), QColor(0x31, 0xa3, 0x54),
                           QColor(0x75, 0x6b, 0xb1), QColor(0x63, 0x63, 0x63)};

}  // namespace

MotionChart::MotionChart(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void MotionChart::setRun(const qualify::WearResult* run) {
  run_ = run;
  update();
}

void MotionChart::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().base());
  const QFontMetrics fm(font());
  const QRect plot = rect().adjusted(fm.horizontalAdvance(QStringLiteral("00000")) + 8, fm.height() + 4, -10,
                                     -(fm.height() + 8));
  if (plot.width() < 20 || plot.height() < 20) return;
  double slowest = 0;
  qint64 last = 1;
  if (run_) {
    last = std::max<qint64>(run_->cyclesBegun, 1);
    for (const auto& m : run_->motions)
      for (const auto& t : m.trend())
        if (t.timed) slowest = std::max(slowest, t.maxUs / 1000.0);
  }
  const double yMax = report::NiceCeiling(slowest * 1.05);
  const double span = std::max<qint64>(last - 1, 1);
  const auto x = [&](double cycle) { return plot.left() + plot.width() * std::clamp((cycle - 1) / span, 0.0, 1.0); };
  const auto y = [&](double ms) { return plot.bottom() - plot.height() * std::min(ms / yMax, 1.0); };

  p.setPen(palette().color(QPalette::Mid));
  for (int i = 0; i <= 4; ++i) {
    const double v = yMax * i / 4;
    const int yy = static_cast<int>(y(v));
    p.drawLine(plot.left(), yy, plot.right(), yy);
    p.setPen(palette().color(QPalette::Text));
    p.drawText(QRect(0, yy - fm.height() / 2, plot.left() - 4, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
               QString::number(v, 'g', 4));
    p.setPen(palette().color(QPalette::Mid));
  }
  p.setPen(palette().color(QPalette::Text));
  p.drawRect(plot);
  p.drawText(QRect(plot.left(), 0, plot.width(), fm.height() + 2), Qt::AlignLeft, QStringLiteral("ms per motion"));
  p.drawText(QRect(plot.left(), plot.bottom() + 4, plot.width(), fm.height() + 2), Qt::AlignLeft, QStringLiteral("1"));
  p.drawText(QRect(plot.left(), plot.bottom() + 4, plot.width(), fm.height() + 2), Qt::AlignRight,
             QStringLiteral("cycle %1").arg(last));
  if (!run_) return;

  p.setRenderHint(QPainter::Antialiasing);
  int legend = plot.left() + fm.horizontalAdvance(QStringLiteral("ms per motion")) + 16;
  for (size_t i = 0; i < run_->motions.size(); ++i) {
    const auto& m = run_->motions[i];
    const QColor colour = kColours[i % std::size(kColours)];
    QPainterPath line;
    bool first = true;
    for (const auto& t : m.trend()) {
      if (!t.timed) continue;
      const QPointF at(x((t.firstCycle + std::min(t.lastCycle, std::max(last, t.firstCycle))) / 2.0), y(t.meanMs()));
      if (first) line.moveTo(at);
      else line.lineTo(at);
      first = false;
    }
    p.setPen(QPen(colour, 1.5));
    p.drawPath(line);
    p.drawText(legend, fm.ascent() + 1, m.name());
    legend += fm.horizontalAdvance(m.name()) + 12;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd6, 0x27, 0x28));
    for (const auto& t : m.trend())
      if (t.failures) p.drawRect(QRectF(x(t.firstCycle) - 1.5, plot.bottom() - 8, 3, 8));
    p.setBrush(Qt::NoBrush);
  }
}

}  // namespace kvt
