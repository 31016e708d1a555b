// SPDX-License-Identifier: MIT
#include "help_menu.h"

#include <pcsclite.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QtGlobal>

#include "core/base/notifier.h"
#include "core/base/tool_version.h"

namespace kvt {

QString AboutText() {
  const QString runQt = QString::fromLatin1(qVersion());
  const QString builtQt = QStringLiteral(QT_VERSION_STR);
  const QString qt = runQt == builtQt ? runQt : QStringLiteral("%1 (built with %2)").arg(runQt, builtQt);
  return QStringLiteral(
             "kvt730-tool %1\n"
             "Test and demonstration tool for the KVT-730 motorised card readers and dispensers.\n\n"
             "Licence: MIT. The full text is in /usr/share/doc/kvt730-tool/copyright, or LICENSE in "
             "the source tree.\n\n"
             "Qt %2\n"
             "pcsc-lite %3")
      .arg(ToolVersion(), qt, QStringLiteral(PCSCLITE_VERSION_NUMBER));
}

void AddHelpMenu(QMenuBar* menus, Notifier& notifier) {
  QMenu* help = menus->addMenu(QStringLiteral("&Help"));
  help->setObjectName(QStringLiteral("HelpMenu"));
  QAction* about = help->addAction(QStringLiteral("&About kvt730-tool..."));
  about->setObjectName(QStringLiteral("AboutAction"));
  QObject::connect(about, &QAction::triggered, menus, [&notifier] {
    notifier.inform(QStringLiteral("About kvt730-tool"), AboutText());
  });
}

}  // namespace kvt
