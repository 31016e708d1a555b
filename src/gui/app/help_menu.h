// SPDX-License-Identifier: MIT
#pragma once
// "Help" > "About kvt730-tool...": the version, the licence and the libraries underneath.
#include <QString>

class QMenuBar;

namespace kvt {

class Notifier;

// What the About box says: the program's version, its licence, and the versions of Qt
// (the one it runs on, and the one it was built with where they differ) and pcsc-lite.
QString AboutText();

// Adds the Help menu to a main window's menu bar; its one entry shows AboutText() through
// `notifier`.
void AddHelpMenu(QMenuBar* menus, Notifier& notifier);

}  // namespace kvt
