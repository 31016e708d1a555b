// SPDX-License-Identifier: MIT
#pragma once
// What an operation works with: the program state, the window's port, log and messages,
// and the one exchange engine bound to them.
#include "core/base/app_state.h"
#include "core/base/log_sink.h"
#include "core/base/notifier.h"
#include "engine.h"
#include "link_watch.h"
#include "port_map.h"
#include "serial_port.h"
#include "timeouts.h"

namespace kvt {

struct Session {
  Session(AppState& s, SerialPort& p, LogSink& l, Notifier& n, Variant v, const PortMap& m = {},
          Timeouts t = {})
      : state(s), port(p), log(l), notifier(n), variant(v), portMap(m), linkWatch(s, p, l, portMap),
        engine(s, p, l, n, t, &linkWatch) {}

  AppState& state;
  SerialPort& port;
  LogSink& log;
  Notifier& notifier;
  Variant variant;
  PortMap portMap;
  LinkWatch linkWatch;  // a port lost under the session: told once, reopened by the engine
  Engine engine;

  const Timeouts& timeouts() const { return engine.timeouts(); }
};

}  // namespace kvt
