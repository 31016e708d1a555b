// SPDX-License-Identifier: MIT
#include "notifier.h"

namespace kvt {

QString MessageLine(const Message& m) {
  QString text = m.text;
  text.replace(QStringLiteral("\r\n"), QStringLiteral(" / "));
  return m.title + QStringLiteral(" | ") + text;
}

}  // namespace kvt
