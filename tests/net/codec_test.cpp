// SPDX-License-Identifier: MIT
// The Telnet and serial port control codec on its own, and the network addresses.
// Option and command codes: RFC 854 (IAC 255, WILL 251, WONT 252, DO 253, DONT 254, SB 250,
// SE 240), RFC 856 (BINARY 0), RFC 858 (SUPPRESS-GO-AHEAD 3), RFC 857 (ECHO 1) and
// RFC 2217 (COM-PORT-OPTION 44, client commands 0..12, server answers +100).
#include <gtest/gtest.h>

#include "core/link/net_address.h"
#include "core/link/rfc2217_codec.h"

using namespace kvt;
using namespace kvt::rfc2217;

namespace {

QByteArray H(const char* hex) { return QByteArray::fromHex(hex); }
std::string Hex(const QByteArray& b) { return b.toHex(' ').toUpper().toStdString(); }

// The opening ser2net 4.3.11 sends on a telnet(rfc2217) accepter: WILL SGA, DO SGA,
// WILL ECHO, DONT ECHO, DO BINARY, WILL BINARY, DO COM-PORT-OPTION (recorded here).
const char* kSer2netOpening = "FFFB03 FFFD03 FFFB01 FFFE01 FFFD00 FFFB00 FFFD2C";

}  // namespace

TEST(Rfc2217Codec, NegotiatesOurOptionsAndRefusesTheOthersOnce) {
  Codec c;
  EXPECT_EQ(Hex(c.start()), "FF FB 2C FF FB 00 FF FD 00");
  EXPECT_EQ(c.comPort(), OptionState::WantYes);

  c.feed(H(kSer2netOpening));
  // Our own requests are answered by its DO/WILL; only SGA and ECHO get an answer: refused.
  EXPECT_EQ(Hex(c.takeReplies()), "FF FE 03 FF FC 03 FF FE 01");
  EXPECT_EQ(c.comPort(), OptionState::Yes);
  EXPECT_EQ(c.binaryToServer(), OptionState::Yes);
  EXPECT_EQ(c.binaryFromServer(), OptionState::Yes);
  EXPECT_TRUE(c.takeData().isEmpty());

  // A request for the state an option is already in is not answered, so no loop starts.
  c.feed(H("FFFD2C FFFB00 FFFE03 FFFC01"));
  EXPECT_TRUE(c.takeReplies().isEmpty());
  // The server withdraws BINARY: we agree, once.
  c.feed(H("FFFC00 FFFC00"));
  EXPECT_EQ(Hex(c.takeReplies()), "FF FE 00");
  EXPECT_EQ(c.binaryFromServer(), OptionState::No);
  // A server asking us to perform something else is refused every time it asks.
  c.feed(H("FFFD18"));
  EXPECT_EQ(Hex(c.takeReplies()), "FF FC 18");
}

TEST(Rfc2217Codec, AServerWithoutTheOptionRefusesIt) {
  Codec c;
  c.start();
  c.feed(H("FFFE2C FFFD00"));
  EXPECT_EQ(c.comPort(), OptionState::No);
  EXPECT_EQ(c.binaryToServer(), OptionState::Yes);
  EXPECT_TRUE(c.takeReplies().isEmpty());
}

TEST(Rfc2217Codec, EscapesAndUnescapesByte255) {
  EXPECT_EQ(Hex(Codec::escape(H("01FF02FFFF"))), "01 FF FF 02 FF FF FF FF");
  Codec c;
  // Doubled 0xFF is data; other commands (NOP, GA, a lone SE) carry none.
  c.feed(H("01FFFF02 FFF1 03 FFF9 FFF0 04FFFF"));
  EXPECT_EQ(Hex(c.takeData()), "01 FF 02 03 04 FF");
  EXPECT_TRUE(c.takeAnswers().empty());
  EXPECT_TRUE(c.takeReplies().isEmpty());
  // An IAC at the end of one read and its partner at the start of the next.
  c.feed(H("05FF"));
  EXPECT_EQ(Hex(c.takeData()), "05");
  c.feed(H("FF06"));
  EXPECT_EQ(Hex(c.takeData()), "FF 06");
}

// The server's answer to SET-BAUDRATE 19200 (as ser2net sent it), cut at every place.
TEST(Rfc2217Codec, AnswersSurviveEverySplitAndKeepTheirPlaceInTheData) {
  const QByteArray wire = H("41 FFFA2C65 00004B00 FFF0 42");
  for (int cut = 0; cut <= wire.size(); ++cut) {
    Codec c;
    c.feed(wire.left(cut));
    const qsizetype before = c.takeData().size();
    c.feed(wire.mid(cut));
    const QByteArray data = c.takeData();
    EXPECT_EQ(before + data.size(), 2) << cut;
    const std::vector<Answer> a = c.takeAnswers();
    ASSERT_EQ(a.size(), 1u) << cut;
    EXPECT_EQ(a[0].command, Command::SetBaudRate);
    EXPECT_EQ(Hex(a[0].value), "00 00 4B 00");
    // 'A' came before the answer; counted within the feed that completed it.
    EXPECT_EQ(a[0].dataBefore, cut >= wire.size() - 1 ? 1 : 1 - before) << cut;
  }
  // PURGE-DATA answered with its value; doubled 0xFF inside a value is one byte.
  Codec c;
  c.feed(H("FFFA2C70 01 FFF0 FFFA2C65 00FFFF0000 FFF0"));
  const std::vector<Answer> a = c.takeAnswers();
  ASSERT_EQ(a.size(), 2u);
  EXPECT_EQ(a[0].command, Command::PurgeData);
  EXPECT_EQ(Hex(a[0].value), "01");
  EXPECT_EQ(Hex(a[1].value), "00 FF 00 00");
  EXPECT_TRUE(c.takeData().isEmpty());
}

