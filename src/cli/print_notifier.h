// SPDX-License-Identifier: MIT
#pragma once
// Messages of the operations as printed lines: "title | text", each CRLF of the
// text written as " / ".
#include "core/base/notifier.h"

namespace kvt::cli {

class PrintNotifier : public Notifier {
 public:
  void show(const Message& m) override;
  // Prints the question and answers OK: whoever typed the command has already
  // asked for the operation.
  bool ask(const QString& title, const QString& text) override;
  // The question, then each line of the details on a line of its own.
  bool askWithDetails(const QString& title, const QString& text, const QString& details) override;
  // Prints the question and answers No: what cannot be undone is asked for with an option
  // (--force, --trailers), never by a question nobody can answer.
  Answer askSafe(const SafeQuestion& q) override;
};

}  // namespace kvt::cli
