// SPDX-License-Identifier: MIT
#include "script_text.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <cmath>
#include <limits>

namespace kvt {

QStringList ScriptLines(const QString& text) {
  // A scan, not a pattern split: the runner asks for the lines many times a run.
  QStringList lines;
  lines.reserve(text.count(QLatin1Char('\n')) + text.count(QLatin1Char('\r')) + 1);
  qsizetype start = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) continue;
    lines << text.mid(start, i - start);
    if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n')) ++i;
    start = i + 1;
  }
  lines << text.mid(start);
  return lines;
}

QString TextIfOkBtn_fun(const QString& text) {
  QStringList kept;
  for (const QString& line : ScriptLines(text))
    if (!line.isEmpty()) kept << line;
  return kept.join(QLatin1Char('\n'));
}

qint64 WholeValue(const QString& text) {
  static const QRegularExpression number(
      QStringLiteral("^[ \\t]*([+-]?(?:[0-9]+\\.?[0-9]*|\\.[0-9]+)(?:[eE][+-]?[0-9]+)?)"));
  const auto m = number.match(text);
  if (!m.hasMatch()) return 0;
  const double v = std::trunc(m.captured(1).toDouble());
  constexpr double limit = 9e18;
  if (!(v >= -limit)) return static_cast<qint64>(-limit);
  if (v > limit) return static_cast<qint64>(limit);
  return static_cast<qint64>(v);
}

QString ScriptFromFile(const QByteArray& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(bytes);
  if (utf8.hasError()) text = QString::fromLatin1(bytes);
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

QByteArray ScriptToFile(const QString& text) {
  return ScriptLines(text).join(QLatin1String("\r\n")).toUtf8();
}

}  // namespace kvt
