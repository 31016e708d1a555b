// SPDX-License-Identifier: MIT
#pragma once
// The serial port as the command-line window uses it: waits block in the operating system
// in short slices and repaint the windows between them, while mouse and key input stays
// queued. The clicks made during an exchange are thus handled when the transport lets the
// window process its pending input before the next command, and not lost.
//
// The port underneath must block in its own waits (WaitMode::Block).
#include <functional>

#include "core/link/serial_port.h"

namespace kvt {

class PaintingWaitPort : public SerialPort {
 public:
  explicit PaintingWaitPort(SerialPort& inner, int sliceMs = 30) : inner_(inner), sliceMs_(sliceMs) {}

  OpenError open(const QString& device, qint32 baud) override { return inner_.open(device, baud); }
  void close() override { inner_.close(); }
  bool isOpen() const override { return inner_.isOpen(); }
  QString device() const override { return inner_.device(); }
  bool setRtsDtrOff() override { return inner_.setRtsDtrOff(); }
  bool clearInput() override { return inner_.clearInput(); }
  bool write(const QByteArray& bytes) override { return inner_.write(bytes); }
  qint64 bytesWaiting() override { return inner_.bytesWaiting(); }
  QByteArray read(qint64 max) override { return inner_.read(max); }
  WaitResult waitForBytes(qint64 n, int timeoutMs) override;

  // Called before the windows are repainted between two slices of a wait (the window shows
  // what changed since it last did); may stay empty.
  std::function<void()> beforePainting;

 private:
  SerialPort& inner_;
  int sliceMs_;
};

}  // namespace kvt
