// SPDX-License-Identifier: MIT
#include "port_setup.h"

#include <QFileInfo>

#include "core/base/conversions.h"

namespace kvt {

const QString kPortInvalid =
    QStringLiteral("Comm Port Selection Invalid, Please Select Right Comm. Port");
const QString kPortInUse =
    QStringLiteral("Comm. Port is Used for Some Equipment, Please Select Other One");

std::optional<QString> OpenFailureText(OpenError e, const QString& device) {
  switch (e) {
    case OpenError::None:
    case OpenError::Other: return std::nullopt;
    case OpenError::NoSuchPort: return kPortInvalid;
    case OpenError::InUse: return kPortInUse;
    case OpenError::AccessDenied: {
      const QString group = QFileInfo(device).group();
      return QStringLiteral("Comm. Port Access Denied, Please Join Group %1 Or Select Other One")
          .arg(group.isEmpty() ? QStringLiteral("dialout") : group);
    }
  }
  return std::nullopt;
}

PortSetupOutcome PortSetupOk(Session& s, const QString& portText, const QString& baudText,
                             const QString& addressText) {
  PortSetupOutcome out;
  s.state.PortOpened = false;
  s.linkWatch.reset();
  const int n = PortNumberFromText(portText);
  if (n == 0) {
    s.notifier.warn(kCaution, QStringLiteral("Comm Port Setup Invalid"));
    out.focus = PortSetupOutcome::Focus::Port;
    return out;
  }
  const int baud = BaudFromText(baudText);
  if (baud == 0) {
    s.notifier.warn(kCaution, QStringLiteral("Baud Rate Setup Invalid"));
    out.focus = PortSetupOutcome::Focus::Baud;
    return out;
  }
  const auto address = ReadHexByte(addressText);
  if (!address) {
    s.notifier.warn(kCaution, kDataError);
    return out;
  }
  s.port.close();
  const QString device = s.portMap.device(n);
  const OpenError opened = s.port.open(device, baud);
  if (opened != OpenError::None) {
    if (const auto text = OpenFailureText(opened, device)) s.notifier.warn(kCaution, *text);
    return out;
  }
  const QString verdict = VerifyProbe(s.port, s.log, *address, s.timeouts());
  if (verdict.isEmpty()) return out;
  if (verdict == QStringLiteral("ERROR")) {
    s.notifier.warn(kCaution, kUnitNotDetected);
    s.port.close();
    return out;
  }
  s.state.PortOpened = true;
  out.closeDialog = true;
  return out;
}

ScanOutcome PortSetupScan(Session& s, const QString& addressText) {
  ScanOutcome out;
  const auto address = ReadHexByte(addressText);
  if (!address) {
    s.notifier.warn(kCaution, kDataError);
    out.result.label = QStringLiteral("No Found KVT-730-M");
    return out;
  }
  out.result = Scan(s.port, s.portMap, s.state, s.variant, *address, s.timeouts());
  if (out.result.found) {
    out.portText = QStringLiteral("COM%1").arg(out.result.port);
    out.baudText = QStringLiteral("%1 bits/s").arg(out.result.baud);
  }
  return out;
}

void CloseComm(Session& s) {
  if (s.port.isOpen()) {
    s.port.setRtsDtrOff();
    s.port.close();
  }
  s.state.PortOpened = false;
  s.linkWatch.reset();
}

}  // namespace kvt
