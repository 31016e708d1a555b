// SPDX-License-Identifier: MIT
#pragma once
// The MONITOR tab: the communication log with "Record Data", "Clear Data" and "Save To".
#include <QWidget>
#include <functional>

#include "core/base/log_sink.h"
#include "core/base/notifier.h"
#include "core/base/text_file.h"  // TrimSpaces: the text to save

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

namespace kvt {

class LogPanel : public QWidget, public LogSink {
  Q_OBJECT
 public:
  // caption: the name of the tab the panel sits in, for screen readers.
  LogPanel(Notifier& notifier, const QString& caption, QWidget* parent = nullptr);

  // LogSink
  void append(const QString& text) override;
  void clear() override;
  void caretToEnd() override;
  bool recordData() const override;

  // The log exactly as appended, CRLF line ends included.
  const QString& text() const { return text_; }

  // "Save To" asks this for the file to write; an empty answer means the user cancelled.
  // Defaults to the platform's save dialog.
  std::function<QString()> chooseSavePath;

  // The save dialog: "Save As...", "Text Files (*.TXT)", suffix TXT, starting in %winDir%
  // or the home folder.
  static QString askSavePath(QWidget* parent);

  // "Save To": ask, confirm the name, write the trimmed log. False when nothing was saved.
  bool saveToFile();

 private:
  void showError(int number, const QString& description);

  Notifier& notifier_;
  QString text_;
  bool pendingCr_ = false;  // the shown text ended in CR; a following LF is the same line end
  QPlainTextEdit* view_;
  QCheckBox* record_;
  QPushButton* clearButton_;
  QPushButton* saveButton_;
};

}  // namespace kvt
