// SPDX-License-Identifier: MIT
#include "card_file_buttons.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressBar>
#include <QRegularExpression>

#include "core/link/engine.h"
#include "core/link/log_format.h"

namespace kvt {

RunProgressDialog::RunProgressDialog(const QString& title, LinePort& port, QWidget* parent)
    : QProgressDialog(title, QStringLiteral("Stop"), 0, 1, parent), port_(port), before_(port.waitMode()) {
  setObjectName(QStringLiteral("RunProgressDialog"));
  setWindowTitle(title);
  setAccessibleName(title);
  // The bar is named after the caption it sits under, for screen readers.
  auto* bar = new QProgressBar(this);
  bar->setObjectName(QStringLiteral("RunProgressBar"));
  bar->setAccessibleName(title);
  setBar(bar);
  setWindowModality(Qt::WindowModal);
  setMinimumDuration(0);
  setAutoReset(false);
  setAutoClose(false);
  port_.setWaitMode(WaitMode::KeepPaintingQueueInput);
  setValue(0);
}

RunProgressDialog::~RunProgressDialog() { port_.setWaitMode(before_); }

RunControl RunProgressDialog::control() {
  RunControl c;
  c.progress = [this](int done, int total) {
    setMaximum(std::max(1, total));
    setValue(std::min(done, maximum()));
  };
  c.stopRequested = [this] {
    QCoreApplication::processEvents();  // the clicks queued during the last block
    return wasCanceled();
  };
  return c;
}

QString CardFileFilters(CardFamily family, bool save) {
  QStringList filters;
  switch (family) {
    case CardFamily::Mifare:
      if (!save) filters << QStringLiteral("Mifare dumps (*.mfd *.mct *.eml)");
      filters << QStringLiteral("MIFARE Classic Tool dumps (*.mct)") << QStringLiteral("Binary dumps (*.mfd)")
              << QStringLiteral("Emulator dumps (*.eml)");
      break;
    case CardFamily::Ultralight:
      if (!save) filters << QStringLiteral("Ultralight images (*.bin *.eml)");
      filters << QStringLiteral("Binary images (*.bin)") << QStringLiteral("Emulator files (*.eml)");
      break;
    case CardFamily::Memory: filters << QStringLiteral("Binary images (*.bin)"); break;
  }
  return filters.join(QStringLiteral(";;"));
}

namespace {

// The ending a filter of one pattern stands for ("Binary dumps (*.mfd)" -> "mfd"); empty
// for a filter of several.
QString suffixOf(const QString& filter) {
  static const QRegularExpression one(QStringLiteral("\\(\\*\\.(\\w+)\\)$"));
  const QRegularExpressionMatch m = one.match(filter);
  return m.hasMatch() ? m.captured(1) : QString();
}

}  // namespace

QString ChooseCardFilePath(QWidget* parent, const QString& title, const QString& filters, bool save) {
  QFileDialog dialog(parent, title);
  dialog.setObjectName(QStringLiteral("CardFileDialog"));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  const QStringList list = filters.split(QStringLiteral(";;"));
  dialog.setNameFilters(list);
  // A name typed without an ending gets the chosen filter's.
  dialog.setDefaultSuffix(suffixOf(list.value(0)));
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                   [&dialog](const QString& filter) { dialog.setDefaultSuffix(suffixOf(filter)); });
  dialog.setWindowModality(Qt::WindowModal);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  QString path = dialog.selectedFiles().constFirst();
  const QString suffix = suffixOf(dialog.selectedNameFilter());
  if (QFileInfo(path).suffix().isEmpty() && !suffix.isEmpty()) path += QLatin1Char('.') + suffix;
  return path;
}

namespace {

// The run's one message (a failure), then the summary in a box of its own.
void Report(const CardFileContext& c, const CardFileOutcome& o, const QString& title, bool dump,
            const QString& path) {
  if (o.end.message) c.session.notifier.show(*o.end.message);
  const QString counted = QStringLiteral("%1 of %2 %3").arg(o.done).arg(o.total).arg(o.unit);
  QString text;
  MessageIcon icon = MessageIcon::Information;
  if (o.end.stopped) {
    text = QStringLiteral("Stopped before the end of the card.") + CRLF +
           (dump ? QStringLiteral("No file was written.")
                 : QStringLiteral("%1 were written to the card before the stop.").arg(counted));
  } else if (o.end.status == OpStatus::Cancelled) {
    if (o.end.message) return;  // it said what was left undone
    text = QStringLiteral("Nothing was written to the card: the restore was cancelled.");
  } else if (o.end.status != OpStatus::Done) {
    if (o.lines.isEmpty()) return;  // its message said why
    icon = MessageIcon::Warning;
    text = QStringLiteral("The run ended before the end of the card.") + CRLF +
           (dump ? QStringLiteral("No file was written. Read before the end: %1 (see the details).").arg(counted)
                 : QStringLiteral("Written before the end: %1 (see the details).").arg(counted));
  } else if (o.fileError) {
    icon = MessageIcon::Warning;
    text = *o.fileError;
  } else if (dump) {
    text = (QStringList{QStringLiteral("The card was read into %1.").arg(path)} + o.unreadNote).join(CRLF);
  } else {
    text = QStringLiteral("%1 was written to the card.").arg(path);
    if (o.refused) text += CRLF + QStringLiteral("The card refused some %1 (see the details).").arg(o.unit);
    if (o.notInFile)
      text += CRLF + QStringLiteral("Some %1 were not in the file: the card keeps them as they were (see the "
                                    "details).")
                         .arg(o.unit);
  }
  Message m{icon, title, text};
  m.details = o.lines.join(CRLF);
  c.session.notifier.show(m);
}

// The port is checked before any question or file dialog.
bool portOpen(const CardFileContext& c) {
  if (c.session.state.PortOpened) return true;
  c.session.notifier.warn(kCaution, kPortSetupFirst);
  return false;
}

}  // namespace

void DumpCardToFile(const CardFileContext& c, const CardFileJob& job, const QString& title) {
  if (!portOpen(c)) return;
  const QString path = c.choosePath ? c.choosePath(title, CardFileFilters(job.family, true), true) : QString();
  if (path.isEmpty()) return;
  if (const auto bad = CheckCardFilePath(job, path)) {
    c.session.notifier.warn(kCaution, *bad);
    return;
  }
  CardFileOutcome o;
  {
    RunProgressDialog progress(title, c.port, c.parent);
    o = DumpToFile(c.session, c.address, job, path, progress.control());
  }
  Report(c, o, title, true, path);
}

void RestoreCardFromFile(const CardFileContext& c, const CardFileJob& job, const QString& title) {
  if (!portOpen(c)) return;
  const QString path = c.choosePath ? c.choosePath(title, CardFileFilters(job.family, false), false) : QString();
  if (path.isEmpty()) return;
  // The whole file is read and checked before anything is sent.
  const ParsedImage image = ReadImageFile(job, path);
  if (!image.ok()) {
    c.session.notifier.warn(kCaution, image.error);
    return;
  }
  // The questions come before the progress dialog, and an answer that ends the run says so.
  CardFileJob answered = job;
  CardFileOutcome o;
  if (const auto end = AskBeforeRestore(c.session, answered, image.image)) {
    o.end = *end;
    Report(c, o, title, false, path);
    return;
  }
  {
    RunProgressDialog progress(title, c.port, c.parent);
    o = RestoreImage(c.session, c.address, answered, image.image, progress.control());
  }
  Report(c, o, title, false, path);
}

}  // namespace kvt
