// SPDX-License-Identifier: MIT
// The simulator's frame reader on any byte stream from the host. However the stream is cut
// into chunks, the reader must find the same frames, control bytes and noise, and keep no
// more text than it was allowed to.
//
// Input: byte 0: the reader's address; byte 1: the text it keeps (3 + value); byte 2: the
// chunk size of the second pass (0: one byte at a time); the rest: the host's bytes.
#include <algorithm>
#include <vector>

#include "fuzz_support.h"
#include "sim/frame_reader.h"

namespace {

bool Same(const sim::HostEvent& a, const sim::HostEvent& b) {
  return a.kind == b.kind && a.cm == b.cm && a.pm == b.pm && a.data == b.data && a.oversize == b.oversize;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const uint8_t address = data[0];
  const size_t maxText = 3 + data[1];
  const size_t chunk = std::max<size_t>(1, data[2]);
  const uint8_t* bytes = data + 3;
  const size_t n = size - 3;

  sim::FrameReader whole(address, maxText);
  std::vector<sim::HostEvent> all;
  whole.feed(bytes, n, all);

  sim::FrameReader pieces(address, maxText);
  std::vector<sim::HostEvent> cut;
  for (size_t i = 0; i < n; i += chunk) pieces.feed(bytes + i, std::min(chunk, n - i), cut);

  KVT_FUZZ_CHECK(all.size() == cut.size());
  for (size_t i = 0; i < all.size(); ++i) KVT_FUZZ_CHECK(Same(all[i], cut[i]));
  KVT_FUZZ_CHECK(whole.skippedBytes() == pieces.skippedBytes());
  KVT_FUZZ_CHECK(whole.foreignFrames() == pieces.foreignFrames());
  KVT_FUZZ_CHECK(whole.midFrame() == pieces.midFrame());

  size_t controls = 0;
  for (const sim::HostEvent& e : all) {
    if (e.kind == sim::HostEvent::Kind::Command) KVT_FUZZ_CHECK(e.data.size() + 3 <= maxText);
    else KVT_FUZZ_CHECK(e.data.empty() && !e.oversize);
    if (e.kind == sim::HostEvent::Kind::Ack || e.kind == sim::HostEvent::Kind::Eot) ++controls;
  }
  // Every byte outside a frame is a control byte or counted as skipped.
  KVT_FUZZ_CHECK(controls + whole.skippedBytes() <= n);

  // After a reset the reader takes a well-formed command again.
  whole.reset();
  const uint8_t frame[] = {0xF2, address, 0x00, 0x03, 'C', '1', '0', 0x03, 0};
  uint8_t f[sizeof frame];
  std::copy(frame, frame + sizeof frame, f);
  for (size_t i = 0; i + 1 < sizeof f; ++i) f[sizeof f - 1] ^= f[i];
  std::vector<sim::HostEvent> again;
  whole.feed(f, sizeof f, again);
  KVT_FUZZ_CHECK(again.size() == 1 && again[0].kind == sim::HostEvent::Kind::Command && again[0].cm == '1');
  return 0;
}
