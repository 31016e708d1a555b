// SPDX-License-Identifier: MIT
#include "local_clock.h"

#include <limits>

namespace kvt {

QDateTime LocalNow() {
  const qint64 ms = QDateTime::currentMSecsSinceEpoch();
  const qint64 second = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
  thread_local qint64 cachedSecond = std::numeric_limits<qint64>::min();
  thread_local int offset = 0;
  if (second != cachedSecond) {
    cachedSecond = second;
    offset = QDateTime::fromSecsSinceEpoch(second).offsetFromUtc();
  }
  return QDateTime::fromMSecsSinceEpoch(ms, Qt::OffsetFromUTC, offset);
}

}  // namespace kvt
