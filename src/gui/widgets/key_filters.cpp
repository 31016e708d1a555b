// SPDX-License-Identifier: MIT
#include "key_filters.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

namespace kvt {

KeyFilter::KeyFilter(QLineEdit* edit, const Rule& rule)
    : QObject(edit), edit_(edit), rule_(rule), current_(edit->text()), previous_(current_) {
  edit->installEventFilter(this);
  if (auto* combo = qobject_cast<QComboBox*>(edit->parentWidget()); combo && combo->lineEdit() == edit) {
    combo_ = combo;
    combo->installEventFilter(this);
  }
  // Text that arrives without a key press (paste from the menu, drag and drop) is held to
  // the same rule: an edit that brings in a refused character, or grows past the limit, is
  // undone. Text set by the program is not touched.
  connect(edit, &QLineEdit::textEdited, this, &KeyFilter::checkEdit);
  // The text is read from the edit, not from the signal: an edit undone inside textEdited
  // is still announced afterwards with the refused text.
  connect(edit, &QLineEdit::textChanged, this, [this] {
    const QString now = edit_->text();
    if (now == current_) return;
    previous_ = current_;
    current_ = now;
  });
}

QChar KeyFilter::accept(const Rule& rule, QChar c) {
  if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) return c;
  if (rule.charset == Charset::Hex) {
    if (c >= QLatin1Char('A') && c <= QLatin1Char('F')) return c;
    if (c >= QLatin1Char('a') && c <= QLatin1Char('f')) return c.toUpper();
  }
  return QChar();
}

bool KeyFilter::eventFilter(QObject* watched, QEvent* event) {
  if ((watched != edit_ && (!combo_ || watched != combo_)) || event->type() != QEvent::KeyPress) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  if (key->key() == Qt::Key_Backspace) return !rule_.backspace;
  if (key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return false;
  const QString text = key->text();
  if (text.isEmpty() || !text.at(0).isPrint()) return false;  // no typed character

  const QChar c = accept(rule_, text.at(0));
  if (c.isNull()) return true;
  if (rule_.limit > 0 && edit_->text().size() - edit_->selectedText().size() >= rule_.limit)
    return true;
  if (c != text.at(0)) {  // raised to upper case: insert it ourselves
    edit_->insert(QString(c));
    return true;
  }
  return false;
}

int KeyFilter::badCount(const QString& text) const {
  int n = 0;
  for (QChar c : text)
    if (accept(rule_, c) != c) ++n;
  return n;
}

void KeyFilter::checkEdit(const QString& text) {
  // Whichever of the two change signals comes first, `before` is the text before this edit.
  const QString before = (current_ == text) ? previous_ : current_;
  const bool refused = badCount(text) > badCount(before) ||
                       (rule_.limit > 0 && text.size() > rule_.limit && text.size() > before.size());
  if (!refused) return;
  edit_->setText(before);
  edit_->setCursorPosition(before.size());
}

void MakeTypedTextCombo(QComboBox* combo) {
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setCompleter(nullptr);
}

KeyFilter* InstallDecimalFilter(QLineEdit* edit, int limit) {
  return new KeyFilter(edit, KeyFilter::Rule{KeyFilter::Charset::Decimal, true, limit});
}

KeyFilter* InstallHexFilter(QLineEdit* edit, int limit, bool backspace) {
  return new KeyFilter(edit, KeyFilter::Rule{KeyFilter::Charset::Hex, backspace, limit});
}

}  // namespace kvt
