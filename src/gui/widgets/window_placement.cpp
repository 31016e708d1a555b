// SPDX-License-Identifier: MIT
#include "window_placement.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace kvt {

void CentreOver(QWidget& window, const QWidget& owner) {
  const QRect frame = owner.frameGeometry();
  const QRect inner = owner.geometry();
  const QSize decoration = frame.size() - inner.size();
  QRect placed(QPoint(0, 0), window.size() + decoration);
  placed.moveCenter(frame.center());
  if (const QScreen* screen = owner.screen()) {
    const QRect room = screen->availableGeometry();
    placed.moveLeft(std::max(room.left(), std::min(placed.left(), room.right() - placed.width() + 1)));
    placed.moveTop(std::max(room.top(), std::min(placed.top(), room.bottom() - placed.height() + 1)));
  }
  window.move(placed.topLeft());  // a window's position is its frame's
}

}  // namespace kvt