TEST(Rfc2217Codec, BrokenAndOversizedSubnegotiationsNeverBecomeData) {
  Codec c;
  c.start();
  // A subnegotiation broken off by a command: dropped, the command obeyed.
  c.feed(H("FFFA2C65 0000 FFFD03 07"));
  EXPECT_TRUE(c.takeAnswers().empty());
  EXPECT_EQ(Hex(c.takeReplies()), "FF FC 03");
  EXPECT_EQ(Hex(c.takeData()), "07");
  // Client command codes from the server, other options: not answers.
  c.feed(H("FFFA2C01 00002580 FFF0 FFFA18 00 FFF0"));
  EXPECT_TRUE(c.takeAnswers().empty());
  QByteArray huge = H("FFFA2C6B");
  huge += QByteArray(5000, '\x11');
  huge += H("FFF0 08");
  c.feed(huge);
  const std::vector<Answer> a = c.takeAnswers();
  ASSERT_EQ(a.size(), 1u);
  EXPECT_EQ(a[0].value.size(), Codec::kMaxSubnegotiation - 2);
  EXPECT_EQ(Hex(c.takeData()), "08");
}

TEST(Rfc2217Codec, EncodesTheCommandsWeSend) {
  EXPECT_EQ(Hex(Codec::setBaudRate(9600)), "FF FA 2C 01 00 00 25 80 FF F0");
  EXPECT_EQ(Hex(Codec::setBaudRate(115200)), "FF FA 2C 01 00 01 C2 00 FF F0");
  EXPECT_EQ(Hex(Codec::setDataSize(8)), "FF FA 2C 02 08 FF F0");
  EXPECT_EQ(Hex(Codec::setParity(kParityNone)), "FF FA 2C 03 01 FF F0");
  EXPECT_EQ(Hex(Codec::setStopSize(kStopBitsOne)), "FF FA 2C 04 01 FF F0");
  EXPECT_EQ(Hex(Codec::setControl(kControlNoFlow)), "FF FA 2C 05 01 FF F0");
  EXPECT_EQ(Hex(Codec::setControl(kControlDtrOff)), "FF FA 2C 05 09 FF F0");
  EXPECT_EQ(Hex(Codec::setControl(kControlRtsOff)), "FF FA 2C 05 0C FF F0");
  EXPECT_EQ(Hex(Codec::purgeData(kPurgeReceive)), "FF FA 2C 0C 01 FF F0");
  EXPECT_EQ(Hex(Codec::setBaudRate(0x00FF00FF)), "FF FA 2C 01 00 FF FF 00 FF FF FF F0");
}

TEST(NetAddress, SchemesHostsAndPorts) {
  EXPECT_EQ(LineKindOf(QStringLiteral("/dev/ttyUSB0")), LineKind::Serial);
  EXPECT_EQ(LineKindOf(QStringLiteral("COM3")), LineKind::Serial);
  EXPECT_EQ(LineKindOf(QStringLiteral("TCP://h:1")), LineKind::RawTcp);
  EXPECT_EQ(LineKindOf(QStringLiteral("rfc2217://h:1")), LineKind::Rfc2217);

  const auto a = ParseNetAddress(QStringLiteral("rfc2217://10.0.0.7:2001"));
  ASSERT_TRUE(a);
  EXPECT_EQ(a->kind, LineKind::Rfc2217);
  EXPECT_EQ(a->host, QStringLiteral("10.0.0.7"));
  EXPECT_EQ(a->port, 2001);
  const auto v6 = ParseNetAddress(QStringLiteral("tcp://[::1]:65535"));
  ASSERT_TRUE(v6);
  EXPECT_EQ(v6->host, QStringLiteral("::1"));
  EXPECT_EQ(v6->port, 65535);
  EXPECT_EQ(ParseNetAddress(QStringLiteral("tcp://reader.local:1"))->host, QStringLiteral("reader.local"));
  for (const char* bad : {"tcp://host", "tcp://host:", "tcp://host:0", "tcp://host:65536", "tcp://host:70000000",
                          "tcp://:7", "tcp://[]:7", "tcp://::1:7", "tcp://h:7x", "tcp://h:+7", "tcp://a/b:7",
                          "/dev/ttyS0"})
    EXPECT_FALSE(ParseNetAddress(QString::fromLatin1(bad))) << bad;
}
