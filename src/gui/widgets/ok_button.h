// SPDX-License-Identifier: MIT
#pragma once
// The OK button of the dialogs that only show a result: the default button, named as the
// tests and screen readers know it, closing the dialog with accept().
#include <QDialog>
#include <QPushButton>

namespace kvt {

inline QPushButton* AcceptingOkButton(QDialog* dialog) {
  auto* ok = new QPushButton(QStringLiteral("OK"), dialog);
  ok->setObjectName(QStringLiteral("Command1"));
  ok->setAccessibleName(ok->text());
  ok->setDefault(true);
  QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
  return ok;
}

}  // namespace kvt
