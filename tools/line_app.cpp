// SPDX-License-Identifier: MIT
#include "line_app.h"

#include "core/base/app_state.h"
#include "core/base/log_sink.h"
#include "core/base/notifier.h"
#include "core/link/line_port.h"
#include "core/link/session.h"
#include "core/machine/movement_ops.h"
#include "core/machine/operation.h"
#include "core/machine/status_ops.h"
#include "core/machine/unit_ops.h"

namespace shots {

bool RunApplication(const QString& device) {
  kvt::LinePort port(kvt::WaitMode::Block);
  if (port.open(device, 9600) != kvt::OpenError::None) return false;
  kvt::AppState state;
  state.PortOpened = true;
  kvt::StringLog log;
  kvt::RecordingNotifier notifier;
  kvt::Session session(state, port, log, notifier, kvt::Variant::B);
  const QString address = QStringLiteral("0");
  kvt::CardStatus(session, address);
  kvt::SensorStatus(session, address);
  kvt::ReadSN(session, address);
  kvt::MoveCard(session, address, kvt::Movement::IC);
  kvt::RunCommand(session, address, 0x7A, '0');  // no such command: a negative reply
  port.close();
  return true;
}

}  // namespace shots
