// SPDX-License-Identifier: MIT
#include "line_monitor_window.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "core/base/notifier.h"
#include "core/link/port_map.h"
#include "core/monitor/monitor_run.h"

namespace kvt {

namespace {

template <class W>
W* Named(W* w, const char* objectName, const QString& accessibleName) {
  w->setObjectName(QLatin1String(objectName));
  w->setAccessibleName(accessibleName);
  return w;
}

QPushButton* Button(QWidget* parent, const char* objectName, const QString& caption) {
  return Named(new QPushButton(caption, parent), objectName, QString(caption).remove(QLatin1Char('&')));
}

QComboBox* PortCombo(QWidget* parent, const char* objectName, const QString& label, const QString& first) {
  auto* combo = Named(new QComboBox(parent), objectName, label);
  combo->setEditable(true);
  for (int n = 1; n <= PortMap::kPorts; ++n) combo->addItem(QStringLiteral("COM%1").arg(n));
  combo->setCurrentText(first);
  combo->setAccessibleDescription(QStringLiteral("COM1 to COM16, a device, tcp://HOST:PORT or rfc2217://HOST:PORT"));
  combo->setMinimumWidth(220);
  return combo;
}

}  // namespace

LineMonitorWindow::LineMonitorWindow(std::function<PortMap()> ports, Notifier& notifier, QWidget* parent)
    : QDialog(parent), ports_(std::move(ports)), notifier_(notifier), model_(10000, this), filter_(this) {
  setObjectName(QStringLiteral("LineMonitorWindow"));
  setWindowTitle(QStringLiteral("Line Monitor"));
  chooseSave_ = [this](const QString& title, const QString& filter) {
    return QFileDialog::getSaveFileName(this, title, QString(), filter);
  };

  reader_ = PortCombo(this, "MonitorReaderCombo", QStringLiteral("Reader port"), QStringLiteral("COM1"));
  baud_ = Named(new QComboBox(this), "MonitorBaudCombo", QStringLiteral("Baud Rate"));
  for (const char* b : {"9600", "19200", "38400", "57600", "115200"}) baud_->addItem(QLatin1String(b));
  baud_->setAccessibleDescription(QStringLiteral("Baud Rate"));
  auto* line = new QFormLayout;
  line->addRow(QStringLiteral("&Reader port"), reader_);
  line->addRow(QStringLiteral("&Baud Rate"), baud_);

  auto* appBox = Named(new QGroupBox(QStringLiteral("Application side"), this), "MonitorAppGroup", QStringLiteral("Application side"));
  newTerminal_ = Named(new QRadioButton(QStringLiteral("&New pseudo-terminal"), appBox), "MonitorNewTerminalRadio",
                       QStringLiteral("New pseudo-terminal"));
  existingPort_ = Named(new QRadioButton(QStringLiteral("E&xisting port"), appBox), "MonitorAppPortRadio",
                        QStringLiteral("Existing port"));
  newTerminal_->setChecked(true);
  appPort_ = PortCombo(appBox, "MonitorAppPortCombo", QStringLiteral("Existing port"), QStringLiteral("COM2"));
  appPort_->setEnabled(false);
  terminal_ = Named(new QLineEdit(appBox), "MonitorTerminalText", QStringLiteral("Terminal"));
  terminal_->setReadOnly(true);
  terminal_->setPlaceholderText(QStringLiteral("made when the monitor starts"));
  copyPath_ = Button(appBox, "MonitorCopyPathBtn", QStringLiteral("&Copy Path"));
  auto* terminalLabel = new QLabel(QStringLiteral("&Terminal"), appBox);
  terminalLabel->setBuddy(terminal_);
  auto* appGrid = new QGridLayout(appBox);
  appGrid->addWidget(newTerminal_, 0, 0);
  appGrid->addWidget(terminalLabel, 0, 1);
  appGrid->addWidget(terminal_, 0, 2);
  appGrid->addWidget(copyPath_, 0, 3);
  appGrid->addWidget(existingPort_, 1, 0);
  appGrid->addWidget(appPort_, 1, 2);

  start_ = Button(this, "MonitorStartBtn", QStringLiteral("&Start"));
  stop_ = Button(this, "MonitorStopBtn", QStringLiteral("S&top"));
  pause_ = Button(this, "MonitorPauseBtn", QStringLiteral("&Pause View"));
  pause_->setCheckable(true);
  saveLog_ = Button(this, "MonitorSaveLogBtn", QStringLiteral("Save &Log..."));
  saveCapture_ = Button(this, "MonitorSaveCaptureBtn", QStringLiteral("Save C&apture..."));
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {start_, stop_, pause_, saveLog_, saveCapture_}) buttons->addWidget(b);
  buttons->addStretch();

