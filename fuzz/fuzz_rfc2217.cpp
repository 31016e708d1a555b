// SPDX-License-Identifier: MIT
// The Telnet and serial port control codec against anything a server may send.
//
// Input: byte 0 bit 7 set: the codec made its opening requests first; bits 0-6 the size of
// the pieces the wire bytes arrive in (0: all at once); the rest is what the server sends.
#include "core/link/rfc2217_codec.h"
#include "fuzz_support.h"

using namespace kvt;
using namespace kvt::rfc2217;

namespace {

// Every reply is a whole negotiation command; options other than ours are only refused.
void CheckReplies(const QByteArray& r) {
  KVT_FUZZ_CHECK(r.size() % 3 == 0);
  for (int i = 0; i < r.size(); i += 3) {
    KVT_FUZZ_CHECK(static_cast<uint8_t>(r[i]) == telnet::kIac);
    const auto verb = static_cast<uint8_t>(r[i + 1]);
    const auto option = static_cast<uint8_t>(r[i + 2]);
    KVT_FUZZ_CHECK(verb >= telnet::kWill && verb <= telnet::kDont);
    if (option != telnet::kBinary && option != telnet::kComPort)
      KVT_FUZZ_CHECK(verb == telnet::kWont || verb == telnet::kDont);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const bool opened = data[0] & 0x80;
  const int piece = data[0] & 0x7F;
  const QByteArray wire(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));

  Codec c;
  if (opened) c.start();
  QByteArray out;
  QByteArray replies;
  size_t answers = 0;
  for (qsizetype at = 0; at < wire.size();) {
    const qsizetype n = piece > 0 ? std::min<qsizetype>(piece, wire.size() - at) : wire.size() - at;
    c.feed(wire.constData() + at, n);
    at += n;
    const QByteArray got = c.takeData();
    for (const Answer& a : c.takeAnswers()) {
      KVT_FUZZ_CHECK(a.dataBefore >= 0 && a.dataBefore <= got.size());
      KVT_FUZZ_CHECK(a.value.size() <= Codec::kMaxSubnegotiation - 2);
      KVT_FUZZ_CHECK(static_cast<uint8_t>(a.command) <= static_cast<uint8_t>(Command::PurgeData));
      ++answers;
    }
    out += got;
    replies += c.takeReplies();
  }
  KVT_FUZZ_CHECK(out.size() <= wire.size());
  CheckReplies(replies);
  // Each reply answers a command of three bytes or more on the wire.
  KVT_FUZZ_CHECK(replies.size() <= wire.size());
  KVT_FUZZ_CHECK(answers * 6 <= static_cast<size_t>(wire.size()));
  if (!opened) KVT_FUZZ_CHECK(c.comPort() != OptionState::WantYes);

  // Whatever the data was, escaping it and reading it back gives it again, in any pieces.
  Codec back;
  const QByteArray escaped = Codec::escape(wire);
  for (qsizetype at = 0; at < escaped.size(); at += piece > 0 ? piece : escaped.size())
    back.feed(escaped.constData() + at, std::min<qsizetype>(piece > 0 ? piece : escaped.size(), escaped.size() - at));
  KVT_FUZZ_CHECK(back.takeData() == wire);
  KVT_FUZZ_CHECK(back.takeReplies().isEmpty() && back.takeAnswers().empty());

  // Line settings of any value: the server's echo of our commands (each code + 100) reads
  // back as the same four answers, 0xFF bytes and all.
  if (wire.size() >= 7) {
    LineSettings line;
    line.baud = static_cast<quint32>(static_cast<uint8_t>(wire[0])) << 24 | static_cast<uint8_t>(wire[1]) << 16 |
                static_cast<uint8_t>(wire[2]) << 8 | static_cast<uint8_t>(wire[3]);
    line.dataBits = static_cast<uint8_t>(wire[4]);
    line.parity = static_cast<uint8_t>(wire[5]);
    line.stopBits = static_cast<uint8_t>(wire[6]);
    QByteArray echo = Codec::setLine(line);
    for (int i = 0; i + 3 < echo.size(); ++i) {
      if (static_cast<uint8_t>(echo[i]) != telnet::kIac) continue;
      if (static_cast<uint8_t>(echo[i + 1]) == telnet::kSb)
        echo[i + 3] = static_cast<char>(static_cast<uint8_t>(echo[i + 3]) + kServerOffset);
      ++i;  // a doubled 0xFF, SB or SE: the byte after the IAC is no IAC
    }
    Codec server;
    server.feed(echo);
    const std::vector<Answer> answers = server.takeAnswers();
    KVT_FUZZ_CHECK(answers.size() == 4);
    KVT_FUZZ_CHECK(answers[0].command == Command::SetDataSize && answers[0].value == wire.mid(4, 1));
    KVT_FUZZ_CHECK(answers[1].command == Command::SetParity && answers[1].value == wire.mid(5, 1));
    KVT_FUZZ_CHECK(answers[2].command == Command::SetStopSize && answers[2].value == wire.mid(6, 1));
    KVT_FUZZ_CHECK(answers[3].command == Command::SetBaudRate && answers[3].value == wire.left(4));
    KVT_FUZZ_CHECK(!line.text().isEmpty());
  }
  return 0;
}
