#include "insight_commands.h"

#include <QRegularExpression>

#include "app/conversions.h"
#include "cmdline/script_transport.h"
#include "exit_status.h"
#include "insight/atr.h"
#include "insight/status_words.h"
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

// The SW line of a Reply block (the entries after its rule): a positive reply to a command
// that carries an APDU, whose data ends in the status word.
std::optional<QString> ReplyBlockSwLine(const QStringList& b) {
  static const QRegularExpression codes(QStringLiteral("^Command:([0-9A-F]{2})h,  Parameter:([0-9A-F]{2})h "));
  if (b.size() < 4 || b[1] != QLatin1String("Reply type=<Positive reply>")) return std::nullopt;
  const QRegularExpressionMatch m = codes.match(b[2]);
  if (!m.hasMatch() || !b[3].startsWith(QLatin1String("Data(Hex):"))) return std::nullopt;
  if (!insight::CommandCarriesApdu(static_cast<uint8_t>(m.captured(1).toUInt(nullptr, 16)),
                                   static_cast<uint8_t>(m.captured(2).toUInt(nullptr, 16))))
    return std::nullopt;
  // Data lines: two digits and a space per byte, " - " after the eighth of a line.
  QStringList digits = (QStringList{b[3].mid(10)} + b.mid(4)).join(QLatin1Char(' ')).split(QLatin1Char(' '), Qt::SkipEmptyParts);
  digits.removeAll(QStringLiteral("-"));
  const auto data = ParseHexText(digits.join(QLatin1Char(' ')));
  return data ? insight::ResponseSwLine(*data) : std::nullopt;
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

void SwAnnotatedBlocks::add(const QString& entry) {
  if (entry == kReplyRule) {
    inReply_ = true;
    reply_.clear();
  } else if (inReply_ && entry.isEmpty()) {
    inReply_ = false;
    if (const auto line = ReplyBlockSwLine(reply_)) blocks_.add(*line);
  } else if (inReply_) {
    reply_ << entry;
  }
  blocks_.add(entry);
}

}  // namespace kvt::cli
