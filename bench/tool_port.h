// SPDX-License-Identifier: MIT
#pragma once
// The tool's side of a benchmark: the state of an open port, a QSerialPort that blocks in
// the OS, and a notifier that keeps the messages to itself.
#include <QString>
#include <cstdio>

#include "core/base/app_state.h"
#include "core/base/notifier.h"
#include "core/link/qt_serial_port.h"

namespace bench {

struct ToolPort {
  ToolPort() { state.PortOpened = true; }

  // Opens the device at 9600; false, said on stderr, when it does not open.
  bool open(const QString& device) {
    if (port.open(device, 9600) == kvt::OpenError::None) return true;
    std::fprintf(stderr, "cannot open %s\n", qPrintable(device));
    return false;
  }

  kvt::AppState state;
  kvt::QtSerialPort port{kvt::QtSerialPort::WaitMode::Block};
  kvt::RecordingNotifier notifier;
};

}  // namespace bench
