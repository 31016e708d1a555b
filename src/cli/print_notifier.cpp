// SPDX-License-Identifier: MIT
#include "print_notifier.h"

#include "output.h"

namespace kvt::cli {

void PrintNotifier::show(const Message& m) { PrintMessage(m); }

bool PrintNotifier::ask(const QString& title, const QString& text) {
  show({MessageIcon::Question, title, text});
  return true;
}

bool PrintNotifier::askWithDetails(const QString& title, const QString& text, const QString& details) {
  const bool answer = ask(title, text);
  if (!details.isEmpty())
    for (const QString& line : details.split(QStringLiteral("\r\n"))) PrintLine(line);
  return answer;
}

Answer PrintNotifier::askSafe(const SafeQuestion& q) {
  show({MessageIcon::Question, q.title, q.text});
  return Answer::No;
}

}  // namespace kvt::cli
