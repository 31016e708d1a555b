#include "report/safe_text.h"

namespace kvt::report {

namespace {

// Calls put(character, isLoneSurrogate) for each UTF-16 unit or whole pair of the text.
template <typename Put>
QString Rewrite(const QString& text, Put put) {
  QString out;
  out.reserve(text.size());
  const int n = static_cast<int>(text.size());
  for (int i = 0; i < n; ++i) {
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) {
      out += c;
      out += text[++i];
    } else if (c.isSurrogate()) {
      out += QChar(QChar::ReplacementCharacter);
    } else {
      put(out, c);
    }
  }
  return out;
}

}  // namespace

QString WellFormedText(const QString& text) {
  return Rewrite(text, [](QString& out, QChar c) { out += c; });
}

QString XmlSafeText(const QString& text) {
  return Rewrite(text, [](QString& out, QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x20 && u != 0x09 && u != 0x0A && u != 0x0D)
      out += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
    else if (u == 0xFFFE || u == 0xFFFF)
      out += QStringLiteral("\\u%1").arg(u, 4, 16, QLatin1Char('0'));
    else
      out += c;
  });
}

}  // namespace kvt::report
