// SPDX-License-Identifier: MIT
#pragma once
// Plain text files the windows write ("Save To" of the log, the script and the raw list of
// the command-line window): trimming, the confirmation text and a write that never leaves
// a half-written file behind.
#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <functional>

namespace kvt {

// The text without leading and trailing spaces (line ends and tabs are kept).
QString TrimSpaces(const QString& text);

// The confirmation after the save dialog: "File Name is NAME", CRLF,
// "Full path and file is PATH" (native separators).
QString SaveConfirmationText(const QString& path);

// Why a write failed: the system's error number and text where there is one, else the
// file layer's.
struct FileError {
  int number = 0;
  QString text;
};

// Writes bytes to path. The new content goes into a file beside the old one and takes its
// place only once it is completely written; on failure the old file stays as it was and
// *error (when given) says why.
bool WriteWholeFile(const QString& path, const QByteArray& bytes, FileError* error = nullptr);

// The same for content too large to hold: `write` writes it to the new file piece by piece
// and gives false when it could not (the old file then stays too).
bool WriteWholeFileWith(const QString& path, const std::function<bool(QIODevice&)>& write,
                        FileError* error = nullptr);

}  // namespace kvt
