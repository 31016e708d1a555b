// SPDX-License-Identifier: MIT
#include "painting_wait_port.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <algorithm>

namespace kvt {

WaitResult PaintingWaitPort::waitForBytes(qint64 n, int timeoutMs) {
  const QDeadlineTimer deadline(std::max(0, timeoutMs));
  for (;;) {
    const int slice = static_cast<int>(std::min<qint64>(deadline.remainingTime(), sliceMs_));
    const WaitResult r = inner_.waitForBytes(n, slice);
    if (r != WaitResult::Timeout || deadline.hasExpired()) return r;
    // Timers and painting only: user input waits in the window system's queue.
    if (beforePainting) beforePainting();
    if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
}

}  // namespace kvt
