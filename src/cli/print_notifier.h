#pragma once
// Messages of the operations as printed lines: "title | text", each CRLF of the
// text written as " / ".
#include "base/notifier.h"

namespace kvt::cli {

class PrintNotifier : public Notifier {
 public:
  void show(const Message& m) override;
  // Prints the question and answers OK: whoever typed the command has already
  // asked for the operation.
  bool ask(const QString& title, const QString& text) override;
  // The question, then each line of the details on a line of its own.
  bool askWithDetails(const QString& title, const QString& text, const QString& details) override;
};

}  // namespace kvt::cli
