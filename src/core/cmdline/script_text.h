// SPDX-License-Identifier: MIT
#pragma once
// The script as text: its lines, blank-line removal, the repeat count and the file form.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kvt {

// The lines as a multi-line text box counts them: split at CR LF, LF or CR; a text ending
// in a line break has an empty last line, and the empty text is one empty line.
QStringList ScriptLines(const QString& text);

// Removes the empty lines; the others stay in order, joined by LF, with no line break after
// the last. A line holding only spaces is not empty.
QString TextIfOkBtn_fun(const QString& text);

// The whole part of the number a repeat count text starts with, as the text box's value:
// surrounding blanks ignored, "2.7" gives 2, "-3" gives -3, non-numeric text gives 0;
// values beyond 64 bits are held at +-9e18 (the caller checks the range it can count).
qint64 WholeValue(const QString& text);

// The most repetitions the repeat counter holds (a 32-bit count).
constexpr qint64 kMaxRepeatCount = 2147483647;

// A script file's text: UTF-8 where the bytes are valid UTF-8, else one character per byte.
// Line ends become LF.
QString ScriptFromFile(const QByteArray& bytes);

// The text as it goes into a file: UTF-8 with CR LF line ends.
QByteArray ScriptToFile(const QString& text);

}  // namespace kvt
