#include "dump/card_file_buttons.h"

#include <QCoreApplication>

#include "link/engine.h"
#include "link/log_format.h"

namespace kvt {

RunProgressDialog::RunProgressDialog(const QString& title, LinePort& port, QWidget* parent)
    : QProgressDialog(title, QStringLiteral("Stop"), 0, 1, parent), port_(port), before_(port.waitMode()) {
  setObjectName(QStringLiteral("RunProgressDialog"));
  setWindowTitle(title);
  setAccessibleName(title);
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

QString CardFileFilter(CardFamily family) {
  return family == CardFamily::Mifare ? QStringLiteral("Mifare dumps (*.mfd *.mct *.eml)")
                                      : QStringLiteral("Card images (*.bin)");
}

namespace {

// The run's one message (a failure), then the summary in a box of its own.
void Report(const CardFileContext& c, const CardFileOutcome& o, const QString& title, const QString& done) {
  if (o.end.message) c.session.notifier.show(*o.end.message);
  QString text;
  if (o.end.stopped) text = QStringLiteral("Stopped before the end of the card.");
  else if (o.end.status != OpStatus::Done) return;  // its message said why
  else if (o.fileError) text = *o.fileError;
  else text = o.complete ? done : done + CRLF + QStringLiteral("The card refused some blocks (see the details).");
  Message m{o.fileError ? MessageIcon::Warning : MessageIcon::Information, title, text};
  m.details = o.lines.join(CRLF);
  c.session.notifier.show(m);
}

}  // namespace

void DumpCardToFile(const CardFileContext& c, const CardFileJob& job, const QString& title) {
  const QString path = c.choosePath ? c.choosePath(title, CardFileFilter(job.family), true) : QString();
  if (path.isEmpty()) return;
  if (const auto bad = CheckDumpPath(job, path)) {
    c.session.notifier.warn(kCaution, *bad);
    return;
  }
  CardFileOutcome o;
  {
    RunProgressDialog progress(title, c.port, c.parent);
    o = DumpToFile(c.session, c.address, job, path, progress.control());
  }
  Report(c, o, title, QStringLiteral("The card was read into %1.").arg(path));
}

void RestoreCardFromFile(const CardFileContext& c, const CardFileJob& job, const QString& title) {
  const QString path = c.choosePath ? c.choosePath(title, CardFileFilter(job.family), false) : QString();
  if (path.isEmpty()) return;
  // The whole file is read and checked before anything is sent.
  const ParsedImage image = ReadImageFile(job, path);
  if (!image.ok()) {
    c.session.notifier.warn(kCaution, image.error);
    return;
  }
  CardFileOutcome o;
  {
    RunProgressDialog progress(title, c.port, c.parent);
    o = RestoreImage(c.session, c.address, job, image.image, progress.control());
  }
  Report(c, o, title, QStringLiteral("%1 was written to the card.").arg(path));
}

}  // namespace kvt
