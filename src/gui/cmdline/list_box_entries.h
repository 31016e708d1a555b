// SPDX-License-Identifier: MIT
#pragma once
// A list box of the command-line window as the script transport writes to it, shown at the
// window's pace: entries are taken at once and go into the box, with the scratch line and
// the selection of the last entry, when the window next shows what changed (flush). A run
// of a thousand lines a second thus costs one update of the box per paint, not one per
// entry.
//
// The transport empties a list that holds more than kListCap entries before the next
// exchange. The rows so dropped are counted and said beside the box, and in front of the
// list when it is saved, so that neither pretends to hold the whole run; "Clear Data"
// starts the count again.
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

#include "core/cmdline/entry_list.h"

class QLabel;
class QLineEdit;
class QListWidget;

namespace kvt {

// "1530 older rows were dropped: the list starts again after 500 rows"
QString DroppedRowsText(qint64 rows);

class ListBoxEntries : public EntryList {
 public:
  // scratch: the hidden line that shows the entry last added; dropped: the label that
  // says how many rows were dropped (empty while none were).
  ListBoxEntries(QListWidget* list, QLineEdit* scratch, QLabel* dropped);

  void add(const QString& entry) override;
  int count() const override;
  // The transport's emptying of a full list.
  void clear() override;
  // The tooltip of every entry of the block just added, back to its rule line.
  void note(const QString& text) override;
  void selectLast() override { selectLast_ = true; }

  // "Clear Data": the list emptied on purpose; no row counts as dropped any more.
  void clearByUser();
  // Puts what came since the last flush into the box.
  void flush();

  qint64 droppedRows() const { return dropped_; }
  // The list as "Save To" writes it: each entry followed by CR LF, after a line saying how
  // many rows were dropped when some were.
  QString savedText();

 private:
  QListWidget* list_;
  QLineEdit* scratch_;
  QLabel* droppedLabel_;
  std::vector<std::pair<QString, QString>> pending_;  // entries and their tooltips
  bool selectLast_ = false;
  qint64 dropped_ = 0;
  qint64 shownDropped_ = 0;
};

}  // namespace kvt
