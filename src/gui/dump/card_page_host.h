// SPDX-License-Identifier: MIT
#pragma once
// What a card page needs from the main window it sits in; the variant B main window
// provides it, and the pages see nothing else of that window.
#include <QString>

#include "card_file_buttons.h"

class QDialog;
class QWidget;

namespace kvt {

class CardPageHost {
 public:
  virtual ~CardPageHost() = default;
  virtual Session& session() = 0;
  // The device address the window's address box shows.
  virtual QString deviceAddress() const = 0;
  // What "Dump Card..." and "Restore Card..." hand to a whole-card run.
  virtual CardFileContext cardFileContext() = 0;
  // Runs a window modal over the main window (tests look at it there).
  virtual void runModal(QDialog& dialog) = 0;
  // Brings a page of the main window's tabs to the front.
  virtual void showPage(QWidget* page) = 0;
  // The main window, as the parent of the windows a page opens.
  virtual QWidget* hostWidget() = 0;
};

}  // namespace kvt
