// SPDX-License-Identifier: MIT
#pragma once
// The buttons of the "Communication Setting" dialog, without the dialog.
#include <QString>

#include "probe.h"
#include "session.h"

namespace kvt {

extern const QString kPortInvalid;   // device does not exist
extern const QString kPortInUse;     // device locked or busy

// The message for a port that did not open, or nullopt when none is shown. A permission
// failure names the group that owns the device (on Debian usually "dialout").
std::optional<QString> OpenFailureText(OpenError e, const QString& device);

struct PortSetupOutcome {
  enum class Focus { None, Port, Baud };
  bool closeDialog = false;  // the reader answered: the port is ready for use
  Focus focus = Focus::None;
};

// "OK": opens the chosen port, proves a reader answers, sets PortOpened on success.
PortSetupOutcome PortSetupOk(Session& s, const QString& portText, const QString& baudText,
                             const QString& addressText);

// "SCAN": searches every port and speed; the combos take the found values.
struct ScanOutcome {
  ScanResult result;
  QString portText;  // "COMn" when found
  QString baudText;  // "<baud> bits/s" when found
};
ScanOutcome PortSetupScan(Session& s, const QString& addressText);

// "Close Comm": RTS and DTR off, port closed, flag cleared; port errors do not matter.
void CloseComm(Session& s);

}  // namespace kvt
