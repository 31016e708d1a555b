// SPDX-License-Identifier: MIT
#include "message_box_notifier.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace kvt {

namespace {

QMessageBox::Icon boxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

// Message texts keep the reader's CRLF line ends; a label wants plain line feeds.
QString displayText(QString text) {
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return text;
}

// A box shown while an operation runs under the busy cursor gets the normal arrow.
class ArrowWhileShown {
 public:
  ArrowWhileShown() : busy_(QApplication::overrideCursor() != nullptr) {
    if (busy_) QApplication::setOverrideCursor(Qt::ArrowCursor);
  }
  ~ArrowWhileShown() {
    if (busy_) QApplication::restoreOverrideCursor();
  }

 private:
  bool busy_;
};

}  // namespace

void MessageBoxNotifier::show(const Message& m) {
  ArrowWhileShown arrow;
  QWidget* parent = parent_ ? parent_ : QApplication::activeWindow();
  QMessageBox box(boxIcon(m.icon), m.title, displayText(m.text), QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);
  if (!m.details.isEmpty()) box.setDetailedText(displayText(m.details));
  if (parent) box.setWindowModality(Qt::WindowModal);
  box.exec();
}

bool MessageBoxNotifier::ask(const QString& title, const QString& text) { return askWithDetails(title, text, {}); }

bool MessageBoxNotifier::askWithDetails(const QString& title, const QString& text, const QString& details) {
  ArrowWhileShown arrow;
  QWidget* parent = parent_ ? parent_ : QApplication::activeWindow();
  QMessageBox box(QMessageBox::Question, title, displayText(text),
                  QMessageBox::Ok | QMessageBox::Cancel, parent);
  box.setTextFormat(Qt::PlainText);
  if (!details.isEmpty()) box.setDetailedText(displayText(details));
  if (parent) box.setWindowModality(Qt::WindowModal);
  return box.exec() == QMessageBox::Ok;
}

Answer MessageBoxNotifier::askSafe(const SafeQuestion& q) {
  ArrowWhileShown arrow;
  QWidget* parent = parent_ ? parent_ : QApplication::activeWindow();
  QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
  if (q.withCancel) buttons |= QMessageBox::Cancel;
  QMessageBox box(QMessageBox::Question, q.title, displayText(q.text), buttons, parent);
  box.setObjectName(QStringLiteral("SafeQuestionBox"));
  box.setTextFormat(Qt::PlainText);
  if (!q.details.isEmpty()) box.setDetailedText(displayText(q.details));
  // The safe answer is the default and has the focus: Return never says yes.
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(q.withCancel ? QMessageBox::Cancel : QMessageBox::No);
  box.button(QMessageBox::No)->setFocus();
  if (parent) box.setWindowModality(Qt::WindowModal);
  switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::Cancel: return Answer::Cancel;
    default: return Answer::No;
  }
}

}  // namespace kvt
