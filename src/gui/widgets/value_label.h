// SPDX-License-Identifier: MIT
#pragma once
// Labels that show a value beside the caption that names it. A screen reader gets the
// caption as the label's name and the value as its description, kept in step with the text
// on screen (a name of its own would otherwise hide the value).
#include <QLabel>

namespace kvt {

// Names `value` after `caption` (also its buddy, for the "labelled by" relation).
inline void NameValueLabel(QLabel* value, QLabel* caption) {
  value->setAccessibleName(caption->text());
  caption->setBuddy(value);
  value->setAccessibleDescription(value->text());
}

// Shows `text` and hands it to screen readers too.
inline void ShowValue(QLabel* value, const QString& text) {
  value->setText(text);
  value->setAccessibleDescription(text);
}

}  // namespace kvt
