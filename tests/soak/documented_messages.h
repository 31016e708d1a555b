// SPDX-License-Identifier: MIT
#pragma once
// Every message box the tool may show for a reader operation or a script run: the
// engine's four texts, the negative-reply table, and each operation's success, caution
// and question texts. Texts that carry reader data are patterns.
#include <QRegularExpression>
#include <QString>
#include <vector>

#include "core/base/notifier.h"

namespace kvt::soak {

class DocumentedMessages {
 public:
  DocumentedMessages();
  bool contains(const Message& m) const;

 private:
  void exact(MessageIcon icon, const QString& title, const QString& text);  // the whole text as it stands
  void pattern(MessageIcon icon, const QString& title, const QString& regex);

  struct Pattern {
    MessageIcon icon;
    QString title;
    QRegularExpression text;
  };
  std::vector<Pattern> patterns_;
};

}  // namespace kvt::soak
