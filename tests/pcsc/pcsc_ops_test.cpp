// SPDX-License-Identifier: MIT
// The PC/SC operations on a fake service: result lines, error codes, dumps, reader
// names, APDU text checks and the arguments each call gets.
#include <gtest/gtest.h>

#include <functional>

#include "core/pcsc/pcsc_ops.h"
#include "fake_service.h"

using namespace kvt::pcsc;
using pcsc_test::FakeService;

namespace {

QStringList Framed(const QStringList& middle) { return QStringList{kSeparator} + middle + QStringList{QString()}; }

}  // namespace

TEST(PcscOps, ErrorLinesPadTheCodeToEightDigitsExceptTransmit) {
  using Op = std::function<PcscOutcome(FakeService&, PcscState&)>;
  const std::vector<std::tuple<const char*, Op, const char*>> ops = {
      {"establish", [](auto& f, auto& s) { return EstablishContext(f, s); }, "SCardEstablishContext"},
      {"list", [](auto& f, auto& s) { return ListReaders(f, s); }, "SCardListReaders"},
      {"connect", [](auto& f, auto& s) { return Connect(f, s, "R"); }, "SCardConnect"},
      {"begin", [](auto& f, auto& s) { return BeginTransaction(f, s); }, "SCardBeginTransaction"},
      {"status", [](auto& f, auto& s) { return Status(f, s); }, "SCardState"},
      {"end", [](auto& f, auto& s) { return EndTransaction(f, s); }, "SCardEndTransaction"},
      {"disconnect", [](auto& f, auto& s) { return Disconnect(f, s); }, "SCardDisconnect"},
      {"release", [](auto& f, auto& s) { return ReleaseContext(f, s); }, "SCardReleaseContext"},
  };
  for (const auto& [call, op, text] : ops) {
    for (const auto& [code, hex] : {std::pair<LONG, QString>{6, "00000006"}, {LONG(SCARD_E_NO_SERVICE), "8010001D"}}) {
      FakeService f;
      f.results[call] = code;
      PcscState st;
      EXPECT_EQ(op(f, st).lines, Framed({QString::fromLatin1(text) + " Error (" + hex + ")"})) << call;
      EXPECT_EQ(st.lastResult, code);
    }
  }
  FakeService f;
  PcscState st;
  f.results["transmit"] = 6;
  EXPECT_EQ(Transmit(f, st, "00A40000").lines, Framed({"SCardTransmit Error 6"}));
  // What the window and kvt730ctl say of a code: pcsc-lite's words, where it has some.
  EXPECT_EQ(ResultMeaning(LONG(SCARD_E_NO_SERVICE)), "8010001D: Service not available.");
  EXPECT_EQ(ResultMeaning(6), "00000006: unknown to pcsc-lite");
}

