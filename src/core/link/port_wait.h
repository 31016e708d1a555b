// SPDX-License-Identifier: MIT
#pragma once
// How a port waits for the reader, shared by every kind of port: blocking in the operating
// system, or in a local event loop that keeps the windows painted while user input is
// swallowed, so nobody can start a second operation during an exchange.
#include <QEventLoop>
#include <QTimer>

namespace kvt {

enum class WaitMode {
  Block,                  // block in the operating system (command line, tests)
  KeepPainting,           // wait in a local event loop that repaints but drops user input (windows)
  KeepPaintingQueueInput  // the same, but user input waits in the queue for the caller to take it
                          // between exchanges (a long run with a Stop button)
};

// Marks a window (its widget and its window-system window) whose input goes through even
// while an exchange waits: the simulator panel, which drives the reader, not the tool.
void KeepUsableWhileWaiting(QObject* window);

// One wait in a local event loop. Connect the signals that end it early to slots with
// context() as their receiver (the connections go when the wait does), and call finish().
//
//   KeepPaintingWait wait;
//   QObject::connect(&device, &QIODevice::readyRead, wait.context(), [&] { wait.finish(true); });
//   const bool arrived = wait.exec(ms);
class KeepPaintingWait {
 public:
  explicit KeepPaintingWait(WaitMode mode = WaitMode::KeepPainting);
  QObject* context() { return &loop_; }
  // Ends the wait; exec() returns `arrived`.
  void finish(bool arrived);
  // Runs the loop for at most ms; false when the time ran out or finish(false) ended it.
  // Without an application object there is no loop to run: returns false at once.
  bool exec(int ms);

 private:
  QEventLoop loop_;
  QTimer timer_;
  bool queueInput_;
  bool arrived_ = false;
};

}  // namespace kvt
