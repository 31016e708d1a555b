// The PC/SC operations against a fake service: result lines, error codes, dumps,
// reader names, APDU text checks, the arguments each call gets.
#include <gtest/gtest.h>

#include <functional>

#include "fake_service.h"
#include "link/engine.h"
#include "pcsc/pcsc_ops.h"

using namespace kvt::pcsc;
using pcsc_test::FakeService;

namespace {

QByteArray Bytes(int n, int first = 0) {
  QByteArray b;
  for (int i = 0; i < n; ++i) b.append(char(first + i));
  return b;
}

QStringList Framed(const QStringList& middle) { return QStringList{kSeparator} + middle + QStringList{QString()}; }

}  // namespace

TEST(PcscOps, ErrorLinesPadTheCodeToEightDigitsExceptTransmit) {
  struct Case {
    const char* call;
    std::function<PcscOutcome(FakeService&, PcscState&)> op;
    const char* errorText;
  };
  const std::vector<Case> cases = {
      {"establish", [](FakeService& f, PcscState& s) { return EstablishContext(f, s); }, "SCardEstablishContext Error ("},
      {"list", [](FakeService& f, PcscState& s) { return ListReaders(f, s); }, "SCardListReaders Error ("},
      {"connect", [](FakeService& f, PcscState& s) { return Connect(f, s, "R"); }, "SCardConnect Error ("},
      {"begin", [](FakeService& f, PcscState& s) { return BeginTransaction(f, s); }, "SCardBeginTransaction Error ("},
      {"status", [](FakeService& f, PcscState& s) { return Status(f, s); }, "SCardState Error ("},
      {"end", [](FakeService& f, PcscState& s) { return EndTransaction(f, s); }, "SCardEndTransaction Error ("},
      {"disconnect", [](FakeService& f, PcscState& s) { return Disconnect(f, s); }, "SCardDisconnect Error ("},
      {"release", [](FakeService& f, PcscState& s) { return ReleaseContext(f, s); }, "SCardReleaseContext Error ("},
  };
  for (const Case& c : cases) {
    for (const auto& [code, text] : std::vector<std::pair<LONG, QString>>{
             {6, "00000006"}, {LONG(SCARD_E_NO_SERVICE), "8010001D"}, {0x1234567, "01234567"}}) {
      FakeService f;
      f.results[c.call] = code;
      PcscState st;
      const PcscOutcome o = c.op(f, st);
      EXPECT_EQ(o.lines, Framed({QString::fromLatin1(c.errorText) + text + ")"})) << c.call;
      EXPECT_EQ(st.lastResult, code);
      EXPECT_FALSE(o.ok());
      EXPECT_FALSE(o.readers.has_value());
    }
  }

  FakeService f;
  PcscState st;
  f.results["transmit"] = 6;
  EXPECT_EQ(Transmit(f, st, "00A4").lines, Framed({"SCardTransmit Error 6"}));
  f.results["transmit"] = LONG(SCARD_E_PROTO_MISMATCH);
  EXPECT_EQ(Transmit(f, st, "00A4").lines, Framed({"SCardTransmit Error 8010000F"}));
  EXPECT_EQ(st.lastResult, LONG(SCARD_E_PROTO_MISMATCH));
}

TEST(PcscOps, WholeSequenceGivesTheSuccessLinesAndPassesTheHandles) {
  FakeService f;
  f.readers = QByteArray("Reader One\0Reader Two 01\0Third\0\0", 34);
  f.atr = Bytes(19, 0x3B);
  f.response = Bytes(25, 0xE0);
  f.protocol = SCARD_PROTOCOL_T0;
  PcscState st;

  EXPECT_EQ(EstablishContext(f, st).lines, Framed({"SCardEstablishContext Success"}));
  EXPECT_EQ(f.scope, DWORD(SCARD_SCOPE_USER));
  EXPECT_EQ(st.context, f.context);

  const PcscOutcome list = ListReaders(f, st);
  EXPECT_EQ(list.lines, Framed({"SCardListReaders Success"}));
  ASSERT_TRUE(list.readers.has_value());
  EXPECT_EQ(*list.readers, (QStringList{"Reader One", "Reader Two 01", "Third"}));

  EXPECT_EQ(Connect(f, st, "Reader Two 01").lines, Framed({"SCardConnect Success"}));
  EXPECT_EQ(f.readerName, QByteArray("Reader Two 01"));
  EXPECT_EQ(f.shareMode, DWORD(SCARD_SHARE_EXCLUSIVE));
  EXPECT_EQ(f.preferredProtocols, DWORD(SCARD_PROTOCOL_T0));
  EXPECT_EQ(st.card, f.card);

  EXPECT_EQ(BeginTransaction(f, st).lines, Framed({"SCardBeginTransaction Success"}));
  // A 19-byte ATR: the sign space and the number's own digits.
  EXPECT_EQ(Status(f, st).lines,
            Framed({"SCardState Success",
                    "ATR : 3B 3C 3D 3E 3F 40 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D ", "ATR Longth :  19"}));
  EXPECT_EQ(f.atrRoom, DWORD(33));

  // A 25-byte response: 20 bytes after the label, then ten spaces and 5 bytes.
  const PcscOutcome t = Transmit(f, st, "00A40400023F00");
  EXPECT_EQ(t.lines, Framed({"SCardTransmit Success ", "Send Data:00 A4 04 00 02 3F 00 ",
                             "Receive Data:E0 E1 E2 E3 E4 E5 E6 E7 E8 E9 EA EB EC ED EE EF F0 F1 F2 F3 ",
                             "          F4 F5 F6 F7 F8 "}));
  EXPECT_EQ(f.sendHeaderProtocol, DWORD(SCARD_PROTOCOL_T0));  // the protocol Connect gave
  EXPECT_EQ(f.sendHeaderLength, DWORD(sizeof(SCARD_IO_REQUEST)));
  EXPECT_TRUE(f.sameHeader);
  EXPECT_GE(f.receiveRoom, DWORD(65536 + 2));

  EXPECT_EQ(EndTransaction(f, st).lines, Framed({"SCardEndTransaction Success"}));
  EXPECT_EQ(Disconnect(f, st).lines, Framed({"SCardDisconnect Success"}));
  EXPECT_EQ(ReleaseContext(f, st).lines, Framed({"SCardReleaseContext Success"}));
  const QString card = QString::number(f.card), context = QString::number(f.context);
  EXPECT_EQ(f.calls, (QStringList{"establish", "list " + context, "connect " + context, "begin " + card,
                                  "status " + card, "transmit " + card, "end " + card + " 0",
                                  "disconnect " + card + " 1", "release " + context}));
}

