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