  show_ = Named(new QComboBox(this), "MonitorFilterCombo", QStringLiteral("Show"));
  show_->addItems({QStringLiteral("All units"), QStringLiteral("Commands only"), QStringLiteral("Errors only")});
  show_->setAccessibleDescription(QStringLiteral("Show"));
  search_ = Named(new QLineEdit(this), "MonitorSearchText", QStringLiteral("Search"));
  search_->setClearButtonEnabled(true);
  auto* showLabel = new QLabel(QStringLiteral("S&how"), this);
  showLabel->setBuddy(show_);
  auto* searchLabel = new QLabel(QStringLiteral("S&earch"), this);
  searchLabel->setBuddy(search_);
  auto* filters = new QHBoxLayout;
  filters->addWidget(showLabel);
  filters->addWidget(show_);
  filters->addWidget(searchLabel);
  filters->addWidget(search_, 1);

  filter_.setSourceModel(&model_);
  table_ = Named(new QTableView(this), "MonitorUnitTable", QStringLiteral("Units"));
  table_->setModel(&filter_);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->verticalHeader()->hide();
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setColumnWidth(monitor::UnitTableModel::TimeColumn, 120);
  table_->setColumnWidth(monitor::UnitTableModel::DirectionColumn, 80);
  table_->setColumnWidth(monitor::UnitTableModel::NameColumn, 280);
  detail_ = Named(new QPlainTextEdit(this), "MonitorDetailText", QStringLiteral("Unit Detail"));
  detail_->setReadOnly(true);
  detail_->setMaximumHeight(110);
  detail_->setFont(QFont(QStringLiteral("Monospace")));
  status_ = Named(new QLabel(this), "MonitorStatusLabel", QStringLiteral("Status"));
  auto* close = Button(this, "MonitorCloseBtn", QStringLiteral("Close"));

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(status_, 1);
  bottom->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(line);
  layout->addWidget(appBox);
  layout->addLayout(buttons);
  layout->addLayout(filters);
  layout->addWidget(table_, 1);
  layout->addWidget(detail_);
  layout->addLayout(bottom);
  resize(1000, 640);

  timer_ = new QTimer(this);
  timer_->setInterval(kRefreshMs);
  connect(timer_, &QTimer::timeout, this, &LineMonitorWindow::refresh);
  connect(start_, &QPushButton::clicked, this, &LineMonitorWindow::onStart);
  connect(stop_, &QPushButton::clicked, this, &LineMonitorWindow::onStop);
  connect(pause_, &QPushButton::toggled, this, &LineMonitorWindow::onPause);
  connect(saveLog_, &QPushButton::clicked, this, [this] { onSave(false); });
  connect(saveCapture_, &QPushButton::clicked, this, [this] { onSave(true); });
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  connect(existingPort_, &QRadioButton::toggled, appPort_, &QWidget::setEnabled);
  connect(copyPath_, &QPushButton::clicked, this, [this] { QApplication::clipboard()->setText(terminal_->text()); });
  connect(show_, qOverload<int>(&QComboBox::currentIndexChanged), this,
          [this](int i) { filter_.setShow(static_cast<monitor::UnitFilter::Show>(i)); });
  connect(search_, &QLineEdit::textChanged, &filter_, &monitor::UnitFilter::setSearch);
  connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &LineMonitorWindow::showDetail);
  updateState();
}

LineMonitorWindow::~LineMonitorWindow() { session_.stop(); }

