#include "line_monitor_action.h"

namespace kvt {

void AddLineMonitorAction(QMenu*, QWidget*, std::function<PortMap()>) {}

}  // namespace kvt
