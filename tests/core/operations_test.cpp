// SPDX-License-Identifier: MIT
// The card machine operations against the simulated reader: frames, decoding, state.
#include "core/base/conversions.h"
#include "core/link/log_format.h"
#include "core/machine/initialize_ops.h"
#include "core/machine/movement_ops.h"
#include "core/machine/status_ops.h"
#include "core/machine/unit_ops.h"
#include "link_fixture.h"

using namespace kvt;
using kvt::test::LinkTest;

class OperationsTest : public LinkTest {
 protected:
  // The bytes the reader got for the last command, as the log's first line shows them.
  QString firstSent() const { return log.text.section("\r\n", 0, 0); }
};

TEST_F(OperationsTest, InitializeCancelledRefusedThenSendingTheChosenOptionAndReadingTheFirmware) {
  log.text = "old";
  Outcome o = Initialize(session, "0", [] { return 0; });
  EXPECT_EQ(o.status, OpStatus::Cancelled);
  EXPECT_TRUE(log.text.isEmpty());  // emptied, no blank line
  fault(sim::FaultKind::Negative, "B0");
  o = Initialize(session, "0", [] { return 0x30; });
  EXPECT_EQ(o.status, OpStatus::Negative);
  EXPECT_FALSE(o.message.has_value());
  EXPECT_EQ(texts(), std::vector<QString>{"Not received Initialize command"});
  EXPECT_FALSE(log.text.contains("43 DC"));  // no firmware request after a refusal

  reader([](sim::Reader& r) { r.setFirmwareVersion("FW-9.9"); });
  o = Initialize(session, "0", [] { return 0x33; });
  EXPECT_EQ(o.status, OpStatus::Done);
  EXPECT_EQ(firstSent(), "SD: F2 00 00 03 43 30 33 03 B2 ");
  EXPECT_TRUE(log.text.contains("SD: F2 00 00 03 43 DC 31 03 "));
  ASSERT_TRUE(o.message.has_value());
  EXPECT_EQ(o.message->title, "INITIALIZE");
  const QStringList lines = o.message->text.split("\r\n");
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(lines[0], "INITIALIZE Success");
  EXPECT_TRUE(lines[1].startsWith("Initialize Information: "));
  EXPECT_EQ(lines[2], "Fireware Ver:FW-9.9");
  EXPECT_TRUE(log.text.endsWith("SD: 06\r\n\r\n"));
  EXPECT_EQ(state.InitializeParameter, 0x33);
}

