// SPDX-License-Identifier: MIT
#pragma once
// A read-only box for a decoding (an answer to reset, an answer to select): as tall as its
// lines where the window has room for them, never shorter than `minLines`; beyond that it
// scrolls, and the keyboard reaches every line too (Tab into it, then the arrow and page
// keys move through the text).
#include <QPlainTextEdit>

namespace kvt {

class DecodingBox : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit DecodingBox(int minLines, QWidget* parent = nullptr);

  // Shows `text`. With growWindow (a dialog of its own), the window grows to give the box
  // all its lines as far as its screen allows, and moves up where it would leave the screen.
  void showText(const QString& text, bool growWindow);

  // The lines as the box breaks them at its width.
  int shownLines() const;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 private:
  int heightFor(int lines) const;

  int minLines_;
};

}  // namespace kvt
