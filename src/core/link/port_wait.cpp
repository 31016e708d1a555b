// SPDX-License-Identifier: MIT
#include "port_wait.h"

#include <QCoreApplication>
#include <QEvent>
#include <QVariant>
#include <algorithm>

namespace kvt {

namespace {

constexpr char kUsableWhileWaiting[] = "kvtUsableWhileWaiting";

// A window marked with KeepUsableWhileWaiting, or a widget inside one.
bool InUsableWindow(const QObject* o) {
  for (; o; o = o->parent())
    if (o->property(kUsableWhileWaiting).toBool()) return true;
  return false;
}

// Swallows keyboard and mouse input while an exchange waits, so the window repaints
// but nobody can start a second operation meanwhile.
class InputBlocker : public QObject {
 public:
  bool eventFilter(QObject* o, QEvent* e) override {
    switch (e->type()) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride:
      case QEvent::Shortcut:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
      case QEvent::Wheel:
      case QEvent::TouchBegin:
      case QEvent::TouchUpdate:
      case QEvent::TouchEnd:
      case QEvent::Close:
      case QEvent::ContextMenu:
        return !InUsableWindow(o);
      default:
        return false;
    }
  }
};

}  // namespace

void KeepUsableWhileWaiting(QObject* window) { window->setProperty(kUsableWhileWaiting, true); }

KeepPaintingWait::KeepPaintingWait(WaitMode mode) : queueInput_(mode == WaitMode::KeepPaintingQueueInput) {
  timer_.setSingleShot(true);
  QObject::connect(&timer_, &QTimer::timeout, &loop_, [this] { finish(false); });
}

void KeepPaintingWait::finish(bool arrived) {
  arrived_ = arrived;
  loop_.quit();
}

bool KeepPaintingWait::exec(int ms) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return false;
  arrived_ = false;
  timer_.start(std::max(0, ms));
  if (queueInput_) {
    loop_.exec(QEventLoop::ExcludeUserInputEvents);
  } else {
    InputBlocker blocker;
    app->installEventFilter(&blocker);
    loop_.exec();
    app->removeEventFilter(&blocker);
  }
  timer_.stop();
  return arrived_;
}

}  // namespace kvt
