// SPDX-License-Identifier: MIT
#pragma once
// Names of cards by their answer to reset, from the known-ATR list of pcsc-tools, read at
// run time. The list holds entries separated by blank lines: a pattern line at column 0
// (hex bytes separated by spaces, ".." for any byte; in general a regular expression over
// the spaced upper-case hex of the ATR, "." standing for any digit) and one or more
// description lines, each beginning with a TAB. Lines beginning with "#" are comments.
#include <QByteArray>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace kvt::insight {

class KnownAtrList {
 public:
  // The entries of a list file's text. Lines may be UTF-8 or Latin-1, each on its own.
  static KnownAtrList Parse(const QByteArray& text);

  // The description lines of every entry whose pattern matches the whole ATR (letters of
  // any case), in the order of the file, each once.
  QStringList descriptions(const QByteArray& atr) const;

  int entryCount() const { return static_cast<int>(entries_.size()); }

 private:
  struct Entry {
    QString pattern;
    bool plain = false;      // hex digits, "." and spaces only: compared character by character
    QRegularExpression re;   // the others
    QStringList descriptions;
  };
  bool matches(const Entry& e, const QString& atrText) const;

  std::vector<Entry> entries_;
};

// KVT_SMARTCARD_LIST when set, otherwise /usr/share/pcsc/smartcard_list.txt.
QString KnownAtrListPath();

// The list in that file, read and parsed on first use and kept for the life of the
// process. A file that is missing or unreadable gives an empty list.
std::shared_ptr<const KnownAtrList> LoadKnownAtrList(const QString& path);

// "Known as: <description>" for each description of the ATR, from the list at
// KnownAtrListPath() or from the one given.
QStringList KnownAtrLines(const QByteArray& atr);
QStringList KnownAtrLines(const QByteArray& atr, const KnownAtrList& list);

}  // namespace kvt::insight
