// SPDX-License-Identifier: MIT
// The exchange engine and the two port probes against a reader that answers anything.
//
// Input: byte 0 chooses the road (bits 0-1: 0 and 1 the engine, 2 the verify probe,
// 3 the scan probe; bits 2-4 all set: the port flag is clear) and the chunk size (bits
// 5-7, 0: all at once); byte 1 the port call that fails (from 0x20 on: none); byte 2 the
// stream position of a silent spell (0xFF: none); the rest is what the reader sends.
#include "core/link/engine.h"
#include "core/link/probe.h"
#include "core/link/timeouts.h"
#include "fuzz_support.h"

using namespace kvt;

namespace {

// Every log line is a sent or received line, its continuation, or the closing blank line.
void CheckLogLines(const QString& text) {
  for (const QString& line : text.split(QStringLiteral("\r\n"))) {
    KVT_FUZZ_CHECK(line.isEmpty() || line.startsWith(QLatin1String("SD: ")) ||
                   line.startsWith(QLatin1String("RD: ")) || line.startsWith(QLatin1String("       ")));
  }
}

// After the command frame the tool only ever sends its ACK and EOT control bytes.
void CheckWritten(const QByteArray& written, const QByteArray& frame) {
  if (written.isEmpty()) return;
  KVT_FUZZ_CHECK(written.startsWith(frame));
  for (int i = frame.size(); i < written.size(); ++i) {
    const auto b = static_cast<uint8_t>(written[i]);
    KVT_FUZZ_CHECK(b == ACK || b == EOT);
  }
}

void RunEngine(fuzz::StreamPort& port, bool portOpened) {
  AppState state;
  state.PortOpened = portOpened;
  StringLog log;
  RecordingNotifier notifier;
  Engine engine(state, port, log, notifier, Timeouts{}.scaled(100000));
  const QByteArray frame = BuildFrame(0, 0x31, 0x30);
  ReplyBuffer reply;
  const int rc = engine.ExecuteCommand(frame, frame.size(), reply);

  KVT_FUZZ_CHECK(rc == 0 || rc == -1 || rc == -2);
  if (!portOpened) {
    KVT_FUZZ_CHECK(rc == 0 && reply.len == 0 && port.written.isEmpty() && log.text.isEmpty());
    KVT_FUZZ_CHECK(notifier.messages.size() == 1 && notifier.messages[0].text == kPortSetupFirst);
    return;
  }
  KVT_FUZZ_CHECK(notifier.messages.size() == (rc == 0 ? 0u : 1u));
  for (const Message& m : notifier.messages) {
    KVT_FUZZ_CHECK(m.icon == MessageIcon::Warning && m.title == kCaution);
    if (rc == -1) KVT_FUZZ_CHECK(m.text == kUnitNotDetected || m.text == kDataError);
    if (rc == -2) KVT_FUZZ_CHECK(m.text == kTimeOut);
  }
  if (rc == -2) KVT_FUZZ_CHECK(reply.len == 0);
  if (rc == 0) {
    KVT_FUZZ_CHECK(reply.len == reply.bytes.size() && reply.len >= 2);
    KVT_FUZZ_CHECK(log.text.endsWith(QLatin1String("SD: 06\r\n")));
    KVT_FUZZ_CHECK(static_cast<uint8_t>(port.written.back()) == ACK);
    // The reply's positions past the received bytes read as zero.
    KVT_FUZZ_CHECK(reply.at(reply.len) == 0 && reply.at(-1) == 0);
    (void)reply.data();
  }
  CheckWritten(port.written, frame);
  CheckLogLines(log.text);
}

void RunVerifyProbe(fuzz::StreamPort& port) {
  StringLog log;
  const QString r = VerifyProbe(port, log, 0, Timeouts{}.scaled(100000));
  KVT_FUZZ_CHECK(r == QLatin1String("OK") || r == QLatin1String("ERROR") || r.isEmpty());
  CheckWritten(port.written, BuildFrame(0, '1', '0'));
  CheckLogLines(log.text);
}

void RunScanProbe(fuzz::StreamPort& port) {
  const bool found = ScanProbe(port, 0, Timeouts{}.scaled(100000));
  // A reader was found only if it was sent the probe and got our ACK.
  if (found) KVT_FUZZ_CHECK(static_cast<uint8_t>(port.written.back()) == ACK);
  CheckWritten(port.written, BuildFrame(0, '1', '0'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const uint8_t road = data[0] & 0x03;
  const bool portOpened = (data[0] & 0x1C) != 0x1C;
  const int chunk = data[0] >> 5;
  const qint64 failAt = data[1] < 0x20 ? data[1] : fuzz::StreamPort::kNever;
  const qint64 pauseAt = data[2] != 0xFF ? data[2] : fuzz::StreamPort::kNever;

  fuzz::StreamPort port;
  port.configure(chunk, pauseAt, failAt);
  port.append(QByteArray(reinterpret_cast<const char*>(data + 3), static_cast<int>(size - 3)));
  switch (road) {
    case 0:
    case 1: RunEngine(port, portOpened); break;
    case 2: RunVerifyProbe(port); break;
    default: RunScanProbe(port); break;
  }
  return 0;
}
