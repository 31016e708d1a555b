// SPDX-License-Identifier: MIT
#pragma once
// The tool's side of a benchmark: the state of an open port, a QSerialPort that blocks in
// the OS, and a notifier that keeps the messages to itself.
#include <QString>
#include <cstdio>

#include "core/base/app_state.h"
#include "core/base/notifier.h"
#include "core/link/qt_serial_port.h"
#include "raw_exchange.h"

namespace bench {

struct ToolPort {
  ToolPort() { state.PortOpened = true; }

  // Opens the device at 9600; when it does not open, says so on stderr, marks the rate
  // failed and gives false.
  bool open(const QString& device, Rate& r) {
    if (port.open(device, 9600) == kvt::OpenError::None) return true;
    std::fprintf(stderr, "cannot open %s\n", qPrintable(device));
    r.failed = true;
    return false;
  }

  kvt::AppState state;
  kvt::QtSerialPort port{kvt::QtSerialPort::WaitMode::Block};
  kvt::RecordingNotifier notifier;
};

}  // namespace bench
