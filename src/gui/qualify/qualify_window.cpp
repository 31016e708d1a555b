// SPDX-License-Identifier: MIT
#include "qualify_window.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/base/tool_version.h"
#include "core/report/html_page.h"
#include "core/report/run_reports.h"
#include "gui/widgets/value_label.h"

namespace kvt {

using namespace kvt::qualify;

QualifyWindow::QualifyWindow(Session& session, QString address, QWidget* parent)
    : RunWindow(session, std::move(address), QStringLiteral("Qualify"), QStringLiteral("Qualify Unit"), parent) {
  cardInside_ = new QCheckBox(QStringLiteral("A card is in the reader"), this);
  cardInside_->setObjectName(QStringLiteral("QualifyCardInside"));
  cardInside_->setAccessibleName(cardInside_->text());
  path_ = new PathBox(QStringLiteral("Qualify"), DefaultQualifyPath(), this);
  addOption(cardInside_);
  addOption(path_);

  auto* verdictCaption = new QLabel(QStringLiteral("Verdict:"), this);
  verdict_ = new QLabel(this);
  verdict_->setObjectName(QStringLiteral("QualifyVerdict"));
  QFont big = verdict_->font();
  big.setPointSize(big.pointSize() * 2);
  big.setBold(true);
  verdict_->setFont(big);
  NameValueLabel(verdict_, verdictCaption);

  auto* checksCaption = new QLabel(QStringLiteral("Checks:"), this);
  checks_ = new QTreeWidget(this);
  checks_->setObjectName(QStringLiteral("QualifyChecks"));
  checks_->setAccessibleName(checksCaption->text());
  checksCaption->setBuddy(checks_);
  checks_->setRootIsDecorated(false);
  checks_->setHeaderLabels({QStringLiteral("Verdict"), QStringLiteral("Check"), QStringLiteral("ms"), QStringLiteral("Detail")});
  checks_->header()->setSectionResizeMode(3, QHeaderView::Stretch);
  checks_->setColumnWidth(0, 70);
  checks_->setColumnWidth(1, 130);
  checks_->setColumnWidth(2, 80);

  auto* verdictRow = new QHBoxLayout;
  verdictRow->addWidget(verdictCaption);
  verdictRow->addWidget(verdict_, 1);
  content()->addWidget(cardInside_);
  content()->addWidget(path_);
  content()->addLayout(verdictRow);
  content()->addWidget(checksCaption);
  content()->addWidget(checks_, 1);
  resize(760, 560);
}

void QualifyWindow::runOnce() {
  checks_->clear();
  ShowValue(verdict_, QString());
  ShowValue(status_, QStringLiteral("Running..."));
  QualifyPlan plan;
  plan.address = address_;
  plan.portName = session_.port.device();
  plan.cardInside = cardInside_->isChecked();
  plan.path = path_->path();
  progress_->setRange(0, static_cast<int>(QualifyChecks(plan).size()));
  progress_->setValue(0);
  QualifyHooks hooks;
  hooks.stopRequested = [this] { return stopRequested(); };
  hooks.checkDone = [this](const QualifyResult& r, int done, int total) {
    const CheckResult& c = r.checks.back();
    auto* row = new QTreeWidgetItem(checks_, {VerdictWord(c.verdict), c.name, report::MsText(c.ms), c.detail});
    row->setToolTip(3, c.detail);
    row->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
    checks_->scrollToItem(row);
    progress_->setValue(done);
    ShowValue(status_, QStringLiteral("Check %1 of %2: %3").arg(done).arg(total).arg(c.name));
  };
  result_ = RunQualify(session_, plan, hooks);
  ShowValue(verdict_, result_.passed() ? QStringLiteral("PASS") : QStringLiteral("FAIL"));
  verdict_->setStyleSheet(result_.passed() ? QStringLiteral("color: #1a7f37") : QStringLiteral("color: #b71c1c"));
  QString end;
  switch (result_.end) {
    case RunEnd::Stopped: end = QStringLiteral("Stopped."); break;
    case RunEnd::LinkFailed: end = QStringLiteral("The reader stopped answering."); break;
    case RunEnd::PortClosed: end = QStringLiteral("The port is not open."); break;
    default: end = QStringLiteral("Done."); break;
  }
  ShowValue(status_, end);
}

QByteArray QualifyWindow::report() const { return report::QualifyReport(result_, ToolVersion()); }

QString QualifyWindow::suggestedReportName() const {
  return report::DefaultReportName(result_.unit.serial, result_.started, false);
}

}  // namespace kvt
