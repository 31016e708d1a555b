// SPDX-License-Identifier: MIT
#include "run_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>
#include <QVBoxLayout>

#include "core/base/text_file.h"
#include "core/link/engine.h"
#include "core/link/line_port.h"
#include "gui/widgets/value_label.h"

namespace kvt {

namespace {

struct MoveCaption {
  const char* name;
  const char* objectSuffix;
  const char* caption;
};
constexpr MoveCaption kMoves[] = {
    {"ic", "Ic", "IC position"},
    {"rf", "Rf", "RF position"},
    {"front-hold", "FrontHold", "Front, hold the card"},
    {"front", "Front", "Front"},
    {"bin", "Bin", "Error card bin"},
};

QPushButton* Button(QWidget* parent, const QString& objectName, const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(objectName);
  b->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
  return b;
}

// The port waits painting and keeps the clicks for the run to take between two exchanges;
// as it was once the run is over.
class QueuedInput {
 public:
  explicit QueuedInput(SerialPort& port) : line_(dynamic_cast<LinePort*>(&port)) {
    if (!line_) return;
    before_ = line_->waitMode();
    line_->setWaitMode(WaitMode::KeepPaintingQueueInput);
  }
  ~QueuedInput() {
    if (line_) line_->setWaitMode(before_);
  }
  QueuedInput(const QueuedInput&) = delete;
  QueuedInput& operator=(const QueuedInput&) = delete;

 private:
  LinePort* line_;
  WaitMode before_ = WaitMode::KeepPainting;
};

}  // namespace

PathBox::PathBox(const QString& prefix, const QStringList& ticked, QWidget* parent) : QWidget(parent) {
  setObjectName(prefix + QStringLiteral("Path"));
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  auto* caption = new QLabel(QStringLiteral("Card path:"), this);
  row->addWidget(caption);
  for (const MoveCaption& m : kMoves) {
    auto* box = new QCheckBox(QString::fromLatin1(m.caption), this);
    box->setObjectName(prefix + QStringLiteral("Path") + QLatin1String(m.objectSuffix));
    box->setAccessibleName(box->text());
    box->setAccessibleDescription(caption->text());
    box->setChecked(ticked.contains(QLatin1String(m.name)));
    row->addWidget(box);
    boxes_.emplace_back(QString::fromLatin1(m.name), box);
  }
  row->addStretch(1);
}

QStringList PathBox::path() const {
  QStringList out;
  for (const auto& [name, box] : boxes_)
    if (box->isChecked()) out << name;
  return out;
}

RunWindow::RunWindow(Session& session, QString address, const QString& prefix, const QString& title, QWidget* parent)
    : QDialog(parent), session_(session), address_(std::move(address)) {
  setObjectName(prefix + QStringLiteral("Window"));
  setWindowTitle(title);
  setAccessibleName(title);
  auto* layout = new QVBoxLayout(this);
  content_ = new QVBoxLayout;
  layout->addLayout(content_, 1);

  progress_ = new QProgressBar(this);
  progress_->setObjectName(prefix + QStringLiteral("Progress"));
  progress_->setAccessibleName(QStringLiteral("Progress"));
  progress_->setRange(0, 1);
  progress_->setValue(0);
  layout->addWidget(progress_);
  auto* statusCaption = new QLabel(QStringLiteral("Status:"), this);
  status_ = new QLabel(QStringLiteral("Ready."), this);
  status_->setObjectName(prefix + QStringLiteral("Status"));
  status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  NameValueLabel(status_, statusCaption);
  auto* statusRow = new QHBoxLayout;
  statusRow->addWidget(statusCaption);
  statusRow->addWidget(status_, 1);
  layout->addLayout(statusRow);

  auto* buttons = new QHBoxLayout;
  start_ = Button(this, prefix + QStringLiteral("Start"), QStringLiteral("&Start"));
  stop_ = Button(this, prefix + QStringLiteral("Stop"), QStringLiteral("S&top"));
  save_ = Button(this, prefix + QStringLiteral("SaveReport"), QStringLiteral("Save &Report..."));
  close_ = Button(this, prefix + QStringLiteral("Close"), QStringLiteral("&Close"));
  start_->setDefault(true);
  stop_->setEnabled(false);
  save_->setEnabled(false);
  for (QPushButton* b : {start_, stop_, save_, close_}) buttons->addWidget(b);
  buttons->insertStretch(3, 1);
  layout->addLayout(buttons);

  connect(start_, &QPushButton::clicked, this, &RunWindow::start);
  connect(stop_, &QPushButton::clicked, this, [this] { stopAsked_ = true; });
  connect(save_, &QPushButton::clicked, this, &RunWindow::saveReport);
  connect(close_, &QPushButton::clicked, this, &RunWindow::reject);

  chooseReportPath = [this](const QString& suggested) {
    QFileDialog dialog(this, QStringLiteral("Save Report"), suggested, QStringLiteral("HTML reports (*.html)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("html"));
    dialog.setWindowModality(Qt::WindowModal);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().constFirst();
  };
}

bool RunWindow::stopRequested() {
  QCoreApplication::processEvents();
  return stopAsked_;
}

void RunWindow::start() {
  if (running_) return;
  stopAsked_ = false;
  setRunning(true);
  stop_->setFocus();
  {
    QueuedInput queued(session_.port);
    runOnce();
  }
  setRunning(false);
  hasResult_ = true;
  save_->setFocus();
}

void RunWindow::setRunning(bool on) {
  running_ = on;
  for (QWidget* w : options_) w->setEnabled(!on);
  start_->setEnabled(!on);
  save_->setEnabled(!on);
  close_->setEnabled(!on);
  stop_->setEnabled(on);
}

void RunWindow::saveReport() {
  if (!hasResult_ || !chooseReportPath) return;
  const QString path = chooseReportPath(suggestedReportName());
  if (path.isEmpty()) return;
  FileError error;
  if (WriteWholeFile(path, report(), &error)) {
    ShowValue(status_, QStringLiteral("Report saved to %1.").arg(path));
  } else {
    session_.notifier.warn(kCaution, QStringLiteral("The report could not be written to %1: %2").arg(path, error.text));
  }
}

void RunWindow::reject() {
  // Escape or the window's close box during a run: the run ends after the motion in flight.
  if (running_) {
    stopAsked_ = true;
    return;
  }
  QDialog::reject();
}

void RunWindow::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  // Centred over the main window at its final size, kept on the screen.
  QWidget* over = parentWidget() ? parentWidget()->window() : nullptr;
  if (!over || e->spontaneous()) return;
  QRect at(QPoint(), frameGeometry().size());
  at.moveCenter(over->frameGeometry().center());
  if (const QScreen* s = over->screen()) {
    const QRect room = s->availableGeometry();
    at.moveLeft(std::clamp(at.left(), room.left(), std::max(room.left(), room.right() + 1 - at.width())));
    at.moveTop(std::clamp(at.top(), room.top(), std::max(room.top(), room.bottom() + 1 - at.height())));
  }
  move(at.topLeft());
}

void RunWindow::closeEvent(QCloseEvent* e) {
  if (running_) {
    stopAsked_ = true;
    e->ignore();
    return;
  }
  QDialog::closeEvent(e);
}

}  // namespace kvt
