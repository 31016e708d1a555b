// SPDX-License-Identifier: MIT
#pragma once
// Messages of the windows as modal message boxes over the active window.
#include "core/base/notifier.h"

class QWidget;

namespace kvt {

class MessageBoxNotifier : public Notifier {
 public:
  // parent: the window the boxes belong to; null: the active window at the time.
  explicit MessageBoxNotifier(QWidget* parent = nullptr) : parent_(parent) {}
  void show(const Message& m) override;
  bool ask(const QString& title, const QString& text) override;
  bool askWithDetails(const QString& title, const QString& text, const QString& details) override;
  // Yes / No (/ Cancel), "No" the default button with the focus; Escape is Cancel or No.
  Answer askSafe(const SafeQuestion& q) override;

 private:
  QWidget* parent_;
};

}  // namespace kvt
