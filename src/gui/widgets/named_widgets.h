// SPDX-License-Identifier: MIT
#pragma once
// Buttons and frames named twice: the object name the tests find them by, and the caption
// as the name screen readers announce.
#include <QDialog>
#include <QGroupBox>
#include <QPushButton>

namespace kvt {

inline QPushButton* NamedButton(QWidget* parent, const char* objectName, const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QString::fromLatin1(objectName));
  b->setAccessibleName(caption);
  return b;
}

// A named button that Enter does not press: it never becomes the dialog's default.
inline QPushButton* NamedPlainButton(QWidget* parent, const char* objectName, const QString& caption) {
  QPushButton* b = NamedButton(parent, objectName, caption);
  b->setAutoDefault(false);
  return b;
}

inline QGroupBox* NamedFrame(QWidget* parent, const char* objectName, const QString& caption) {
  auto* box = new QGroupBox(caption, parent);
  box->setObjectName(QString::fromLatin1(objectName));
  box->setAccessibleName(caption);
  return box;
}

// The OK button of the dialogs that only show a result: the default button, closing the
// dialog with accept().
inline QPushButton* AcceptingOkButton(QDialog* dialog) {
  QPushButton* ok = NamedButton(dialog, "Command1", QStringLiteral("OK"));
  ok->setDefault(true);
  QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
  return ok;
}

}  // namespace kvt
