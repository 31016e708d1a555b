// SPDX-License-Identifier: MIT
#include "log_panel.h"

#include <cerrno>

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QVBoxLayout>

#include "core/link/log_format.h"
#include "named_widgets.h"

namespace kvt {

namespace {
const QString kSaveTitle = QStringLiteral("Save As...");
const QString kSaveErrorTitle = QStringLiteral("mnuFileSaveAsDialog_Click");
}  // namespace

LogPanel::LogPanel(Notifier& notifier, const QString& caption, QWidget* parent)
    : QWidget(parent), notifier_(notifier) {
  view_ = new QPlainTextEdit(this);
  view_->setObjectName(QStringLiteral("SDTDText"));
  view_->setAccessibleName(caption);
  view_->setReadOnly(true);
  view_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  view_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  QFont font(QStringLiteral("Arial"));
  font.setStyleHint(QFont::SansSerif);
  view_->setFont(font);

  record_ = new QCheckBox(QStringLiteral("Record Data"), this);
  record_->setObjectName(QStringLiteral("CheckRecord"));
  record_->setAccessibleName(record_->text());
  record_->setChecked(false);

  clearButton_ = NamedButton(this, "ClearSDTDText", QStringLiteral("Clear Data"));
  saveButton_ = NamedButton(this, "SaveSDTDText", QStringLiteral("Save To"));

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(record_);
  buttons->addStretch(1);
  buttons->addWidget(clearButton_);
  buttons->addWidget(saveButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(view_, 1);
  layout->addLayout(buttons);

  connect(clearButton_, &QPushButton::clicked, this, [this] { clear(); });
  connect(saveButton_, &QPushButton::clicked, this, [this] { saveToFile(); });

  chooseSavePath = [this] { return askSavePath(this); };
}

void LogPanel::append(const QString& text) {
  if (text.isEmpty()) return;
  text_ += text;
  // Shown with plain line feeds: CRLF (even when split over two appends) and a lone CR
  // each end one line.
  QString shown = text;
  if (pendingCr_ && shown.startsWith(QLatin1Char('\n'))) shown.remove(0, 1);
  pendingCr_ = text.endsWith(QLatin1Char('\r'));
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  QTextCursor cursor(view_->document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(shown);
  caretToEnd();
}

void LogPanel::clear() {
  text_.clear();
  pendingCr_ = false;
  view_->clear();
}

void LogPanel::caretToEnd() {
  view_->moveCursor(QTextCursor::End);
  view_->ensureCursorVisible();
}

bool LogPanel::recordData() const { return record_->isChecked(); }

QString LogPanel::askSavePath(QWidget* parent) {
  QFileDialog dialog(parent, kSaveTitle);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(QStringLiteral("Text Files (*.TXT)"));
  dialog.setDefaultSuffix(QStringLiteral("TXT"));
  const QString winDir = qEnvironmentVariable("winDir");
  dialog.setDirectory(!winDir.isEmpty() && QFileInfo(winDir).isDir() ? winDir : QDir::homePath());
  dialog.setWindowModality(Qt::WindowModal);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().constFirst();
}

bool LogPanel::saveToFile() {
  const QString path = chooseSavePath ? chooseSavePath() : QString();
  if (path.isEmpty()) {
    // A cancelled dialog leaves no file name: writing to it fails as an empty path does.
    showError(ENOENT, qt_error_string(ENOENT));
    return false;
  }
  notifier_.plain(kSaveTitle, SaveConfirmationText(path));

  // Written beside the old file and put in its place only when complete.
  FileError error;
  const bool ok = WriteWholeFile(path, TrimSpaces(text_).toLocal8Bit(), &error);
  if (!ok) showError(error.number, error.text);
  return ok;
}

void LogPanel::showError(int number, const QString& description) {
  notifier_.plain(kSaveErrorTitle,
                  QStringLiteral("Error: ") + QString::number(number) + QLatin1Char(' ') + description);
}

}  // namespace kvt
