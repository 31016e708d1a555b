// SPDX-License-Identifier: MIT
#include "capture_files.h"

#include <QFileInfo>

#include "unit_text.h"

namespace kvt::monitor {

bool CaptureFiles::openCapture(const QString& path, QString* error) { return capture_.open(path, error); }

bool CaptureFiles::openLog(const QString& path, QString* error) {
  log_.setFileName(path);
  if (log_.open(QIODevice::WriteOnly | QIODevice::Truncate)) return true;
  if (error) *error = log_.errorString();
  return false;
}

bool CaptureFiles::write(const std::vector<LineUnit>& units) {
  bool ok = true;
  for (const LineUnit& u : units) {
    if (capture_.isOpen()) ok = capture_.write(u) && ok;
    if (log_.isOpen()) {
      const QByteArray text = LogText(u).toLatin1();
      if (!text.isEmpty()) ok = log_.write(text) == text.size() && ok;
    }
  }
  return ok;
}

void CaptureFiles::flush() {
  capture_.flush();
  if (log_.isOpen()) log_.flush();
}

void CaptureFiles::close() {
  capture_.close();
  if (log_.isOpen()) log_.close();
}

QString CheckOutputPath(const QString& path) {
  const QFileInfo info(path);
  if (info.isDir()) return QStringLiteral("%1 is a folder").arg(path);
  const QFileInfo folder(info.absolutePath());
  if (!folder.isDir()) return QStringLiteral("the folder %1 does not exist").arg(folder.filePath());
  if (!folder.isWritable()) return QStringLiteral("the folder %1 is not writable").arg(folder.filePath());
  return {};
}

}  // namespace kvt::monitor
