// SPDX-License-Identifier: MIT
#include "comm_log.h"

#include <QStringList>

#include "core/base/conversions.h"

namespace kvt::monitor {

namespace {

// Byte entries: two hex digits each, separated by blanks.
std::optional<QByteArray> Entries(const QString& text) {
  const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
  QByteArray out;
  for (const QString& p : parts) {
    if (p.size() != 2) return std::nullopt;
    const auto b = ReadHexByte(p);
    if (!b) return std::nullopt;
    out.append(static_cast<char>(*b));
  }
  return out;
}

}  // namespace

LogReadResult ReadCommLog(const QByteArray& bytes) {
  LogReadResult r;
  if (bytes.contains('\0')) {
    r.error = QStringLiteral("it holds bytes that are not text");
    return r;
  }
  const QStringList lines = QString::fromLatin1(bytes).split(QLatin1Char('\n'));
  const QString indent(7, QLatin1Char(' '));
  for (int i = 0; i < lines.size(); ++i) {
    QString line = lines[i];
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    if (line.trimmed().isEmpty()) continue;
    const QString head = line.left(4);
    std::optional<QByteArray> got;
    if (head == QLatin1String("SD: ") || head == QLatin1String("RD: ")) {
      got = Entries(line.mid(4));
      if (got && !got->isEmpty())
        r.chunks.push_back({head[0] == QLatin1Char('S') ? Side::App : Side::Reader, *got});
    } else if (line.startsWith(indent) && !r.chunks.empty()) {
      got = Entries(line);
      if (got) r.chunks.back().bytes += *got;
    }
    if (!got || got->isEmpty()) {
      r.chunks.clear();
      r.error = QStringLiteral("line %1 is not a line of a communication log (\"SD: \" or \"RD: \" and hex bytes): %2")
                    .arg(i + 1)
                    .arg(line.left(40));
      return r;
    }
  }
  if (r.chunks.empty()) r.error = QStringLiteral("it holds no \"SD: \" or \"RD: \" line");
  return r;
}

}  // namespace kvt::monitor