TEST(PcscOps, ApduTextIsRefusedOrSentAsTheWindowReadsIt) {
  const kvt::Message refusal{kvt::MessageIcon::Warning, kvt::kCaution, kvt::kDataError};
  EXPECT_EQ(refusal.text, QStringLiteral("Error:Please Check The Data Effective"));
  // Odd length before trimming (even after), odd after trimming, a non-hex digit, too long.
  for (const QString& bad : {QStringLiteral(" 00A4"), QStringLiteral("00A40 "), QStringLiteral("00G4"),
                             QStringLiteral("00 A4 00"), QString(2 * (kSendBufferSize + 1), QLatin1Char('0'))}) {
    FakeService f;
    PcscState st;
    st.lastResult = 77;
    const PcscOutcome o = Transmit(f, st, bad);
    EXPECT_FALSE(o.called) << bad.left(12).toStdString();
    EXPECT_TRUE(o.lines.isEmpty());
    ASSERT_TRUE(o.message.has_value());
    EXPECT_EQ(*o.message, refusal);
    EXPECT_TRUE(f.calls.isEmpty());
    EXPECT_EQ(st.lastResult, 77);
  }

  FakeService f;
  PcscState st;
  f.response = QByteArray("\x90\x00", 2);
  Transmit(f, st, QString(2 * kSendBufferSize, QLatin1Char('F')));
  EXPECT_EQ(f.sendLength, DWORD(kSendBufferSize));
  Transmit(f, st, QStringLiteral(" 00a4 "));  // surrounding blanks go, lower case is hex
  EXPECT_EQ(f.sent, QByteArray("\x00\xA4", 2));

  // Empty text: a call with length 0.
  EXPECT_EQ(Transmit(f, st, QString()).lines,
            Framed({"SCardTransmit Success ", "Send Data:", "Receive Data:90 00 "}));
  EXPECT_EQ(f.sendLength, DWORD(0));

  // No response bytes: both labels alone, the sent bytes are not shown.
  f.response.clear();
  EXPECT_EQ(Transmit(f, st, QStringLiteral("0084000008")).lines,
            Framed({"SCardTransmit Success ", "Send Data:", "Receive Data:"}));
}

TEST(PcscOps, DumpsBreakAfterEveryTwentyBytes) {
  EXPECT_EQ(DumpLines("Send Data:", {}), QStringList{"Send Data:"});
  const QStringList twenty = DumpLines("Receive Data:", Bytes(20, 1));
  ASSERT_EQ(twenty.size(), 2);
  EXPECT_EQ(twenty[0], "Receive Data:01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 ");
  EXPECT_EQ(twenty[1], QString(10, ' '));
  const QStringList long41 = DumpLines("Send Data:", Bytes(41));
  ASSERT_EQ(long41.size(), 3);
  EXPECT_TRUE(long41[1].startsWith(QString(10, ' ') + "14 15 "));
  EXPECT_EQ(long41[2], QString(10, ' ') + "28 ");
}

TEST(PcscOps, ReaderNamesStopAtAnEmptyNameOrTheEndOfTheBuffer) {
  const char all[] = "A\0BB\0\0C\0";
  EXPECT_EQ(SplitReaderNames(all, sizeof all), (QStringList{"A", "BB"}));
  const char unterminated[] = {'X', '\0', 'Y', 'Z'};
  EXPECT_EQ(SplitReaderNames(unterminated, 4), (QStringList{"X", "YZ"}));
  EXPECT_TRUE(SplitReaderNames("\0A", 3).isEmpty());

  // An empty list that the service calls a success clears the box.
  FakeService f;
  f.readers = QByteArray(1, '\0');
  PcscState st;
  const PcscOutcome o = ListReaders(f, st);
  ASSERT_TRUE(o.readers.has_value());
  EXPECT_TRUE(o.readers->isEmpty());
  EXPECT_GE(f.readerRoom, DWORD(16 * 128));
}

TEST(PcscOps, UnloadGivesBackWhatIsHeldAndFailedCallsKeepTheHandles) {
  FakeService f;
  PcscState st;
  EstablishContext(f, st);
  f.results["connect"] = LONG(SCARD_E_NO_SMARTCARD);
  Connect(f, st, "R");
  EXPECT_EQ(st.card, 0);
  EXPECT_EQ(st.lastResult, LONG(SCARD_E_NO_SMARTCARD));
  f.calls.clear();
  Unload(f, st);
  EXPECT_EQ(f.calls, (QStringList{"end 0 0", "disconnect 0 1", "release " + QString::number(f.context)}));
}
