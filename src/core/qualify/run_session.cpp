// SPDX-License-Identifier: MIT
#include "run_session.h"

namespace kvt::qualify {

QString CapturingNotifier::take() {
  QStringList lines;
  for (const Message& m : messages_) lines << MessageLine(m);
  messages_.clear();
  return lines.join(QStringLiteral("; "));
}

RunSession::RunSession(Session& outer, bool keepLog) {
  if (keepLog) copy_ = std::make_unique<CopyingLog>(outer.log);
  LogSink& log = copy_ ? static_cast<LogSink&>(*copy_) : outer.log;
  session_ = std::make_unique<Session>(outer.state, outer.port, log, notes_, outer.variant, outer.portMap,
                                       outer.timeouts());
}

}  // namespace kvt::qualify
