// SPDX-License-Identifier: MIT
// The monitor's stream decoder against arbitrary bytes from both sides, split anywhere and
// spread over time: no crash, every byte fed comes out in exactly one unit, in order, and
// each unit says truthfully what it holds. Its log lines read back give the same bytes,
// and its capture blocks are well-formed pcapng.
//
// Input: records of a header byte (bit 7: the reader's side; bits 0-5: the count of bytes
// that follow; bit 6: let 4 s pass first, else 1 ms) and its bytes.
#include "core/monitor/comm_log.h"
#include "core/monitor/pcapng.h"
#include "core/monitor/stream_decoder.h"
#include "core/monitor/unit_text.h"
#include "fuzz_support.h"

using namespace kvt;
using namespace kvt::monitor;

namespace {

uint32_t Le32(const QByteArray& b, int at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[at + i]);
  return v;
}

void CheckUnit(const LineUnit& u) {
  const auto first = u.bytes.isEmpty() ? -1 : static_cast<uint8_t>(u.bytes[0]);
  switch (u.kind) {
    case UnitKind::Ack: KVT_FUZZ_CHECK(u.bytes == QByteArray(1, '\x06')); break;
    case UnitKind::Nak: KVT_FUZZ_CHECK(u.bytes == QByteArray(1, '\x15')); break;
    case UnitKind::Eot: KVT_FUZZ_CHECK(u.bytes == QByteArray(1, '\x04')); break;
    case UnitKind::Enq: KVT_FUZZ_CHECK(u.bytes == QByteArray(1, '\x05')); break;
    case UnitKind::Command:
    case UnitKind::Reply:
      KVT_FUZZ_CHECK(first == STX && u.checkOk && u.hasCodes);
      KVT_FUZZ_CHECK(static_cast<uint8_t>(u.bytes[u.bytes.size() - 2]) == ETX);
      KVT_FUZZ_CHECK(u.bytes.size() == ((static_cast<uint8_t>(u.bytes[2]) << 8) | static_cast<uint8_t>(u.bytes[3])) + 6);
      break;
    case UnitKind::BadFrame: KVT_FUZZ_CHECK(first == STX && !u.problem.isEmpty()); break;
    case UnitKind::Noise:
      KVT_FUZZ_CHECK(!u.bytes.isEmpty() && u.bytes.size() <= StreamDecoder::kMaxNoise);
      for (const char c : u.bytes) KVT_FUZZ_CHECK(!QByteArray("\xF2\x06\x15\x04\x05", 5).contains(c));
      break;
    case UnitKind::Timeout:
    case UnitKind::Event: KVT_FUZZ_CHECK(u.bytes.isEmpty() && !u.meaning.isEmpty()); break;
  }
  KVT_FUZZ_CHECK(!TextLine(u).contains(QLatin1Char('\n')) && !JsonLine(u).contains('\n'));
  // The block holds the unit whole: lengths agree, the data is the unit's bytes.
  const QByteArray block = pcapng::UnitBlock(u);
  KVT_FUZZ_CHECK(block.size() % 4 == 0 && Le32(block, 0) == pcapng::kEnhancedPacket);
  KVT_FUZZ_CHECK(Le32(block, 4) == static_cast<uint32_t>(block.size()) && Le32(block, block.size() - 4) == Le32(block, 4));
  const uint32_t captured = Le32(block, 20);
  const QByteArray data = block.mid(28, static_cast<int>(captured));
  KVT_FUZZ_CHECK(u.bytes.isEmpty() ? data == Describe(u).toUtf8() : data == u.bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  StreamDecoder decoder;
  std::vector<LineUnit> units;
  QByteArray fed[2];
  qint64 t = 0;
  for (size_t at = 0; at < size;) {
    const uint8_t header = data[at++];
    const size_t n = std::min<size_t>(header & 0x3F, size - at);
    const QByteArray bytes(reinterpret_cast<const char*>(data + at), static_cast<qsizetype>(n));
    at += n;
    t += (header & 0x40) ? 4000000 : 1000;
    const Side side = (header & 0x80) ? Side::Reader : Side::App;
    fed[side == Side::App ? 0 : 1] += bytes;
    decoder.feed(side, bytes, t, units);
    KVT_FUZZ_CHECK(decoder.nextDeadlineUs() > t || decoder.nextDeadlineUs() == t);
  }
  decoder.tick(t + 20000000, units);
  decoder.flush(units);
  QByteArray shown[2];
  QString log;
  for (const LineUnit& u : units) {
    CheckUnit(u);
    shown[u.from == Side::App ? 0 : 1] += u.bytes;
    log += LogText(u);
  }
  KVT_FUZZ_CHECK(shown[0] == fed[0] && shown[1] == fed[1]);

  // The log of the units reads back as the same bytes from the same sides.
  const LogReadResult back = ReadCommLog(log.toLatin1());
  QByteArray again[2];
  for (const LogChunk& c : back.chunks) again[c.from == Side::App ? 0 : 1] += c.bytes;
  KVT_FUZZ_CHECK(back.ok() == !(fed[0].isEmpty() && fed[1].isEmpty()));
  KVT_FUZZ_CHECK(again[0] == fed[0] && again[1] == fed[1]);
  // And anything at all read as a log: no crash, only whole lines of bytes when it is one.
  const LogReadResult raw = ReadCommLog(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
  for (const LogChunk& c : raw.chunks) KVT_FUZZ_CHECK(!c.bytes.isEmpty());
  KVT_FUZZ_CHECK(raw.ok() != raw.chunks.empty());
  return 0;
}
