// SPDX-License-Identifier: MIT
#include "decoding_box.h"

#include <QPlainTextDocumentLayout>
#include <QScreen>
#include <QTextBlock>
#include <algorithm>

namespace kvt {

DecodingBox::DecodingBox(int minLines, QWidget* parent) : QPlainTextEdit(parent), minLines_(minLines) {
  setReadOnly(true);
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setFocusPolicy(Qt::StrongFocus);
  setTabChangesFocus(true);
  // The extra room of a window goes here first.
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

int DecodingBox::shownLines() const {
  auto* layout = qobject_cast<QPlainTextDocumentLayout*>(document()->documentLayout());
  int lines = 0;
  for (QTextBlock b = document()->begin(); b.isValid(); b = b.next()) {
    if (layout) layout->ensureBlockLayout(b);
    lines += std::max(1, b.lineCount());
  }
  return lines;
}

int DecodingBox::heightFor(int lines) const {
  const QMargins m = contentsMargins();
  return lines * fontMetrics().lineSpacing() + 2 * static_cast<int>(document()->documentMargin()) + m.top() +
         m.bottom() + 2;
}

QSize DecodingBox::sizeHint() const {
  return {QPlainTextEdit::sizeHint().width(), heightFor(std::max(minLines_, shownLines()))};
}

QSize DecodingBox::minimumSizeHint() const { return {QPlainTextEdit::minimumSizeHint().width(), heightFor(minLines_)}; }

void DecodingBox::showText(const QString& text, bool growWindow) {
  setPlainText(text);
  updateGeometry();
  QWidget* w = window();
  if (!growWindow || !w->isVisible() || !w->screen()) return;
  const int want = sizeHint().height() - height();
  const QRect screen = w->screen()->availableGeometry();
  const int decoration = w->frameGeometry().height() - w->height();
  const int room = screen.height() - decoration - w->height();
  if (want <= 0 || room <= 0) return;
  w->resize(w->width(), w->height() + std::min(want, room));
  const int below = w->frameGeometry().bottom() - screen.bottom();
  if (below > 0) w->move(w->x(), std::max(screen.top(), w->y() - below));
}

}  // namespace kvt
