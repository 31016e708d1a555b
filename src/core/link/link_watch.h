// SPDX-License-Identifier: MIT
#pragma once
// The port of an open session going away under it: a network server that stops, a USB
// adapter pulled, a pseudo-terminal closed. The engine asks here before each exchange and
// after each failed one. The loss is told once, as a line in the log and through the
// listener (the main window's status line, kvt730ctl's stderr); before the next exchange
// the port is opened again with the device and speed it had, so that a reader that is
// back answers without the port setup.
#include <QString>
#include <functional>
#include <optional>

#include "core/base/app_state.h"
#include "core/base/log_sink.h"
#include "port_map.h"
#include "serial_port.h"

namespace kvt {

class LinkWatch {
 public:
  LinkWatch(AppState& state, SerialPort& port, LogSink& log, const PortMap& map)
      : state_(state), port_(port), log_(log), map_(map) {}

  // Before an exchange: true when the port is open, opening it again first when it went
  // away. What happened goes to the log and the listener.
  bool ready();
  // After a failed exchange: a port no longer open is lost. The first time, the listener
  // hears it at once and the line to log is given back (the engine logs it after its
  // message); nullopt when there is nothing new to tell.
  std::optional<QString> noticeLoss();
  // The port setup opened or closed the port: a loss is forgotten.
  void reset();

  bool lost() const { return lost_; }
  // What the main window's status line shows: "Port closed", "Connected to COM1
  // (/dev/ttyUSB0)", or the last news of a loss.
  QString statusText() const;

  // Each line of news, as it is logged.
  std::function<void(const QString&)> listener;

 private:
  // "COM3 (/dev/ttyUSB0)": the port name the map gives the device, when one does.
  QString where() const;
  void tell(const QString& line, bool log);

  AppState& state_;
  SerialPort& port_;
  LogSink& log_;
  const PortMap& map_;
  bool lost_ = false;
  QString news_;  // the last line told while lost
};

}  // namespace kvt
