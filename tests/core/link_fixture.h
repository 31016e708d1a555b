// SPDX-License-Identifier: MIT
#pragma once
// A simulated reader on a pseudo-terminal, opened through a real QSerialPort, with
// shortened timeouts so the failure paths run quickly.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "core/base/app_state.h"
#include "core/base/log_sink.h"
#include "core/base/notifier.h"
#include "core/link/qt_serial_port.h"
#include "core/link/session.h"
#include "sim/pty_host.h"

#include "qt_print.h"

namespace kvt::test {

inline Timeouts FastTimeouts() {
  Timeouts t;
  t.ack = 300;
  t.header = 800;
  t.remainder = 500;
  t.eotAnswer = 300;
  t.probeAck = t.probeHeader = t.probeRemainder = 400;
  t.scanDelay = 60;
  t.scanHeader = t.scanRemainder = 400;
  return t;
}

class LinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string err;
    ASSERT_TRUE(host.start(&err)) << err;
    map.set(1, QString::fromStdString(host.slavePath()));
    session.portMap = map;
    ASSERT_EQ(port.open(map.device(1), 9600), OpenError::None);
    state.PortOpened = true;
  }
  void TearDown() override {
    port.close();
    host.stop();
  }
  void reader(const std::function<void(sim::Reader&)>& fn) { host.withReader(fn); }
  void fault(sim::FaultKind k, const std::string& code = "10", int slowMs = 3000) {
    reader([&](sim::Reader& r) {
      sim::Fault f;
      f.kind = k;
      f.negativeCode = code;
      f.slowMs = slowMs;
      r.setFault(f);
    });
  }
  std::vector<QString> texts() const {
    std::vector<QString> v;
    for (const auto& m : notifier.messages) v.push_back(m.text);
    return v;
  }

  sim::PtyHost host;
  PortMap map;
  AppState state;
  QtSerialPort port;
  StringLog log;
  RecordingNotifier notifier;
  Session session{state, port, log, notifier, Variant::B, map, FastTimeouts()};
};

}  // namespace kvt::test
