// SPDX-License-Identifier: MIT
#pragma once
// A list box as the script transport sees it: entries added at the end, counted, the last
// one selected (scrolled into view), the whole list emptied.
#include <QString>
#include <QStringList>

namespace kvt {

class EntryList {
 public:
  virtual ~EntryList() = default;
  virtual void add(const QString& entry) = 0;
  virtual int count() const = 0;
  virtual void clear() = 0;
  virtual void selectLast() {}
  // A note on the block just added: the meaning of an APDU reply's status word. A list on
  // the terminal prints it as an entry of its own; the window's list shows it as the
  // block's tooltip; a list that keeps only the window's entries drops it.
  virtual void note(const QString&) {}
};

// The entries held in memory: tests, and the command line's raw list.
class StringEntryList : public EntryList {
 public:
  void add(const QString& entry) override { entries << entry; }
  int count() const override { return static_cast<int>(entries.size()); }
  void clear() override { entries.clear(); }
  QStringList entries;
};

}  // namespace kvt
