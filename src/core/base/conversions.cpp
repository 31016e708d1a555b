// SPDX-License-Identifier: MIT
#include "conversions.h"

#include <QElapsedTimer>
#include <chrono>
#include <thread>

namespace kvt {

uint8_t CalcBCC(const QByteArray& frame) {
  uint8_t r = 0;
  for (int i = 0; i + 1 < frame.size(); ++i) r ^= static_cast<uint8_t>(frame[i]);
  return r;
}

QString DoubleType(const QString& s) {
  switch (s.size()) {
    case 0: return QStringLiteral("00");
    case 1: return QLatin1Char('0') + s;
    case 2: return s;
    default: return QString();
  }
}

int DelayMs(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms - t.elapsed()));
  }
  return 0;
}

QString PadHex8(const QString& s) {
  const int rem = s.size() % 8;
  if (rem == 0) return s;
  return QString(8 - rem, QLatin1Char('0')) + s;
}

double HexToNumber(const QString& t) {
  double r = 0;
  for (QChar c : t) {
    int d = 0;
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) d = c.unicode() - '0';
    else if (c >= QLatin1Char('A') && c <= QLatin1Char('F')) d = c.unicode() - 'A' + 10;
    else if (c >= QLatin1Char('a') && c <= QLatin1Char('f')) d = c.unicode() - 'a' + 10;
    r = r * 16 + d;
  }
  return r;
}

static int hexDigit(QChar c) {
  const ushort u = c.unicode();
  if (u >= '0' && u <= '9') return u - '0';
  if (u >= 'A' && u <= 'F') return u - 'A' + 10;
  if (u >= 'a' && u <= 'f') return u - 'a' + 10;
  return -1;
}

std::optional<uint8_t> ReadHexByte(const QString& t) {
  const QString s = t.trimmed();
  if (s.isEmpty()) return std::nullopt;
  unsigned v = 0;
  for (QChar c : s) {
    const int d = hexDigit(c);
    if (d < 0) return std::nullopt;
    v = v * 16 + static_cast<unsigned>(d);
    if (v > 0xFF) return std::nullopt;
  }
  return static_cast<uint8_t>(v);
}

QString HexByte(uint8_t b) {
  static const char digits[] = "0123456789ABCDEF";
  QString s(2, QLatin1Char('0'));
  s[0] = QLatin1Char(digits[b >> 4]);
  s[1] = QLatin1Char(digits[b & 0xF]);
  return s;
}

QString HexEntries(const QByteArray& bytes) {
  QString s;
  s.reserve(bytes.size() * 3);
  for (char c : bytes) {
    s += HexByte(static_cast<uint8_t>(c));
    s += QLatin1Char(' ');
  }
  return s;
}

std::optional<QByteArray> ParseHexText(const QString& text) {
  QByteArray out;
  int pending = -1;
  for (QChar c : text) {
    if (c.isSpace() || c == QLatin1Char(':') || c == QLatin1Char(',')) {
      if (pending >= 0) return std::nullopt;
      continue;
    }
    const int d = hexDigit(c);
    if (d < 0) return std::nullopt;
    if (pending < 0) {
      pending = d;
    } else {
      out.append(static_cast<char>(pending * 16 + d));
      pending = -1;
    }
  }
  if (pending >= 0) return std::nullopt;
  return out;
}

}  // namespace kvt
