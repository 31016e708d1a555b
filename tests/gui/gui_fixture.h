// SPDX-License-Identifier: MIT
#pragma once
// Shared pieces of the window tests: finding controls, a simulated reader on COM1, and
// running the modal windows of a main window without blocking.
#include <QAbstractButton>
#include <QAccessible>
#include <QDialog>
#include <QLabel>
#include <QTest>
#include <functional>
#include <memory>

#include "core/base/app_state.h"
#include "core/base/notifier.h"
#include "core/link/port_map.h"
#include "core/link/timeouts.h"
#include "gui/app/reader_main_window.h"
#include "sim/pty_host.h"
#include "simulation/simulation.h"

namespace gui_test {

template <class T>
T* find(QObject* root, const char* name) {
  return root->findChild<T*>(QString::fromLatin1(name));
}

inline void click(QObject* root, const char* name) {
  auto* b = find<QAbstractButton>(root, name);
  QVERIFY2(b, name);
  b->click();
}

// Labels showing a value that screen readers do not get: a name of their own in its place
// and the value neither in the name nor in the description. Their object names.
inline QStringList hiddenValues(QWidget* root) {
  QStringList out;
  for (QLabel* l : root->findChildren<QLabel*>()) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(l);
    if (l->text().isEmpty() || !a) continue;
    if (!a->text(QAccessible::Name).contains(l->text()) && !a->text(QAccessible::Description).contains(l->text()))
      out << (l->objectName().isEmpty() ? l->text() : l->objectName());
  }
  return out;
}

// The object names of the focusable widgets as Tab visits them, from `first` round the window.
inline QStringList tabOrder(QWidget* window) {
  QStringList out;
  for (QWidget* w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain())
    if ((w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty()) out << w->objectName();
  return out;
}

// Short waits so that the failure paths of the link finish quickly.
inline kvt::Timeouts fastTimeouts() { return kvt::Timeouts{}.scaled(20); }

// A simulated reader reached through COM1, and the messages the windows show.
struct Rig {
  kvt::Simulation simulation;
  kvt::PortMap ports;
  kvt::AppState state;
  kvt::RecordingNotifier notifier;

  bool start() { return simulation.start(ports); }
  void withReader(const std::function<void(sim::Reader&)>& fn) { simulation.host().withReader(fn); }
};

// Stands in for QDialog::exec(): hands the dialog to `inspect`, which looks at it and
// clicks its buttons. Every dialog's object name is kept in `opened`.
struct DialogRunner {
  QStringList opened;
  std::function<void(QDialog&)> inspect;

  void install(kvt::ReaderMainWindow& w) {
    w.runDialog = [this](QDialog& d) {
      opened << d.objectName();
      if (inspect) inspect(d);
    };
  }
};

// "Setup Comm", then "OK" in the dialog at the dialog's initial COM1 / 9600 bits/s.
inline void openPort(kvt::ReaderMainWindow& w) {
  auto previous = w.runDialog;
  w.runDialog = [](QDialog& d) { click(&d, "Command1"); };
  click(&w, "IROpencom");
  w.runDialog = previous;
}

}  // namespace gui_test
