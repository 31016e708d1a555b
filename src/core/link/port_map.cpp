// SPDX-License-Identifier: MIT
#include "port_map.h"

#include <QRegularExpression>

namespace kvt {

QString PortMap::defaultDevice(int n) {
#ifdef Q_OS_WIN
  return QStringLiteral("COM%1").arg(n);
#else
  return QStringLiteral("/dev/ttyS%1").arg(n - 1);
#endif
}

QString PortMap::device(int n) const {
  const auto it = overrides_.constFind(n);
  return it != overrides_.constEnd() ? *it : defaultDevice(n);
}

static int comNumber(const QString& name, int max) {
  static const QRegularExpression re(QStringLiteral("^COM([1-9][0-9]?)$"));
  const auto m = re.match(name);
  if (!m.hasMatch()) return 0;
  const int n = m.captured(1).toInt();
  return (n >= 1 && n <= max) ? n : 0;
}

bool PortMap::parseOverride(const QString& text) {
  const int eq = text.indexOf(QLatin1Char('='));
  if (eq <= 0 || eq == text.size() - 1) return false;
  const int n = comNumber(text.left(eq).toUpper(), kPorts);
  if (n == 0) return false;
  set(n, text.mid(eq + 1));
  return true;
}

QString PortMap::resolve(const QString& nameOrDevice) const {
  const int n = comNumber(nameOrDevice.toUpper(), kPorts);
  return n ? device(n) : nameOrDevice;
}

int PortNumberFromText(const QString& text) { return comNumber(text, 15); }

int BaudFromText(const QString& text) {
  for (int b : {9600, 19200, 38400, 57600, 115200})
    if (text == QStringLiteral("%1 bits/s").arg(b)) return b;
  return 0;
}

}  // namespace kvt
