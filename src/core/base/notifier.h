// SPDX-License-Identifier: MIT
#pragma once
// Every message the tool shows goes through this interface: message boxes in the
// windows, printed lines on the command line, a recorder in tests.
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace kvt {

enum class MessageIcon { Information, Warning, Question, None };

struct Message {
  Message() = default;
  Message(MessageIcon i, QString t, QString x, QString d = {})
      : icon(i), title(std::move(t)), text(std::move(x)), details(std::move(d)) {}

  MessageIcon icon = MessageIcon::Information;
  QString title;
  QString text;
  QString details;  // more to read behind the text (the box's "Show Details..."); not compared
  bool operator==(const Message& o) const {
    return icon == o.icon && title == o.title && text == o.text;
  }
};

// The answers of a SafeQuestion.
enum class Answer { Yes, No, Cancel };

// A question whose "Yes" cannot be undone (a trailer locked for good, a security-code try
// spent, a card overwritten): "No" is the default answer and has the focus, so Return
// never says yes; Escape answers Cancel where the question offers it, else No.
struct SafeQuestion {
  SafeQuestion(QString t, QString x, QString d = {}, bool c = false)
      : title(std::move(t)), text(std::move(x)), details(std::move(d)), withCancel(c) {}
  QString title;
  QString text;
  QString details;          // behind "Show Details..."; none when empty
  bool withCancel = false;  // Yes / No / Cancel instead of Yes / No
};

class Notifier {
 public:
  virtual ~Notifier() = default;
  virtual void show(const Message& m) = 0;
  // Question with OK/Cancel; true for OK.
  virtual bool ask(const QString& title, const QString& text) = 0;
  // The same question with more to read behind it (the box's "Show Details..."). The text
  // stays the question's own; by default the details are left out.
  virtual bool askWithDetails(const QString& title, const QString& text, const QString& details) {
    (void)details;
    return ask(title, text);
  }
  // A SafeQuestion. A notifier that cannot show one gives its default answer, No, without
  // asking: nothing irreversible is ever reached through a notifier that does not know it.
  virtual Answer askSafe(const SafeQuestion& q) {
    (void)q;
    return Answer::No;
  }

  void inform(const QString& title, const QString& text) { show({MessageIcon::Information, title, text}); }
  void warn(const QString& title, const QString& text) { show({MessageIcon::Warning, title, text}); }
  void plain(const QString& title, const QString& text) { show({MessageIcon::None, title, text}); }
};

// Keeps every message; answers questions with a preset reply. Used by tests and fuzzers.
class RecordingNotifier : public Notifier {
 public:
  void show(const Message& m) override { messages.push_back(m); }
  bool ask(const QString& title, const QString& text) override {
    messages.push_back({MessageIcon::Question, title, text});
    return answer;
  }
  bool askWithDetails(const QString& title, const QString& text, const QString& details) override {
    lastDetails = details;
    return ask(title, text);
  }
  // Recorded as a question; answered with `safeAnswer` when set, else Yes or No by `answer`.
  Answer askSafe(const SafeQuestion& q) override {
    lastDetails = q.details;
    messages.push_back({MessageIcon::Question, q.title, q.text});
    if (safeAnswer) return *safeAnswer;
    return answer ? Answer::Yes : Answer::No;
  }
  QString lastDetails;
  std::vector<Message> messages;
  bool answer = true;
  std::optional<Answer> safeAnswer;
};

// One line for a message: the title, " | ", the text with each CRLF written as " / ".
QString MessageLine(const Message& m);

}  // namespace kvt
