#include "print_notifier.h"

#include "output.h"

namespace kvt::cli {

void PrintNotifier::show(const Message& m) { PrintLine(MessageLine(m)); }

bool PrintNotifier::ask(const QString& title, const QString& text) {
  show({MessageIcon::Question, title, text});
  return true;
}

}  // namespace kvt::cli
