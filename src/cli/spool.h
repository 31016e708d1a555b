// SPDX-License-Identifier: MIT
#pragma once
// What a long run writes out as it goes and reads back once, at its end (a script's JSON
// lines and log, its JUnit suites, its raw lines for --log): a temporary file whose name is
// removed as soon as it is open, so it is gone with the program however that ends, and
// the run holds none of it in memory.
#include <QByteArray>
#include <QString>
#include <QTemporaryFile>
#include <functional>

namespace kvt::cli {

class Spool {
 public:
  Spool() = default;
  Spool(const Spool&) = delete;
  Spool& operator=(const Spool&) = delete;

  // Makes the file in `folder` (the system's temporary folder when empty); false, with
  // why, when it cannot.
  bool open(const QString& folder, QString* error);
  // Appends the bytes. After a write that failed nothing more is taken: the spool then
  // says failed() and why.
  void write(const QByteArray& bytes);
  bool failed() const { return !error_.isEmpty(); }
  QString errorText() const { return error_; }
  bool empty() const { return written_ == 0; }

  // Hands the content back from its start in pieces of up to 64 KiB; stops and gives false
  // when `put` does or the file cannot be read.
  bool replay(const std::function<bool(const QByteArray&)>& put);
  // The same line by line (each with its line feed, the last
  // perhaps without); stops and gives false when `put` does or the file cannot be read.
  bool replayLines(const std::function<bool(const QByteArray&)>& put);

 private:
  bool replayWith(const std::function<QByteArray()>& next, const std::function<bool(const QByteArray&)>& put);

  QTemporaryFile file_;
  qint64 written_ = 0;
  QString error_;
};

}  // namespace kvt::cli