void LineMonitorWindow::onStart() {
  monitor::MonitorSetup setup;
  const PortMap map = ports_ ? ports_() : PortMap();
  setup.reader = map.resolve(reader_->currentText().trimmed());
  if (existingPort_->isChecked()) setup.app = map.resolve(appPort_->currentText().trimmed());
  setup.line.baud = baud_->currentText().toUInt();
  model_.clear();
  held_.clear();
  detail_->clear();
  maxLagMs_ = lagMs_ = 0;
  const monitor::SessionStart started = session_.start(setup);
  if (!started.ok) {
    if (started.message) notifier_.show(*started.message);
    updateState();
    return;
  }
  terminal_->setText(existingPort_->isChecked() ? QString() : started.appDevice);
  timer_->start();
  updateState();
}

void LineMonitorWindow::onStop() {
  session_.stop();
  timer_->stop();
  refresh();
  updateState();
}

void LineMonitorWindow::onPause(bool paused) {
  if (!paused && !held_.empty()) {
    model_.append(std::vector<monitor::LineUnit>(std::make_move_iterator(held_.begin()), std::make_move_iterator(held_.end())));
    held_.clear();
  }
  updateState();
}

void LineMonitorWindow::onSave(bool capture) {
  const QString path = capture ? chooseSave_(QStringLiteral("Save Capture"), QStringLiteral("Captures (*.pcapng)"))
                               : chooseSave_(QStringLiteral("Save Log"), QStringLiteral("Text Files (*.TXT *.txt *.log)"));
  if (path.isEmpty()) return;
  const auto failed = capture ? session_.saveCapture(path) : session_.saveLog(path);
  if (failed) notifier_.show(*failed);
}

void LineMonitorWindow::refresh() {
  std::vector<monitor::LineUnit> units = session_.poll();
  if (!units.empty()) {
    const qint64 now = monitor::NowUs();
    qint64 oldest = now;
    for (const monitor::LineUnit& u : units) oldest = std::min(oldest, u.timeUs);
    lagMs_ = (now - oldest) / 1000;
    maxLagMs_ = std::max(maxLagMs_, lagMs_);
    if (pause_->isChecked()) {
      for (monitor::LineUnit& u : units) held_.push_back(std::move(u));
      while (held_.size() > static_cast<size_t>(model_.capacity())) held_.pop_front();  // they stay in the capture
    } else {
      const bool atEnd = table_->currentIndex().row() < 0 || table_->currentIndex().row() == filter_.rowCount() - 1;
      model_.append(std::move(units));
      if (atEnd) table_->scrollToBottom();
    }
  }
  if (!session_.running() && timer_->isActive()) timer_->stop();
  updateState();
}

void LineMonitorWindow::showDetail() {
  const QModelIndex at = filter_.mapToSource(table_->currentIndex());
  detail_->setPlainText(at.isValid() ? monitor::UnitTableModel::DetailText(model_.unit(at.row())) : QString());
}

void LineMonitorWindow::updateState() {
  const bool running = session_.running();
  for (QWidget* w : std::initializer_list<QWidget*>{reader_, baud_, newTerminal_, existingPort_}) w->setEnabled(!running);
  appPort_->setEnabled(!running && existingPort_->isChecked());
  start_->setEnabled(!running);
  stop_->setEnabled(running);
  copyPath_->setEnabled(!terminal_->text().isEmpty());
  saveLog_->setEnabled(session_.unitCount() > 0);
  saveCapture_->setEnabled(session_.unitCount() > 0);
  QString text = running ? QStringLiteral("Forwarding: %1 units, view %2 ms behind").arg(session_.unitCount()).arg(lagMs_)
                         : QStringLiteral("Stopped: %1 units").arg(session_.unitCount());
  if (pause_->isChecked()) text += QStringLiteral(" (view paused, %1 units held)").arg(held_.size());
  status_->setText(text);
}

void LineMonitorWindow::closeEvent(QCloseEvent* e) {
  onStop();
  QDialog::closeEvent(e);
}

void LineMonitorWindow::reject() {
  onStop();
  QDialog::reject();
}

}  // namespace kvt
