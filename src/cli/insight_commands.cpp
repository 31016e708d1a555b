// SPDX-License-Identifier: MIT
#include "insight_commands.h"

#include <QRegularExpression>

#include "core/base/conversions.h"
#include "core/insight/atr.h"
#include "core/insight/status_words.h"
#include "exit_status.h"
#include "output.h"

namespace kvt::cli {

namespace {

Runner BindAtr(const CliOptions& o, QString* error) {
  if (o.operands.isEmpty()) {
    *error = QStringLiteral("atr needs the answer to reset in hex, e.g. 3B 02 14 50");
    return {};
  }
  const QString text = o.operands.join(QLatin1Char(' '));
  const auto bytes = ParseHexText(text);
  if (!bytes || bytes->isEmpty()) {
    *error = QStringLiteral("atr %1: not a sequence of two-digit hex bytes").arg(text);
    return {};
  }
  const QByteArray atr = *bytes;
  return [atr](Context&) {
    for (const QString& line : insight::AtrLines(atr)) PrintLine(line);
    return static_cast<int>(kExitOk);
  };
}

Runner BindSw(const CliOptions& o, QString* error) {
  static const QRegularExpression form(QStringLiteral("^\\s*([0-9A-Fa-f]{2})\\s*([0-9A-Fa-f]{2})\\s*$"));
  if (o.operands.isEmpty()) {
    *error = QStringLiteral("sw needs the status word in hex, e.g. 6A82");
    return {};
  }
  const QString text = o.operands.join(QLatin1Char(' '));
  const QRegularExpressionMatch m = form.match(text);
  if (!m.hasMatch()) {
    *error = QStringLiteral("sw %1: expected four hex digits, SW1 and SW2 (e.g. 6A82 or \"6A 82\")").arg(text);
    return {};
  }
  const auto sw1 = static_cast<uint8_t>(m.captured(1).toUInt(nullptr, 16));
  const auto sw2 = static_cast<uint8_t>(m.captured(2).toUInt(nullptr, 16));
  return [sw1, sw2](Context&) {
    PrintLine(insight::SwLine(sw1, sw2));
    return static_cast<int>(kExitOk);
  };
}

}  // namespace

void AddInsightCommands(std::vector<CommandEntry>& t) {
  t.push_back({"atr", "HEX...", "decode an answer to reset (no port is opened)", false, BindAtr});
  t.push_back({"sw", "SW", "the meaning of a status word SW1 SW2, e.g. 6A82 (no port is opened)", false, BindSw});
}

void PrintResponseSw(const QString& responseHex) {
  const auto bytes = ParseHexText(responseHex);
  if (!bytes) return;
  if (const auto line = insight::ResponseSwLine(*bytes)) PrintLine(*line);
}

void PrintLinesWithSw(const QStringList& lines, const QByteArray& response) {
  const bool closed = !lines.isEmpty() && lines.last().isEmpty();
  for (int i = 0; i < lines.size() - (closed ? 1 : 0); ++i) PrintLine(lines[i]);
  if (const auto line = insight::ResponseSwLine(response)) PrintLine(*line);
  if (closed) PrintLine(QString());
}

}  // namespace kvt::cli
