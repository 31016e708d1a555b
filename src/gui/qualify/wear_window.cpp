// SPDX-License-Identifier: MIT
#include "wear_window.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "core/base/tool_version.h"
#include "core/report/html_page.h"
#include "core/report/run_reports.h"
#include "gui/widgets/value_label.h"
#include "motion_chart.h"

namespace kvt {

using namespace kvt::qualify;

namespace {

// The table's columns after the motion's name.
const QStringList kColumns = {QStringLiteral("Motion"),   QStringLiteral("Count"),     QStringLiteral("Negative"),
                              QStringLiteral("Exchange"), QStringLiteral("Position"),  QStringLiteral("Slow"),
                              QStringLiteral("Min ms"),   QStringLiteral("Median ms"), QStringLiteral("P95 ms"),
                              QStringLiteral("Max ms")};

// How often the times, the chart and the window are brought up to date during a run.
constexpr int kShowEveryMs = 250;

QSpinBox* Spin(QWidget* parent, const char* objectName, int min, int max, int value) {
  auto* s = new QSpinBox(parent);
  s->setObjectName(QString::fromLatin1(objectName));
  s->setRange(min, max);
  s->setValue(value);
  s->setGroupSeparatorShown(true);
  return s;
}

void SetCell(QTableWidget* t, int row, int column, const QString& text) {
  QTableWidgetItem* item = t->item(row, column);
  if (!item) {
    item = new QTableWidgetItem;
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    if (column > 0) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    t->setItem(row, column, item);
  }
  if (item->text() != text) item->setText(text);
}

}  // namespace

WearWindow::WearWindow(Session& session, QString address, QWidget* parent)
    : RunWindow(session, std::move(address), QStringLiteral("Wear"), QStringLiteral("Wear Test"), parent) {
  auto* form = new QFormLayout;
  cycles_ = Spin(this, "WearCycles", 1, 100000000, 1000);
  maxMotionMs_ = Spin(this, "WearMaxMotionMs", 1, 3600000, 3000);
  untilFailure_ = new QCheckBox(QStringLiteral("Stop at the first failure"), this);
  untilFailure_->setObjectName(QStringLiteral("WearUntilFailure"));
  untilFailure_->setAccessibleName(untilFailure_->text());
  form->addRow(QStringLiteral("Cycles:"), cycles_);
  form->addRow(QStringLiteral("Slowest motion allowed (ms):"), maxMotionMs_);
  for (QSpinBox* s : {cycles_, maxMotionMs_}) {
    auto* label = qobject_cast<QLabel*>(form->labelForField(s));
    s->setAccessibleName(label->text());
    s->setAccessibleDescription(label->text());
  }
  form->addRow(untilFailure_);
  path_ = new PathBox(QStringLiteral("Wear"), DefaultWearPath(), this);
  for (QWidget* w : {static_cast<QWidget*>(cycles_), static_cast<QWidget*>(maxMotionMs_),
                     static_cast<QWidget*>(untilFailure_), static_cast<QWidget*>(path_)})
    addOption(w);

  auto* countsCaption = new QLabel(QStringLiteral("Motions:"), this);
  counts_ = new QTableWidget(0, static_cast<int>(kColumns.size()), this);
  counts_->setObjectName(QStringLiteral("WearCounts"));
  counts_->setAccessibleName(countsCaption->text());
  countsCaption->setBuddy(counts_);
  counts_->setHorizontalHeaderLabels(kColumns);
  counts_->verticalHeader()->hide();
  counts_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Fixed column widths: the table does not shift as the numbers grow.
  const int digits = fontMetrics().horizontalAdvance(QStringLiteral("000000000"));
  for (int c = 0; c < counts_->columnCount(); ++c) counts_->setColumnWidth(c, digits);
  counts_->setMinimumHeight(counts_->horizontalHeader()->sizeHint().height() + 6 * fontMetrics().height());

  auto* chartCaption = new QLabel(QStringLiteral("Motion times:"), this);
  chart_ = new MotionChart(this);
  chart_->setObjectName(QStringLiteral("WearChart"));
  chart_->setAccessibleName(chartCaption->text());
  chartCaption->setBuddy(chart_);
  chart_->setRun(&result_);

  content()->addLayout(form);
  content()->addWidget(path_);
  content()->addWidget(countsCaption);
  content()->addWidget(counts_);
  content()->addWidget(chartCaption);
  content()->addWidget(chart_, 1);
  resize(820, 640);
}

void WearWindow::showCounts(bool all) {
  counts_->setRowCount(static_cast<int>(result_.motions.size()));
  QStringList spoken;
  for (int row = 0; row < counts_->rowCount(); ++row) {
    const MotionStats& m = result_.motions[static_cast<size_t>(row)];
    SetCell(counts_, row, 0, m.name());
    if (!all) continue;
    const MotionSummary s = m.summary();
    SetCell(counts_, row, 1, QString::number(s.count));
    int column = 2;
    for (FailureClass c : ReportedClasses()) SetCell(counts_, row, column++, QString::number(s.failuresOf(c)));
    for (double v : {s.minMs, s.medianMs, s.p95Ms, s.maxMs}) SetCell(counts_, row, column++, report::MsText(v));
    spoken << QStringLiteral("%1: median %2 ms").arg(m.name(), report::MsText(s.medianMs));
  }
  if (!all) return;
  chart_->setAccessibleDescription(spoken.join(QStringLiteral("; ")));
  chart_->update();
  const qint64 planned = result_.cyclesPlanned;
  if (planned > 0) {
    // The bar counts in thousandths so that any number of cycles fits its int range.
    progress_->setRange(0, 1000);
    progress_->setValue(static_cast<int>(result_.cycles * 1000 / planned));
  }
  ShowValue(status_, QStringLiteral("Cycle %1%2; %3 failed motion(s).")
                         .arg(result_.cycles)
                         .arg(planned ? QStringLiteral(" of %1").arg(planned) : QString())
                         .arg(result_.failureCount));
}

void WearWindow::runOnce() {
  WearPlan plan;
  plan.address = address_;
  plan.portName = session_.port.device();
  plan.path = path_->path();
  plan.cycles = cycles_->value();
  plan.untilFailure = untilFailure_->isChecked();
  plan.maxMotionMs = maxMotionMs_->value();
  if (plan.path.isEmpty()) {
    ShowValue(status_, QStringLiteral("Tick at least one move of the card path."));
    return;
  }
  progress_->setRange(0, 1000);
  progress_->setValue(0);
  WearHooks hooks;
  hooks.stopRequested = [this] { return stopRequested(); };
  hooks.started = [this](const UnitFacts&) { showCounts(true); };
  hooks.motionDone = [this](int, qint64, const MotionOutcome&) {
    if (sinceShown_.isValid() && sinceShown_.elapsed() < kShowEveryMs) return;
    sinceShown_.start();
    showCounts(true);
  };
  sinceShown_.invalidate();
  RunWear(session_, plan, result_, hooks);
  showCounts(true);
  QString end;
  switch (result_.end) {
    case RunEnd::Stopped: end = QStringLiteral("Stopped"); break;
    case RunEnd::LinkFailed: end = QStringLiteral("The reader stopped answering"); break;
    case RunEnd::StoppedAtFailure: end = QStringLiteral("Ended at the first failure"); break;
    case RunEnd::PortClosed: end = QStringLiteral("The port is not open"); break;
    case RunEnd::Finished: end = QStringLiteral("Done"); break;
  }
  ShowValue(status_, QStringLiteral("%1 after %2 cycle(s): %3, %4 failed motion(s).")
                         .arg(end)
                         .arg(result_.cycles)
                         .arg(result_.passed() ? QStringLiteral("PASS") : QStringLiteral("FAIL"))
                         .arg(result_.failureCount));
}

QByteArray WearWindow::report() const { return report::WearReport(result_, ToolVersion()); }

QString WearWindow::suggestedReportName() const {
  return report::DefaultReportName(result_.unit.serial, result_.started, true);
}

}  // namespace kvt
