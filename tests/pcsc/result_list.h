// SPDX-License-Identifier: MIT
#pragma once
// Reading the PC/SC window in its tests: controls by name, combo box items and the result
// list, with the random bytes of GET CHALLENGE written as "..".
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>

namespace pcsc_test {

template <class T = QPushButton>
T* find(QObject* root, const char* name) {
  return root->findChild<T*>(QString::fromLatin1(name));
}

inline QStringList items(QComboBox* c) {
  QStringList l;
  for (int i = 0; i < c->count(); ++i) l << c->itemText(i);
  return l;
}

inline QStringList maskChallenge(QStringList lines) {
  static const QRegularExpression challenge(QStringLiteral("^Receive Data:([0-9A-F]{2} ){8}90 00 $"));
  return lines.replaceInStrings(challenge, QStringLiteral("Receive Data:.. .. .. .. .. .. .. .. 90 00 "));
}

// Clicks the buttons in order and gives the whole result list.
inline QStringList lines(QObject* w, const QList<const char*>& buttons = {}) {
  for (const char* b : buttons) find(w, b)->click();
  QStringList l;
  auto* list = find<QListWidget>(w, "PCSCRESULT");
  for (int i = 0; i < list->count(); ++i) l << list->item(i)->text();
  return maskChallenge(l);
}

inline QStringList block(const QStringList& lines) {
  return QStringList{QStringLiteral("=============================")} + lines + QStringList{QString()};
}

}  // namespace pcsc_test
