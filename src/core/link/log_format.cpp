// SPDX-License-Identifier: MIT
#include "log_format.h"

#include "core/base/conversions.h"

namespace kvt {

const QString CRLF = QStringLiteral("\r\n");
static const QString kIndent(7, QLatin1Char(' '));

QString SentLine(const QByteArray& frame) {
  QString s = QStringLiteral("SD: ");
  int counter = 1;
  for (char c : frame) {
    s += HexByte(static_cast<uint8_t>(c)) + QLatin1Char(' ');
    ++counter;
    if (counter == 25) {
      s += CRLF + kIndent;
      counter = 0;
    }
  }
  return s + CRLF;
}

QString ControlLine(const char* prefix, uint8_t byte) {
  return QLatin1String(prefix) + HexByte(byte) + CRLF;
}

QString HeaderText(const QByteArray& header) { return QStringLiteral("RD: ") + HexEntries(header); }

QString RemainderText(const QByteArray& remainder) {
  QString s;
  const int n = remainder.size();
  for (int i = 0; i < n; ++i) {
    s += HexByte(static_cast<uint8_t>(remainder[i])) + QLatin1Char(' ');
    if ((i + 4) % 25 == 0 && i != n - 1) s += CRLF + kIndent;
  }
  return s + CRLF;
}

}  // namespace kvt
