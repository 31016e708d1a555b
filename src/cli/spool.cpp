// SPDX-License-Identifier: MIT
#include "spool.h"

#include <QDir>
#include <QFile>
#include <cerrno>

namespace kvt::cli {

bool Spool::open(const QString& folder, QString* error) {
  const QString dir = folder.isEmpty() ? QDir::tempPath() : folder;
  file_.setFileTemplate(QDir(dir).filePath(QStringLiteral("kvt730ctl-XXXXXX.spool")));
  file_.setAutoRemove(false);
  if (!file_.open()) {
    *error = QStringLiteral("cannot make a temporary file in %1: %2").arg(dir, file_.errorString());
    return false;
  }
  QFile::remove(file_.fileName());  // the open file stays readable and writable
  return true;
}

void Spool::write(const QByteArray& bytes) {
  if (failed() || bytes.isEmpty()) return;
  errno = 0;
  if (file_.write(bytes) != bytes.size()) {
    // The file's own text is "Unknown error" when its buffer could not be written out.
    error_ = errno != 0 ? qt_error_string(errno) : file_.errorString();
    return;
  }
  written_ += bytes.size();
}

bool Spool::replay(const std::function<bool(const QByteArray&)>& put) {
  return replayWith([this] { return file_.read(64 * 1024); }, put);
}

bool Spool::replayLines(const std::function<bool(const QByteArray&)>& put) {
  return replayWith([this] { return file_.readLine(); }, put);
}

bool Spool::replayWith(const std::function<QByteArray()>& next, const std::function<bool(const QByteArray&)>& put) {
  if (failed()) return false;
  if (!file_.flush() || !file_.seek(0)) {
    error_ = file_.errorString();
    return false;
  }
  qint64 read = 0;
  while (read < written_) {
    const QByteArray piece = next();
    if (piece.isEmpty()) {
      error_ = file_.errorString();
      return false;
    }
    read += piece.size();
    if (!put(piece)) return false;
  }
  // Back to the end, should more come.
  return file_.seek(written_);
}

}  // namespace kvt::cli
