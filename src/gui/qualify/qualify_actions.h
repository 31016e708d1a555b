// SPDX-License-Identifier: MIT
#pragma once
// "Tools" > "Qualify Unit..." and "Wear Test...": runs on the main window's open port.
#include <QString>
#include <functional>

#include "core/link/session.h"

class QMenu;
class QWidget;

namespace kvt {

// Adds the entries to a main window's Tools menu; their windows are modal over `parent`,
// run through `session` (the window's port, log and messages) at the device address that
// `address` reads from the window.
void AddQualifyActions(QMenu* tools, QWidget* parent, Session& session, std::function<QString()> address);

}  // namespace kvt
