// SPDX-License-Identifier: MIT
#include "safe_text.h"

namespace kvt::report {

namespace {

// Controls other than tab, LF and CR, and the two non-characters FFFE and FFFF.
bool XmlForbidden(char16_t u) {
  return (u < 0x20 && u != 0x09 && u != 0x0A && u != 0x0D) || u == 0xFFFE || u == 0xFFFF;
}

// True when no character needs rewriting: a lone surrogate, or (for XML) a forbidden one.
bool Clean(const QString& text, bool xml) {
  const int n = static_cast<int>(text.size());
  for (int i = 0; i < n; ++i) {
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate()) ++i;
    else if (c.isSurrogate() || (xml && XmlForbidden(c.unicode()))) return false;
  }
  return true;
}

// Calls put(out, character) for each UTF-16 unit that is not part of a surrogate pair; a
// lone surrogate becomes U+FFFD.
template <typename Put>
QString Rewrite(const QString& text, Put put) {
  QString out;
  out.reserve(text.size() + 16);
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
  if (Clean(text, false)) return text;
  return Rewrite(text, [](QString& out, QChar c) { out += c; });
}

QString XmlSafeText(const QString& text) {
  if (Clean(text, true)) return text;
  return Rewrite(text, [](QString& out, QChar c) {
    const char16_t u = c.unicode();
    if (!XmlForbidden(u)) {
      out += c;
      return;
    }
    static const char digits[] = "0123456789abcdef";
    out += QLatin1Char('\\');
    out += QLatin1Char(u < 0x20 ? 'x' : 'u');
    for (int shift = u < 0x20 ? 4 : 12; shift >= 0; shift -= 4) out += QLatin1Char(digits[(u >> shift) & 0xF]);
  });
}

}  // namespace kvt::report
