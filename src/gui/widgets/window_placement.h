// SPDX-License-Identifier: MIT
#pragma once
// Where a window a main window opens goes on the screen.
class QWidget;

namespace kvt {

// Puts `window` (not yet shown, at its final size) centred over `owner`'s frame, kept on
// owner's screen. Qt's own placement guesses a decoration of 10 x 40 pixels where no window
// manager reports one, which pushes a tall window against the top edge of the screen; this
// takes the decoration `owner` has.
void CentreOver(QWidget& window, const QWidget& owner);

}  // namespace kvt
