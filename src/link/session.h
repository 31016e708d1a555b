#pragma once
// What an operation works with: the program state, the window's port, log and messages,
// and the one exchange engine bound to them.
#include "base/app_state.h"
#include "base/log_sink.h"
#include "base/notifier.h"
#include "engine.h"
#include "port_map.h"
#include "serial_port.h"
#include "timeouts.h"

namespace kvt {

struct Session {
  Session(AppState& s, SerialPort& p, LogSink& l, Notifier& n, Variant v, const PortMap& m = {},
          Timeouts t = {})
      : state(s), port(p), log(l), notifier(n), variant(v), portMap(m), engine(s, p, l, n, t) {}

  AppState& state;
  SerialPort& port;
  LogSink& log;
  Notifier& notifier;
  Variant variant;
  PortMap portMap;
  Engine engine;

  const Timeouts& timeouts() const { return engine.timeouts(); }
};

}  // namespace kvt
