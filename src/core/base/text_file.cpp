// SPDX-License-Identifier: MIT
#include "text_file.h"

#include <cerrno>

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace kvt {

QString TrimSpaces(const QString& text) {
  int begin = 0;
  int end = text.size();
  while (begin < end && text.at(begin) == QLatin1Char(' ')) ++begin;
  while (end > begin && text.at(end - 1) == QLatin1Char(' ')) --end;
  return text.mid(begin, end - begin);
}

QString SaveConfirmationText(const QString& path) {
  const QFileInfo info(path);
  return QStringLiteral("File Name is ") + info.fileName() + QStringLiteral("\r\n") +
         QStringLiteral("Full path and file is ") + QDir::toNativeSeparators(info.absoluteFilePath());
}

bool WriteWholeFile(const QString& path, const QByteArray& bytes, FileError* error) {
  return WriteWholeFileWith(
      path, [&bytes](QIODevice& file) { return file.write(bytes) == bytes.size(); }, error);
}

bool WriteWholeFileWith(const QString& path, const std::function<bool(QIODevice&)>& write, FileError* error) {
  QSaveFile file(path);
  errno = 0;
  const bool opened = file.open(QIODevice::WriteOnly);
  if (opened) errno = 0;  // what opening tried and got past is no error of the write
  const bool written = opened && write(file);
  const bool ok = written && file.commit();
  const int systemError = errno;
  if (!ok && error) {
    // An unfinished file is dropped when `file` goes; the old one stays as it was.
    if (systemError != 0)
      *error = {systemError, qt_error_string(systemError)};
    else if (opened && !written && file.error() == QFileDevice::NoError)
      *error = {0, QStringLiteral("its content could not be put together")};
    else
      *error = {static_cast<int>(file.error()), file.errorString()};
  }
  return ok;
}

}  // namespace kvt
