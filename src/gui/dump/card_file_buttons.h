// SPDX-License-Identifier: MIT
#pragma once
// The "Dump Card..." and "Restore Card..." buttons of the card pages: the port checked, the
// file chosen, the questions of a restore answered, the whole card run under a progress
// dialog with a Stop button, the summary shown once.
//
// During the run the port waits painting with user input kept in the queue; between two
// blocks the dialog takes the queued clicks, so Stop ends the run after the block in
// flight, and the window under the dialog takes none.
#include <QProgressDialog>
#include <functional>

#include "core/dump/card_files.h"
#include "core/link/line_port.h"

namespace kvt {

// What a button hands in: the window's session, port and device address, the parent of
// the dialogs, and the file chooser (title, name filters, save or open; empty: cancelled).
struct CardFileContext {
  Session& session;
  LinePort& port;
  QWidget* parent;
  QString address;
  std::function<QString(const QString& title, const QString& filter, bool save)> choosePath;
};

// The progress of one run, modal over its window, with "Stop".
class RunProgressDialog : public QProgressDialog {
  Q_OBJECT
 public:
  RunProgressDialog(const QString& title, LinePort& port, QWidget* parent);
  ~RunProgressDialog() override;  // the port waits as it did before
  // The hooks the run calls: the bar moves, queued clicks are taken, Stop is asked for.
  RunControl control();

 private:
  LinePort& port_;
  WaitMode before_;
};

// The file filters of a card family's files, one per format (";;" between them), with one
// for all of them first when opening.
QString CardFileFilters(CardFamily family, bool save);

// The file dialog of a whole-card run with those filters: the path chosen, empty when
// cancelled. A name typed without an ending gets the chosen filter's.
QString ChooseCardFilePath(QWidget* parent, const QString& title, const QString& filters, bool save);

void DumpCardToFile(const CardFileContext& c, const CardFileJob& job, const QString& title);
void RestoreCardFromFile(const CardFileContext& c, const CardFileJob& job, const QString& title);

}  // namespace kvt
