// SPDX-License-Identifier: MIT
#include "qualify_actions.h"

#include <QAction>
#include <QMenu>

#include "core/link/engine.h"
#include "qualify_window.h"
#include "wear_window.h"

namespace kvt {

namespace {

// The window, modal over the main window and centred over it, once the port is open.
template <class Window>
void Open(QWidget* parent, Session& session, const std::function<QString()>& address) {
  if (!session.state.PortOpened) {
    session.notifier.warn(kCaution, kPortSetupFirst);
    return;
  }
  Window window(session, address ? address() : QStringLiteral("0"), parent);
  window.setWindowModality(Qt::WindowModal);
  window.exec();
}

}  // namespace

void AddQualifyActions(QMenu* tools, QWidget* parent, Session& session, std::function<QString()> address) {
  QAction* qualify = tools->addAction(QStringLiteral("&Qualify Unit..."));
  qualify->setObjectName(QStringLiteral("QualifyUnitAction"));
  QObject::connect(qualify, &QAction::triggered, parent,
                   [parent, &session, address] { Open<QualifyWindow>(parent, session, address); });
  QAction* wear = tools->addAction(QStringLiteral("&Wear Test..."));
  wear->setObjectName(QStringLiteral("WearTestAction"));
  QObject::connect(wear, &QAction::triggered, parent,
                   [parent, &session, address] { Open<WearWindow>(parent, session, address); });
}

}  // namespace kvt
