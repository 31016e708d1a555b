// SPDX-License-Identifier: MIT
#include "line_monitor_action.h"

#include <QAction>
#include <QMenu>

#include "gui/widgets/message_box_notifier.h"
#include "line_monitor_window.h"

namespace kvt {

void AddLineMonitorAction(QMenu* tools, QWidget* parent, std::function<PortMap()> ports) {
  QAction* action = tools->addAction(QStringLiteral("&Line Monitor..."));
  action->setObjectName(QStringLiteral("LineMonitorAction"));
  QObject::connect(action, &QAction::triggered, parent, [parent, ports] {
    MessageBoxNotifier notifier(parent);
    LineMonitorWindow window(ports, notifier, parent);
    window.exec();
  });
}

}  // namespace kvt
