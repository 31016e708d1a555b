// SPDX-License-Identifier: MIT
#pragma once
// The hourglass while an operation talks to the reader; restored when the scope ends.
#include <QApplication>

namespace kvt {

class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace kvt
