// SPDX-License-Identifier: MIT
// The command-line runner's transport against a reader that answers anything: one script
// frame, then whatever byte stream comes back, in chunks, with a silent spell and a port
// that may fail; the two lists it fills and its return value are checked.
//
// Input: byte 0: chunk size (bits 0-2), run control (bits 3-4: run, stop, cancel), port
// flag clear (bits 5-7 all set); byte 1: the failing port call (from 0x20 on: none);
// byte 2: the silent spell's stream position (0xFF: none); byte 3: how many entries the
// lists hold before (up to 510, so the cap at 500 is crossed); the rest: the reader's bytes.
#include "core/base/conversions.h"
#include "core/cmdline/script_parse.h"
#include "core/cmdline/script_transport.h"
#include "core/link/engine.h"
#include "fuzz_support.h"

using namespace kvt;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  AppState state;
  state.PortOpened = (data[0] & 0xE0) != 0xE0;
  state.RunControl = static_cast<ScriptControl>(((data[0] >> 3) & 3) % 3);
  state.LineCount = 3;
  state.CurrentLine = 1;

  fuzz::StreamPort port;
  port.configure(data[0] & 7, data[2] != 0xFF ? data[2] : fuzz::StreamPort::kNever,
                 data[1] < 0x20 ? data[1] : fuzz::StreamPort::kNever);
  port.append(QByteArray(reinterpret_cast<const char*>(data + 4), static_cast<int>(size - 4)));

  RecordingNotifier notifier;
  StringEntryList results, back;
  // The entries already there are shared with a list built once, not added one by one.
  static const QStringList earlier(510, QString());
  const int before = 2 * data[3];
  results.entries = earlier.mid(0, before);
  back.entries = results.entries;
  ScriptTransport transport(state, port, notifier, results, back, ScriptTimeouts{}.scaled(100000));
  static const QDateTime at(QDate(2013, 9, 9), QTime(14, 5, 7, 42));
  transport.now = [] { return at; };
  int unmarked = 0;
  transport.clearHighlight = [&] { ++unmarked; };

  const QByteArray frame = ParseScriptLine(QStringLiteral("C$DC1 12 A"), 0).frame;
  ReplyBuffer reply;
  reply.len = 77;
  const int rc = transport.ExecuteScriptCommand(frame, reply);

  KVT_FUZZ_CHECK(rc == 0 || rc == -1 || rc == -2);
  if (!state.PortOpened) {
    KVT_FUZZ_CHECK(rc == 0 && reply.len == 77 && port.written.isEmpty());
    KVT_FUZZ_CHECK(results.count() == before && back.count() == before);
    return 0;
  }
  // Lists past the cap were emptied first; one exchange adds far fewer than the cap.
  if (before > kListCap) KVT_FUZZ_CHECK(results.count() < kListCap && back.count() < kListCap);
  KVT_FUZZ_CHECK(notifier.messages.size() == (rc == 0 ? 0u : 1u));
  if (rc == 0) {
    KVT_FUZZ_CHECK(state.RunControl == ScriptControl::Run);
    KVT_FUZZ_CHECK(reply.len == reply.bytes.size() && reply.len >= 2);
    KVT_FUZZ_CHECK(back.entries.contains(kReplyRule) && results.entries.last().isEmpty());
    KVT_FUZZ_CHECK(static_cast<uint8_t>(port.written.back()) == ACK);
  }
  if (rc == -2) KVT_FUZZ_CHECK(reply.len == 0);
  if (state.RunControl != ScriptControl::Run) {
    // Stop and Cancel send no frame and leave the script unmarked at its first line.
    KVT_FUZZ_CHECK(rc == -2 && state.CurrentLine == 0 && unmarked == 1);
    KVT_FUZZ_CHECK(!port.written.contains(frame));
    const QString expected = state.RunControl == ScriptControl::Stop ? kStopMessage : kCancelMessage;
    KVT_FUZZ_CHECK(notifier.messages[0].text == expected);
  } else if (rc != 0) {
    const QString& m = notifier.messages[0].text;
    KVT_FUZZ_CHECK(m == kUnitNotDetected || m == kDataError || m == kTimeOut);
  }
  // Every raw entry is a sent or received line, its continuation, or the blank separator.
  for (const QString& e : results.entries.mid(before > kListCap ? 0 : before))
    KVT_FUZZ_CHECK(e.isEmpty() || e.startsWith(QLatin1String("SD: ")) || e.startsWith(QLatin1String("RD: ")) ||
                   e.startsWith(QLatin1String("    ")));
  return 0;
}
