// SPDX-License-Identifier: MIT
#pragma once
// Whole files read and written by the tests.
#include <QByteArray>
#include <QFile>
#include <QString>

namespace test_files {

// The file's bytes, or "<missing>" when it cannot be read.
inline QByteArray readFile(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Writes the bytes; false when the file cannot be written.
inline bool writeFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

}  // namespace test_files
