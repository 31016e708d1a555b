// SPDX-License-Identifier: MIT
#include "link_watch.h"

#include "log_format.h"

namespace kvt {

namespace {

QString OpenFailureReason(OpenError e) {
  switch (e) {
    case OpenError::NoSuchPort: return QStringLiteral("not found");
    case OpenError::InUse: return QStringLiteral("in use");
    case OpenError::AccessDenied: return QStringLiteral("access denied");
    case OpenError::None:
    case OpenError::Other: break;
  }
  return QStringLiteral("did not open");
}

}  // namespace

QString LinkWatch::where() const {
  const QString device = port_.device();
  for (int n = 1; n <= PortMap::kPorts; ++n)
    if (map_.device(n) == device) return QStringLiteral("COM%1 (%2)").arg(n).arg(device);
  return device;
}

void LinkWatch::tell(const QString& line, bool log) {
  if (log) log_.append(line + CRLF);
  if (listener) listener(line);
}

bool LinkWatch::ready() {
  if (port_.isOpen()) {
    lost_ = false;  // opened again by someone else
    return true;
  }
  if (!state_.PortOpened) return false;
  const bool told = lost_;
  lost_ = true;
  if (!port_.canReopen()) {
    if (!told) {
      news_ = QStringLiteral("The connection to %1 was lost; reopen it with \"Setup Comm\"").arg(where());
      tell(news_, true);
    }
    return false;
  }
  const OpenError e = port_.reopen();
  if (e == OpenError::None) {
    lost_ = false;
    tell(told ? QStringLiteral("The connection to %1 is back: reopened").arg(where())
              : QStringLiteral("The connection to %1 was lost and has been reopened").arg(where()),
         true);
    return true;
  }
  news_ = QStringLiteral("The connection to %1 %2 (%3); the next operation tries again")
              .arg(where(), QLatin1String(told ? "is still lost" : "was lost and did not reopen"),
                   OpenFailureReason(e));
  tell(news_, true);
  return false;
}

std::optional<QString> LinkWatch::noticeLoss() {
  if (lost_ || !state_.PortOpened || port_.isOpen()) return std::nullopt;
  lost_ = true;
  news_ = port_.canReopen()
              ? QStringLiteral("The connection to %1 was lost; the next operation reopens it").arg(where())
              : QStringLiteral("The connection to %1 was lost; reopen it with \"Setup Comm\"").arg(where());
  tell(news_, false);
  return news_;
}

void LinkWatch::reset() {
  lost_ = false;
  news_.clear();
}

QString LinkWatch::statusText() const {
  if (!state_.PortOpened) return QStringLiteral("Port closed");
  if (lost_) return news_;
  return QStringLiteral("Connected to %1").arg(where());
}

}  // namespace kvt
