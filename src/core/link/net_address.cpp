// SPDX-License-Identifier: MIT
#include "net_address.h"

namespace kvt {

namespace {

const QString kTcp = QStringLiteral("tcp://");
const QString kRfc2217 = QStringLiteral("rfc2217://");

}  // namespace

LineKind LineKindOf(const QString& device) {
  if (device.startsWith(kTcp, Qt::CaseInsensitive)) return LineKind::RawTcp;
  if (device.startsWith(kRfc2217, Qt::CaseInsensitive)) return LineKind::Rfc2217;
  return LineKind::Serial;
}

std::optional<NetAddress> ParseNetAddress(const QString& device) {
  NetAddress a;
  a.kind = LineKindOf(device);
  if (a.kind == LineKind::Serial) return std::nullopt;
  const QString rest = device.mid(a.kind == LineKind::RawTcp ? kTcp.size() : kRfc2217.size());
  const int colon = rest.lastIndexOf(QLatin1Char(':'));
  if (colon < 0) return std::nullopt;
  QString host = rest.left(colon);
  const QString portText = rest.mid(colon + 1);
  if (host.startsWith(QLatin1Char('['))) {
    if (!host.endsWith(QLatin1Char(']')) || host.size() < 3) return std::nullopt;
    host = host.mid(1, host.size() - 2);
  } else if (host.contains(QLatin1Char(':'))) {
    return std::nullopt;  // an IPv6 address needs its brackets
  }
  if (host.isEmpty() || host.contains(QLatin1Char('/')) || host.contains(QLatin1Char(' '))) return std::nullopt;
  if (portText.isEmpty() || portText.size() > 5) return std::nullopt;
  for (const QChar c : portText)
    if (!c.isDigit() || c.unicode() > '9') return std::nullopt;
  const int port = portText.toInt();
  if (port < 1 || port > 65535) return std::nullopt;
  a.host = host;
  a.port = static_cast<quint16>(port);
  return a;
}

}  // namespace kvt
