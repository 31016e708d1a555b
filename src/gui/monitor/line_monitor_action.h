// SPDX-License-Identifier: MIT
#pragma once
// "Tools" > "Line Monitor...": watch another program talk to a reader.
#include <functional>

#include "core/link/port_map.h"

class QMenu;
class QWidget;

namespace kvt {

// Adds the entry to a main window's Tools menu; the window it opens is modal over `parent`
// and resolves port names through `ports`.
void AddLineMonitorAction(QMenu* tools, QWidget* parent, std::function<PortMap()> ports);

}  // namespace kvt
