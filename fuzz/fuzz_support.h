// SPDX-License-Identifier: MIT
#pragma once
// What the fuzz targets share: a serial port whose reader answers with bytes the fuzzer
// chose, arriving in chunks, with one silent wait and one failing call where the input
// asks for them; and a check that stops the run loudly when a property does not hold.
#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "core/link/frame.h"
#include "core/link/serial_port.h"

#define KVT_FUZZ_CHECK(cond)                                                            \
  do {                                                                                  \
    if (!(cond)) {                                                                      \
      std::fprintf(stderr, "%s:%d: property does not hold: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                     \
    }                                                                                   \
  } while (0)

namespace kvt::fuzz {

class StreamPort : public SerialPort {
 public:
  static constexpr qint64 kNever = -1;

  // chunk: bytes that arrive at a time (0: whatever is left at once).
  // pauseAt: stream position before which the reader stays silent for one wait.
  // failAt: the number (from 0) of the port call that fails like an unplugged device;
  // from then on every call fails.
  void configure(int chunk, qint64 pauseAt = kNever, qint64 failAt = kNever) {
    chunk_ = chunk;
    pauseAt_ = pauseAt;
    failAt_ = failAt;
  }
  // More bytes from the reader, after those already on their way.
  void append(const QByteArray& bytes) { stream_ += bytes; }

  // Called for each write that went out, with its bytes: lets a target answer commands.
  std::function<void(const QByteArray&)> onWrite;

  OpenError open(const QString& device, qint32) override {
    device_ = device;
    dead_ = false;
    return OpenError::None;
  }
  void close() override { dead_ = true; }
  bool isOpen() const override { return !dead_; }
  QString device() const override { return device_; }
  bool setRtsDtrOff() override { return !fails(); }
  bool clearInput() override {
    if (fails()) return false;
    arrived_.clear();
    return true;
  }
  bool write(const QByteArray& bytes) override {
    if (fails()) return false;
    written += bytes;
    ++writes;
    if (onWrite) onWrite(bytes);
    return true;
  }
  qint64 bytesWaiting() override { return fails() ? -1 : arrived_.size(); }
  WaitResult waitForBytes(qint64 n, int) override {
    if (fails()) return WaitResult::Failed;
    while (arrived_.size() < n) {
      if (pauseAt_ == pos_) {
        pauseAt_ = kNever;
        return WaitResult::Timeout;
      }
      const qint64 left = stream_.size() - pos_;
      if (left <= 0) return WaitResult::Timeout;
      qint64 take = chunk_ > 0 ? std::min<qint64>(chunk_, left) : left;
      if (pauseAt_ > pos_) take = std::min(take, pauseAt_ - pos_);
      arrived_ += stream_.mid(pos_, take);
      pos_ += take;
    }
    return WaitResult::Ready;
  }
  QByteArray read(qint64 max) override {
    if (fails()) return {};
    const QByteArray out = max > 0 ? arrived_.left(max) : arrived_;
    arrived_.remove(0, out.size());
    return out;
  }

  QByteArray written;  // every byte sent, in order
  int writes = 0;

 private:
  bool fails() {
    if (dead_) return true;
    if (calls_++ == failAt_) dead_ = true;
    return dead_;
  }

  QByteArray stream_;
  QByteArray arrived_;
  qint64 pos_ = 0;
  int chunk_ = 0;
  qint64 pauseAt_ = kNever;
  qint64 failAt_ = kNever;
  qint64 calls_ = 0;
  bool dead_ = false;
  QString device_;
};

// The reader's ACK and a reply frame around `text` (from the kind on), LEN and BCC right.
inline QByteArray AckAndReply(const QByteArray& text) {
  QByteArray f;
  f.append(static_cast<char>(ACK));
  f.append(static_cast<char>(STX));
  f.append('\0');
  f.append(static_cast<char>((text.size() >> 8) & 0xFF));
  f.append(static_cast<char>(text.size() & 0xFF));
  f.append(text);
  f.append(static_cast<char>(ETX));
  uint8_t bcc = 0;
  for (int i = 1; i < f.size(); ++i) bcc ^= static_cast<uint8_t>(f[i]);
  f.append(static_cast<char>(bcc));
  return f;
}

}  // namespace kvt::fuzz
