// SPDX-License-Identifier: MIT
#pragma once
// ExecuteCommand: one command, its acknowledgement, the reply and our ACK, every byte logged.
#include <QByteArray>

#include "core/base/app_state.h"
#include "core/base/log_sink.h"
#include "core/base/notifier.h"
#include "frame.h"
#include "link_watch.h"
#include "serial_port.h"
#include "timeouts.h"

namespace kvt {

extern const QString kUnitNotDetected;    // the five-line "Unit not detected" message
extern const QString kDataError;          // "Error:Please Check The Data Effective"
extern const QString kTimeOut;            // "Time is out, cancel communication process"
extern const QString kPortSetupFirst;     // "Comm. Port Setup First"
extern const QString kCaution;            // "Caution"

class Engine {
 public:
  // With a watch, a port that went away is told once and opened again before the next
  // exchange (link_watch.h).
  Engine(AppState& state, SerialPort& port, LogSink& log, Notifier& notifier, Timeouts t = {},
         LinkWatch* watch = nullptr)
      : state_(state), port_(port), log_(log), notifier_(notifier), t_(t), watch_(watch) {}

  // 0: reply received (or the port flag is clear and nothing was sent; replyLen stays 0),
  // -1: refused acknowledgement, missing remainder or failed port, -2: no reply header.
  int ExecuteCommand(const QByteArray& frame, int frameLen, ReplyBuffer& reply);

  const Timeouts& timeouts() const { return t_; }
  void setTimeouts(const Timeouts& t) { t_ = t; }

 private:
  int ackStageFailure() { return failure(kUnitNotDetected); }
  int dataFailure() { return failure(kDataError); }
  int failure(const QString& message);
  // The port open and its input cleared, reopened first when it went away.
  bool readyToSend();

  AppState& state_;
  SerialPort& port_;
  LogSink& log_;
  Notifier& notifier_;
  Timeouts t_;
  LinkWatch* watch_;
};

}  // namespace kvt
