// SPDX-License-Identifier: MIT
#include "script_parse.h"

#include "core/link/frame.h"

namespace kvt {

int CharValue(QChar c) {
  const char16_t u = c.unicode();
  if (u >= '0' && u <= '9') return u - '0';
  if (u >= 'a' && u <= 'z') return u - 'a' + 10;
  if (u >= 'A' && u <= 'Z') return u - 'A' + 10;
  return 0;
}

namespace {
bool IsMarker(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('$'); }

void Refuse(ScriptFrame* fault, ScriptLineError e, int index, int value = 0) {
  if (!fault) return;
  fault->error = e;
  fault->errorColumn = index + 1;
  fault->errorValue = value;
}
}  // namespace

QByteArray ScriptBody(const QString& text, ScriptFrame* fault) {
  QByteArray body;
  const int n = text.size();
  int i = 0;
  while (i < n) {
    const QChar c = text.at(i);
    if (IsMarker(c)) {
      const int left = n - i - 1;
      if (left == 0) break;  // a lone marker at the end stores nothing
      int value;
      if (left == 1) {
        value = CharValue(text.at(i + 1));
      } else {
        value = 16 * CharValue(text.at(i + 1)) + CharValue(text.at(i + 2));
        if (value > 0xFF) {
          Refuse(fault, ScriptLineError::ByteTooLarge, i, value);
          return body;
        }
      }
      body.append(static_cast<char>(value));
      i += 1 + std::min(left, 2);
    } else {
      if (c.unicode() > 0xFF) {
        Refuse(fault, ScriptLineError::NoSingleByte, i);
        return body;
      }
      body.append(static_cast<char>(c.unicode()));
      ++i;
    }
  }
  return body;
}

ScriptFrame ParseScriptLine(const QString& text, uint8_t address) {
  ScriptFrame r;
  const QByteArray body = ScriptBody(text, &r);
  if (!r.ok()) return r;
  if (body.size() < 3 || body.at(0) != 'C') {
    Refuse(&r, ScriptLineError::NotACommand, 0);
    return r;
  }
  if (body.size() > kMaxScriptBody) {
    Refuse(&r, ScriptLineError::TooLong, 0, body.size());
    return r;
  }
  r.frame = BuildFrame(address, static_cast<uint8_t>(body.at(1)), static_cast<uint8_t>(body.at(2)),
                       body.mid(3));
  r.end = 4 + body.size();
  return r;
}

QString ScriptLineMessage(int lineIndex, const QString& text, const ScriptFrame& refused) {
  const QString head = QStringLiteral("Line %1 \"%2\" is not sent: ").arg(lineIndex + 1).arg(text);
  switch (refused.error) {
    case ScriptLineError::ByteTooLarge:
      return head + QStringLiteral("the two characters after the marker at position %1 give %2, "
                                   "more than one byte holds (255)")
                        .arg(refused.errorColumn)
                        .arg(refused.errorValue);
    case ScriptLineError::NoSingleByte:
      return head + QStringLiteral("the character at position %1 has no single-byte code")
                        .arg(refused.errorColumn);
    case ScriptLineError::NotACommand:
      return head + QStringLiteral("a line starts with \"C\", the command code and the parameter code");
    case ScriptLineError::TooLong:
      return head + QStringLiteral("it gives %1 bytes, a frame holds at most %2 from the \"C\" on")
                        .arg(refused.errorValue)
                        .arg(kMaxScriptBody);
    case ScriptLineError::None: break;
  }
  return QString();
}

}  // namespace kvt