TEST_F(OperationsTest, EveryMovementSendsItsCodes) {
  reader([](sim::Reader& r) { r.setStackerCards(50); });
  const struct {
    Movement movement;
    const char *sent, *title;
  } rows[] = {
      {Movement::Front, "SD: F2 00 00 03 43 32 39 03 BA ", "Move card to the front"},
      {Movement::FrontHold, "SD: F2 00 00 03 43 32 30 03 B3 ", "Move card to the front"},
      {Movement::IC, "SD: F2 00 00 03 43 32 31 03 B2 ", "Move card to IC card operation position"},
      {Movement::RF, "SD: F2 00 00 03 43 32 32 03 B1 ", "Move card to RF card operation position"},
      {Movement::ErrorBin, "SD: F2 00 00 03 43 32 33 03 B0 ", "Move card to the error card bin"},
      {Movement::AllowEntry, "SD: F2 00 00 03 43 33 30 03 B2 ", "Allowed"},
      {Movement::ForbidEntry, "SD: F2 00 00 03 43 33 31 03 B3 ", "Prohibition"},
  };
  for (const auto& row : rows) {
    const Outcome o = MoveCard(session, "0", row.movement);
    EXPECT_EQ(o.status, OpStatus::Done) << row.sent;
    EXPECT_EQ(firstSent(), row.sent);
    EXPECT_EQ(*o.message, (Message{MessageIcon::Information, row.title, QString(row.title) + " success"}));
  }
  EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(OperationsTest, SensorBytesAreKeptForTheWindow) {
  reader([](sim::Reader& r) { r.setStackerCards(50); r.insertCard(); });
  // The bytes reaching the sensor window are tests/gui's; a refused query leaves them alone.
  EXPECT_EQ(SensorStatus(session, "0").status, OpStatus::Done);
  const QByteArray kept = state.SensorStateBytes;
  EXPECT_EQ(kept.size(), 12);
  fault(sim::FaultKind::Negative, "12");
  EXPECT_EQ(SensorStatus(session, "0").status, OpStatus::Negative);
  EXPECT_EQ(state.SensorStateBytes, kept);
}

TEST_F(OperationsTest, SerialNumberConfigurationAndCounter) {
  reader([](sim::Reader& r) {
    r.setSerialNumber("  KVT 42  ");
    r.setConfiguration("9V200CU1031XYZ");  // longer than the 11-byte record
  });
  EXPECT_EQ(ReadSN(session, "0").status, OpStatus::Done);
  EXPECT_EQ(firstSent(), "SD: F2 00 00 04 43 A2 30 12 03 36 ");
  EXPECT_EQ(SerialNumberText(state), "KVT 42");

  EXPECT_EQ(ReadConfig(session, "0").status, OpStatus::Done);
  EXPECT_EQ(state.ConfigBytes, QByteArray("9V200CU1031"));
  // A short record keeps the older bytes beyond its end.
  reader([](sim::Reader& r) { r.setConfiguration("8V300E"); });
  ReadConfig(session, "0");
  EXPECT_EQ(state.ConfigBytes, QByteArray("8V300EU1031"));

  CounterOutcome c = InitCounter(session, "0", "7");
  EXPECT_EQ(c.counterText.value(), "007");
  EXPECT_TRUE(firstSent().startsWith("SD: F2 00 00 06 43 A5 31 30 30 37 03 "));
  EXPECT_EQ(c.message->text, "InitializeI Counter Success");
  c = ReadCounter(session, "0");
  EXPECT_EQ(c.counterText.value(), "007");
  EXPECT_EQ(c.message->title, "Read Counter");
  EXPECT_EQ(state.UnitTextValue, "007");
}

TEST_F(OperationsTest, PortFlagAndAddressDecideWhatIsSent) {
  state.PortOpened = false;
  log.text = "kept";
  EXPECT_EQ(CardStatus(session, "0").status, OpStatus::PortClosed);
  EXPECT_EQ(InitCounter(session, "0", "1").status, OpStatus::PortClosed);
  EXPECT_EQ(log.text, "kept");
  state.PortOpened = true;
  EXPECT_EQ(InitCounter(session, "Z", "1").status, OpStatus::BadInput);
  EXPECT_EQ(ReadCounter(session, "").status, OpStatus::BadInput);
  EXPECT_EQ(texts(), (std::vector<QString>{kPortSetupFirst, kPortSetupFirst, kDataError, kDataError}));
  int seen = -1;
  reader([&](sim::Reader& r) { seen = r.commandsSeen(); });
  EXPECT_EQ(seen, 0);
  reader([](sim::Reader& r) { r.setAddress(0x0A); });
  EXPECT_EQ(CardStatus(session, "A").status, OpStatus::Done);
  EXPECT_TRUE(firstSent().startsWith("SD: F2 0A 00 03 "));
}

TEST_F(OperationsTest, CardStatusAndRecordDataKeepingOrEmptyingTheLog) {
  EXPECT_EQ(*CardStatus(session, "0").message,
            (Message{MessageIcon::Information, "Card Status",
                     "Card Status Success\r\nNo card in card channel\r\nEnough cards in stacker\r\n"
                     "The error card bin is not full"}));
  CardStatus(session, "0");
  EXPECT_EQ(log.text.count("SD: F2"), 1);
  EXPECT_TRUE(log.text.endsWith("SD: 06\r\n\r\n"));
  log.record = true;
  CardStatus(session, "0");
  EXPECT_EQ(log.text.count("SD: F2"), 2);
}