TEST(PcscOps, SequenceGivesTheSuccessLinesAndPassesTheHandles) {
  FakeService f;
  const char names[] = "Reader One\0Reader Two 01\0Third\0\0Ghost";  // an empty name ends the list
  f.readers = QByteArray(names, sizeof names);
  f.atr = QByteArray::fromHex("3B9F958031FE9F0066465305012010718000000000000066");
  f.atr.truncate(19);
  for (int i = 0; i < 25; ++i) f.response.append(char(0xE0 + i));
  PcscState st;

  EXPECT_EQ(EstablishContext(f, st).lines, Framed({"SCardEstablishContext Success"}));
  const PcscOutcome list = ListReaders(f, st);
  EXPECT_EQ(list.lines, Framed({"SCardListReaders Success"}));
  EXPECT_EQ(list.readers.value(), (QStringList{"Reader One", "Reader Two 01", "Third"}));

  EXPECT_EQ(Connect(f, st, "Reader Two 01").lines, Framed({"SCardConnect Success"}));
  EXPECT_EQ(f.readerName, "Reader Two 01");
  EXPECT_EQ(f.share, DWORD(SCARD_SHARE_EXCLUSIVE));
  EXPECT_EQ(f.protocols, DWORD(SCARD_PROTOCOL_T0));
  BeginTransaction(f, st);
  // 19 bytes: the sign space and then the digits.
  EXPECT_EQ(Status(f, st).lines,
            Framed({"SCardState Success", "ATR : 3B 9F 95 80 31 FE 9F 00 66 46 53 05 01 20 10 71 80 00 00 ",
                    "ATR Longth :  19"}));
  // 25 bytes: 20 after the label, then ten spaces and 5.
  EXPECT_EQ(Transmit(f, st, "00A40400023F00").lines,
            Framed({"SCardTransmit Success ", "Send Data:00 A4 04 00 02 3F 00 ",
                    "Receive Data:E0 E1 E2 E3 E4 E5 E6 E7 E8 E9 EA EB EC ED EE EF F0 F1 F2 F3 ",
                    "          F4 F5 F6 F7 F8 "}));
  EXPECT_EQ(f.headerProtocol, DWORD(SCARD_PROTOCOL_T0));  // what Connect returned
  EXPECT_TRUE(f.sameHeader);
  EXPECT_GE(f.receiveRoom, DWORD(65536 + 2));
  EndTransaction(f, st);
  Disconnect(f, st);
  EXPECT_EQ(ReleaseContext(f, st).lines, Framed({"SCardReleaseContext Success"}));
  EXPECT_EQ(f.calls, (QStringList{"establish 0", "list 192", "connect 192", "begin 202", "status 202",
                                  "transmit 202", "end 202 0", "disconnect 202 1", "release 192"}));
  EXPECT_EQ(f.scope, DWORD(SCARD_SCOPE_USER));
}

TEST(PcscOps, ApduTextIsRefusedOrSentAsTyped) {
  // Odd before trimming, odd after, not hex, shorter than the header (the virtual reader
  // never answers those), longer than the send buffer.
  for (const QString& bad : {QString(" 00A4"), QString("00A40 "), QString("00 A4 00"), QString("00G40000"),
                             QString(), QString("00"), QString("00A404"), QString(2 * kSendBufferSize + 2, '0')}) {
    FakeService f;
    PcscState st;
    const PcscOutcome o = Transmit(f, st, bad);
    EXPECT_TRUE(o.lines.isEmpty() && !o.called && f.calls.isEmpty()) << bad.left(9).toStdString();
    EXPECT_EQ(o.message.value().title, "Caution");
    EXPECT_EQ(o.message->text, "Error:Please Check The Data Effective");
  }
  FakeService f;
  PcscState st;
  f.response = QByteArray("\x90\x00", 2);
  EXPECT_EQ(Transmit(f, st, " 00a40000 ").lines,
            Framed({"SCardTransmit Success ", "Send Data:00 A4 00 00 ", "Receive Data:90 00 "}));
  EXPECT_EQ(f.calls, QStringList{"transmit 0"});
  EXPECT_EQ(f.sent, QByteArray("\x00\xA4\x00\x00", 4));
  Transmit(f, st, QString(2 * kSendBufferSize, 'F'));
  EXPECT_EQ(f.sent.size(), kSendBufferSize);
  // No response bytes: the sent bytes are not shown either; exactly 20 bytes end with
  // a line of ten spaces.
  f.response.clear();
  EXPECT_EQ(Transmit(f, st, "0084000008").lines, Framed({"SCardTransmit Success ", "Send Data:", "Receive Data:"}));
  EXPECT_EQ(DumpLines("X:", QByteArray(20, 1)).last(), QString(10, ' '));
  // A service claiming more than the room it was given: the room is read, not past it.
  // The room is 65,548 bytes: an extended response APDU with all its framing.
  f.response = QByteArray(65548 + 7, '\x5A');
  const PcscOutcome big = Transmit(f, st, "00B0000000");
  EXPECT_EQ(big.received, QByteArray(65548, '\x5A'));
  EXPECT_EQ(big.lines.size(), 3282);  // 3,277 full lines and one of 8 bytes, framed
  EXPECT_EQ(big.lines[big.lines.size() - 2], "          5A 5A 5A 5A 5A 5A 5A 5A ");
}
