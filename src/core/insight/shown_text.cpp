// SPDX-License-Identifier: MIT
#include "shown_text.h"

#include "atr.h"
#include "ats.h"
#include "core/base/conversions.h"
#include "status_words.h"

namespace kvt::insight {

namespace {

QByteArray BytesOf(const QString& hex) {
  const auto bytes = ParseHexText(hex);
  return bytes ? *bytes : QByteArray();
}

}  // namespace

QString AtrDecodingText(const QString& atrHex) {
  const QByteArray atr = BytesOf(atrHex);
  return atr.isEmpty() ? QString() : AtrLines(atr).join(QLatin1Char('\n'));
}

QString AtsDecodingText(const QString& atsHex) {
  const QByteArray ats = BytesOf(atsHex);
  return ats.isEmpty() ? QString() : AtsLines(ats).join(QLatin1Char('\n'));
}

QString ResponseSwText(const QString& responseHex) {
  return ResponseSwLine(BytesOf(responseHex)).value_or(QString());
}

}  // namespace kvt::insight
