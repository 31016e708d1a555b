// SPDX-License-Identifier: MIT
#include "unit_text.h"

#include <ctime>

#include "core/base/conversions.h"
#include "core/link/log_format.h"

namespace kvt::monitor {

QString SpacedHex(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex(' ').toUpper()); }

namespace {

QString TimeText(qint64 timeUs, bool utc) {
  const time_t seconds = static_cast<time_t>(timeUs / 1000000);
  const int micro = static_cast<int>(timeUs % 1000000);
  tm parts{};
  if (utc) gmtime_r(&seconds, &parts);
  else localtime_r(&seconds, &parts);  // unlike localtime(), does not look at the zone file each call
  char out[48];
  std::snprintf(out, sizeof out, utc ? "%04d-%02d-%02dT%02d:%02d:%02d.%06dZ" : "%04d-%02d-%02d %02d:%02d:%02d.%06d",
                parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, micro);
  return QString::fromLatin1(out);
}

QString Codes(const LineUnit& u) { return HexByte(u.cm) + QLatin1Char(' ') + HexByte(u.pm); }

QString AddressNote(const LineUnit& u) {
  return u.address > 0 ? QStringLiteral(" (address %1)").arg(HexByte(static_cast<uint8_t>(u.address))) : QString();
}

QString FrameSummary(const LineUnit& u) {
  if (u.reply) {
    QString s = QStringLiteral("reply %1 %2 %3").arg(QString(QLatin1Char(u.reply)), Codes(u), u.name);
    return u.meaning.isEmpty() ? s : s + QStringLiteral(": ") + u.meaning;
  }
  QString s = QStringLiteral("command %1 %2").arg(Codes(u), u.name);
  return u.data.isEmpty() ? s : s + QStringLiteral(", data ") + SpacedHex(u.data);
}

}  // namespace

QString LocalTimeText(qint64 timeUs) { return TimeText(timeUs, false); }

QString UtcTimeText(qint64 timeUs) { return TimeText(timeUs, true); }

QString Describe(const LineUnit& u) {
  switch (u.kind) {
    case UnitKind::Command:
    case UnitKind::Reply: return FrameSummary(u) + AddressNote(u);
    case UnitKind::Ack:
    case UnitKind::Nak:
    case UnitKind::Eot:
    case UnitKind::Enq: return u.name;
    case UnitKind::BadFrame: {
      QString s = QStringLiteral("bad frame: ") + u.problem;
      return u.hasCodes && !u.name.isEmpty() ? s + QStringLiteral(" (") + FrameSummary(u) + QLatin1Char(')') : s;
    }
    case UnitKind::Noise: return QStringLiteral("noise: ") + u.problem;
    case UnitKind::Timeout: return QStringLiteral("timeout: ") + u.meaning;
    case UnitKind::Event: return QStringLiteral("event: ") + u.meaning;
  }
  return {};
}

QString TextLine(const LineUnit& u) {
  const QString bytes = u.bytes.isEmpty() ? QStringLiteral("-") : SpacedHex(u.bytes);
  return LocalTimeText(u.timeUs) + QLatin1Char(' ') + QLatin1String(DirectionText(u.from)) + QLatin1Char(' ') + bytes +
         QStringLiteral(" | ") + Describe(u);
}

namespace {

// A JSON string: quotes, backslashes and control characters escaped, the rest as UTF-8.
void JsonString(QByteArray& out, const QString& text) {
  out += '"';
  for (const char c : text.toUtf8()) {
    const auto b = static_cast<uint8_t>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (b < 0x20) {
      static const char kShort[] = "btn?fr";  // 0x08 .. 0x0D; 0x0B has no short form
      if (b >= 0x08 && b <= 0x0D && b != 0x0B) {
        out += '\\';
        out += kShort[b - 0x08];
      } else {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", b);
        out += escaped;
      }
    } else {
      out += c;
    }
  }
  out += '"';
}

}  // namespace

QByteArray JsonLine(const LineUnit& u) {
  // Written by hand, keys in order as Qt's JSON classes would sort them: a long capture
  // formats hundreds of thousands of these.
  QByteArray out;
  out.reserve(256);
  bool first = true;
  const auto field = [&](const char* key, const QString& value) {
    out += first ? "{\"" : ",\"";
    first = false;
    out += key;
    out += "\":";
    JsonString(out, value);
  };
  const bool framed = u.address >= 0;
  if (framed) field("address", HexByte(static_cast<uint8_t>(u.address)));
  field("bytes", SpacedHex(u.bytes));
  if (framed) field("check", u.checkOk ? QStringLiteral("ok") : QStringLiteral("wrong"));
  if (u.hasCodes) field("command", Codes(u));
  if (!u.data.isEmpty()) field("data", SpacedHex(u.data));
  field("from", QLatin1String(SideName(u.from)));
  field("kind", QLatin1String(KindName(u.kind)));
  if (!u.meaning.isEmpty()) field("meaning", u.meaning);
  if (!u.name.isEmpty()) field("name", u.name);
  if (!u.problem.isEmpty()) field("problem", u.problem);
  if (u.reply) field("reply", QString(QLatin1Char(u.reply)));
  field("text", Describe(u));
  field("time", UtcTimeText(u.timeUs));
  out += '}';
  return out;
}

QString LogText(const LineUnit& u) {
  if (u.bytes.isEmpty()) return {};
  const bool single = u.bytes.size() == 1 && u.kind != UnitKind::Noise;
  if (u.from == Side::App) {
    if (!single) return SentLine(u.bytes);
    const QString line = ControlLine("SD: ", static_cast<uint8_t>(u.bytes[0]));
    return u.kind == UnitKind::Ack ? line + CRLF : line;
  }
  if (single) {
    const QString line = ControlLine("RD: ", static_cast<uint8_t>(u.bytes[0]));
    return u.kind == UnitKind::Nak ? line + CRLF : line;
  }
  return HeaderText(u.bytes.left(4)) + RemainderText(u.bytes.mid(4));
}

}  // namespace kvt::monitor
