// SPDX-License-Identifier: MIT
// ExecuteScriptCommand over a real QSerialPort on a pseudo-terminal, against the simulated
// reader and its faults: the exact list entries, the failures, Stop and Cancel, the caps.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "core/cmdline/script_parse.h"
#include "core/cmdline/script_transport.h"
#include "core/link/engine.h"
#include "core/link_fixture.h"

namespace kvt::test {
namespace {

const QString kStamp = QStringLiteral("[2013/09/09      14:05:07:42]");

ScriptTimeouts Fast() { return {1000, 1500, 1000, 300}; }

class ScriptTransportTest : public LinkTest {
 protected:
  ScriptTransportTest() {
    transport.now = [] { return QDateTime(QDate(2013, 9, 9), QTime(14, 5, 7, 42)); };
    transport.clearHighlight = [this] { ++unmarks; };
  }
  int exec(const char* line, ReplyBuffer& reply) {
    const ScriptFrame f = ParseScriptLine(QString::fromLatin1(line), 0);
    EXPECT_TRUE(f.ok()) << line;
    return transport.ExecuteScriptCommand(f.frame, reply);
  }

  StringEntryList lstResults;
  StringEntryList CmdStrBackList;
  ScriptTransport transport{state, port, notifier, lstResults, CmdStrBackList, Fast()};
  int unmarks = 0;
};

TEST_F(ScriptTransportTest, RepliesListByteForByte) {
  ReplyBuffer reply;
  ASSERT_EQ(exec("C10", reply), 0);
  EXPECT_EQ(lstResults.entries, (QStringList{"SD: F2 00 00 03 43 31 30 03 B0 ", "RD: 06",
                                             "RD: F2 00 00 06 50 31 30 30 32 30 03 94 ", "SD: 06", ""}));
  EXPECT_EQ(CmdStrBackList.entries,
            (QStringList{kCommandRule, kStamp, "Command:31h,  Parameter:30h", "Data(Hex):<No data>", "",
                         kReplyRule, kStamp, "Reply type=<Positive reply>",
                         "Command:31h,  Parameter:30h Status code:020", "Data(Hex):<No data>", ""}));
  EXPECT_EQ(reply.len, 8);
  EXPECT_EQ(reply.bytes, QByteArray::fromHex("50313030323003 94"));
  // Not the port's whole read buffer (64 KiB) behind eight bytes: a long run keeps replies.
  EXPECT_LT(reply.bytes.capacity(), 64);

  // A negative reply is only decoded: no message box.
  fault(sim::FaultKind::Negative, "10");
  ASSERT_EQ(exec("C10", reply), 0);
  EXPECT_EQ(lstResults.entries.mid(5 + 2, 1), QStringList{"RD: F2 00 00 05 4E 31 30 31 30 03 BA "});
  EXPECT_EQ(CmdStrBackList.entries.mid(11 + 7, 3),
            (QStringList{"Reply type=<Negative reply>", "Command:31h,  Parameter:30h Status code:10",
                         "Data(Hex):<No data>"}));
  EXPECT_TRUE(notifier.messages.empty());

  // The firmware version, 17 data bytes and 29 bytes on the line, wraps in both lists.
  fault(sim::FaultKind::None);
  lstResults.clear();
  CmdStrBackList.clear();
  ASSERT_EQ(exec("C$DC1", reply), 0);
  EXPECT_EQ(lstResults.entries.mid(2, 2),
            (QStringList{"RD: F2 00 00 17 50 DC 31 30 32 30 4B 56 54 37 33 30 2D 52 41 56 49 20 56 31 2E ",
                         "    30 35 03 59 "}));
  EXPECT_EQ(CmdStrBackList.entries.mid(9, 2),
            (QStringList{"Data(Hex):4B 56 54 37 33 30 2D 52  - 41 56 49 20 56 31 2E 30 ",
                         "          35 "}));
}

TEST_F(ScriptTransportTest, MissingOrRefusedAcknowledgementFailsOnce) {
  for (const auto kind : {sim::FaultKind::Silent, sim::FaultKind::Nak}) {
    lstResults.clear();
    CmdStrBackList.clear();
    notifier.messages.clear();
    fault(kind);
    ReplyBuffer reply;
    EXPECT_EQ(exec("C10", reply), -1);
    EXPECT_EQ(CmdStrBackList.entries.mid(5),
              (QStringList{kReplyRule, kStamp, "Reply type='ReplyTimeout'", "", "ExecuteCommand failed: 6h", "",
                           ""}));
    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_EQ(notifier.messages[0], (Message{MessageIcon::Warning, kCaution, kUnitNotDetected}));
    const QStringList raw = kind == sim::FaultKind::Nak
                                ? QStringList{"SD: F2 00 00 03 43 31 30 03 B0 ", "RD: 15"}
                                : QStringList{"SD: F2 00 00 03 43 31 30 03 B0 "};
    EXPECT_EQ(lstResults.entries, raw);
  }
  // Each command went to the reader once: nothing was sent again.
  reader([](sim::Reader& r) { EXPECT_EQ(r.commandsSeen(), 2); });

  // A silent reader is given up after the runner's own short wait for the ACK, half a
  // second, not the button operations' three.
  transport.setTimeouts(ScriptTimeouts{});
  fault(sim::FaultKind::Silent);
  ReplyBuffer reply;
  QElapsedTimer t;
  t.start();
  EXPECT_EQ(exec("C10", reply), -1);
  EXPECT_GE(t.elapsed(), 450);
  EXPECT_LT(t.elapsed(), 2000);
}

TEST_F(ScriptTransportTest, MissingHeaderSendsEotAndMissingRemainderIsADataFailure) {
  fault(sim::FaultKind::AckThenSilence);
  ReplyBuffer reply;
  reply.len = 5;
  EXPECT_EQ(exec("C10", reply), -2);
  EXPECT_EQ(reply.len, 0);
  EXPECT_EQ(lstResults.entries, (QStringList{"SD: F2 00 00 03 43 31 30 03 B0 ", "RD: 06", "SD: 04"}));
  EXPECT_EQ(notifier.messages.back().text, kTimeOut);
  EXPECT_EQ(host.received().back(), EOT);

  fault(sim::FaultKind::ShortRemainder);
  EXPECT_EQ(exec("C10", reply), -1);
  EXPECT_EQ(notifier.messages.back(), (Message{MessageIcon::Warning, kCaution, kDataError}));
  EXPECT_EQ(CmdStrBackList.entries.mid(CmdStrBackList.count() - 2), (QStringList{"", ""}));
}

TEST_F(ScriptTransportTest, StopAndCancelTakeEffectBeforeSending) {
  // A Stop clicked while the window handles its pending input.
  transport.processPendingInput = [this] { state.RunControl = ScriptControl::Stop; };
  state.LineCount = 3;
  state.CurrentLine = 2;
  ReplyBuffer reply;
  reply.len = 5;
  EXPECT_EQ(exec("C10", reply), -2);
  EXPECT_EQ(reply.len, 0);
  EXPECT_TRUE(host.received().empty());
  EXPECT_EQ(CmdStrBackList.entries, (QStringList{kReplyRule, kStamp, "Reply type='User Stop'", "", ""}));
  EXPECT_EQ(lstResults.entries, QStringList{""});
  EXPECT_EQ(notifier.messages.back(), (Message{MessageIcon::Warning, kCaution, kStopMessage}));
  EXPECT_EQ(state.CurrentLine, 0);
  EXPECT_EQ(unmarks, 1);

  transport.processPendingInput = [this] { state.RunControl = ScriptControl::Cancel; };
  EXPECT_EQ(exec("C10", reply), -2);
  EXPECT_EQ(host.received(), std::vector<uint8_t>{EOT});
  EXPECT_EQ(lstResults.entries.last(), QStringLiteral("SD: 04"));
  EXPECT_EQ(notifier.messages.back(), (Message{MessageIcon::Warning, kCaution, kCancelMessage}));
  EXPECT_EQ(unmarks, 2);
}

TEST_F(ScriptTransportTest, ListsOver500EntriesStartAgainAndAClosedPortSendsNothing) {
  for (int i = 0; i < 501; ++i) lstResults.add(QStringLiteral("old"));
  for (int i = 0; i < 500; ++i) CmdStrBackList.add(QStringLiteral("old"));
  ReplyBuffer reply;
  ASSERT_EQ(exec("C10", reply), 0);
  EXPECT_EQ(lstResults.count(), 5);
  EXPECT_EQ(lstResults.entries.first(), QStringLiteral("SD: F2 00 00 03 43 31 30 03 B0 "));
  EXPECT_EQ(CmdStrBackList.count(), 511);  // 500 is not yet more than the cap

  // With the port flag clear nothing is sent and the reply stays as it was.
  state.PortOpened = false;
  reply.len = 5;
  EXPECT_EQ(exec("C10", reply), 0);
  EXPECT_EQ(reply.len, 5);
  EXPECT_EQ(notifier.messages.back(), (Message{MessageIcon::Warning, kCaution, kPortSetupFirst}));
  EXPECT_EQ(lstResults.count(), 5);
}

}  // namespace
}  // namespace kvt::test
