// SPDX-License-Identifier: MIT
// The contactless operations against the simulator's card models over a pseudo-terminal:
// the exact frames on the line, the decoded boxes, cells and fields, and the refusals
// that must leave the line silent.
#include "core/link/frame.h"
#include "core/rf/iso_apdu_ops.h"
#include "core/rf/mifare_ops.h"
#include "core/rf/rf_activation_ops.h"
#include "core/rf/ultralight_ops.h"
#include "rf_fixture.h"
#include "sim/cards/iso14443_card.h"

using namespace kvt;
using kvt::test::RfTest;

namespace {

Message info(const char* title, const QString& text) { return {MessageIcon::Information, title, text}; }
Message caution(const char* text) { return {MessageIcon::Warning, "Caution", text}; }

const QStringList kFF = {"FF", "FF", "FF", "FF", "FF", "FF"};
const QString kBlock = "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF";

}  // namespace

TEST_F(RfTest, DetectionAndActivationNameTheCardFillItsFieldsAndChooseItsPage) {
  struct Row {
    const char* kind;
    int order;
    const char* typeText;
    std::optional<RfPage> page;
    QString box;
    QStringList fields;  // the Mifare, Ultralight and Type A serial numbers, the Type A and B answers
  };
  const QString typeA = "The RF Card is activated \r\nthe card in line with ISO / IEC 14443 Type A protocol";
  const QString typeB = "The RF Card is activated \r\nthe card in line with ISO / IEC 14443 Type B protocol";
  const Row rows[] = {
      {"s50", 0, "S50 card", RfPage::S50S70, "The RF Card is activated\r\nMifare one S50 card",
       {"1A02B30C", "", "", "", ""}},
      {"s70", 1, "S70 card", RfPage::S50S70, "The RF Card is activated\r\nMifare one S70 card",
       {"5C7E219A", "", "", "", ""}},
      {"ultralight", 2, "Ultralight card", RfPage::Ultralight, "The RF Card is activated\r\nMifare one UL card",
       {"", "04A13F526B8031", "", "", ""}},
      // The SAK (20) after the Type A serial number is not shown; the answer ends in "KVT730-A".
      {"typea", 0, "Type A CPU", RfPage::TypeA, typeA, {"", "", "045A7319C22E80", "0D780081024B56543733302D41", ""}},
      {"typeb", 3, "Type B CPU", RfPage::TypeB, typeB, {"", "", "", "", "508A3C51E24B565437008181"}},
  };
  const char* letters[] = {"AB", "BA", "A0", "B0"};
  for (const Row& row : rows) {
    insertRf(row.kind);
    const RfTypeOutcome t = RfCardType(session, "0");
    EXPECT_EQ(sentFrame(), hex("F2000003435031 03D0")) << row.kind;
    EXPECT_EQ(*t.message, info("Test RF Type", QStringLiteral("Test RF Type Complete\r\n") + row.typeText));
    EXPECT_EQ(t.page, row.page) << row.kind;

    const ActivateOutcome a = RfActivate(session, "0", row.order);
    EXPECT_EQ(sentFrame(), BuildFrame(0, 0x60, 0x30, letters[row.order])) << row.kind;
    EXPECT_TRUE(a.clearFields);
    EXPECT_EQ(*a.message, info("Activate", row.box)) << row.kind;
    EXPECT_EQ(a.page, row.page) << row.kind;
    const QStringList fields = {a.mifareSn, a.ultralightSn, a.typeASn, a.typeAAnswer, a.typeBAnswer};
    EXPECT_EQ(fields, row.fields) << row.kind;
  }

  // Status and deactivation; "Inquire Status" keeps its first line even without a card.
  EXPECT_EQ(*RfInquireStatus(session, "0").message, info("Inquire Status", "The RF Card is activated\r\nType B CPU card"));
  EXPECT_EQ(sentFrame(), BuildFrame(0, 0x60, 0x32));
  EXPECT_EQ(*RfDeactivate(session, "0").message, info("Deactivate", "Deactivate success"));
  EXPECT_EQ(sentFrame(), BuildFrame(0, 0x60, 0x31));
  EXPECT_EQ(RfInquireStatus(session, "0").message->text, "The RF Card is activated\r\nNon_card");

  // A Type B card under "Type A(Only)": the reader finds nothing; the fields were emptied.
  const ActivateOutcome none = RfActivate(session, "0", 2);
  EXPECT_EQ(none.status, OpStatus::Negative);
  EXPECT_TRUE(none.clearFields);
  EXPECT_FALSE(none.message || none.page);
  EXPECT_EQ(notifier.messages.back().title, "Negative response:63");
  EXPECT_EQ(RfTypeText("21"), "Unknow Error");

  newFrames();
  insertRf("none");
  const RfTypeOutcome empty = RfCardType(session, "0");
  EXPECT_EQ(empty.message->text, "Test RF Type Complete\r\nUnknow Type");
  EXPECT_FALSE(empty.page);
  EXPECT_EQ(newFrames().size(), 1u);  // the type query

  // With the port closed "Activate" neither sends nor clears.
  state.PortOpened = false;
  const ActivateOutcome closed = RfActivate(session, "0", 0);
  EXPECT_EQ(closed.status, OpStatus::PortClosed);
  EXPECT_FALSE(closed.clearFields);
  EXPECT_TRUE(newFrames().empty());
}

// Answers every 0x60 command with fixed data: activation answers no simulated card gives.
struct FixedAnswer : sim::CommandHandler {
  explicit FixedAnswer(sim::Bytes d) : data(std::move(d)) {}
  sim::Reply handle(const sim::Command&, sim::ReaderState&) override { return sim::Reply::ok(data); }
  sim::Bytes data;
};

TEST_F(RfTest, ActivationAnswersOutsideTheTables) {
  const auto answer = [&](sim::Bytes d) {
    reader([&](sim::Reader& r) { r.addHandler(0x60, std::make_unique<FixedAnswer>(d)); });
    return RfActivate(session, "0", 0);
  };
  // A Mifare ATQA of none of the three cards: the box without a name, no field, no page.
  ActivateOutcome a = answer({'M', 0x00, 0x08, 4, 0x1A, 0x02, 0xB3, 0x0C});
  EXPECT_EQ(*a.message, info("Activate", "The RF Card is activated\r\n"));
  EXPECT_FALSE(a.page);
  EXPECT_EQ(a.mifareSn + a.ultralightSn, "");
  // Type A with a 7-byte serial number and nothing after the SAK (L = 20): no answer shown.
  a = answer({'A', 0x00, 0x44, 7, 1, 2, 3, 4, 5, 6, 7, 0x20});
  EXPECT_EQ(a.reply.len, 20);
  EXPECT_EQ(a.typeASn, "01020304050607");
  EXPECT_EQ(a.typeAAnswer, "");
  // An unknown type letter shows nothing; an unknown status code an empty second line.
  a = answer({'X', 1, 2, 3});
  EXPECT_EQ(a.status, OpStatus::Done);
  EXPECT_FALSE(a.message || a.page);
  reader([&](sim::Reader& r) { r.addHandler(0x60, std::make_unique<FixedAnswer>(sim::Bytes{'2', '1'})); });
  EXPECT_EQ(RfInquireStatus(session, "0").message->text, "The RF Card is activated\r\n");
}

TEST_F(RfTest, MifareKeysAuthenticateThenBlocksReadAndWrite) {
  insertRf("s50");
  ASSERT_EQ(RfActivate(session, "0", 0).mifareSn, "1A02B30C");

  // Before any authentication the card refuses: the grid stays, the box has an empty line.
  BlockReadOutcome r = MifareReadBlock(session, "0", 1, 1, 1);
  EXPECT_EQ(sentFrame(), BuildFrame(0, 0x60, 0x33, hex("00B0010101")));
  EXPECT_TRUE(r.cells.isEmpty());
  EXPECT_EQ(*r.message, info("Read block data", "Read block data\r\n\r\n6982"));

  // Sector "27" with KEY B and the key 01..06: a 20-byte frame; an S50 has no sector 39.
  Outcome k = MifareKey(session, "0", MifareKeyOp::Check, 0x27, true, {"01", "02", "03", "04", "05", "06"});
  EXPECT_EQ(sentFrame(), BuildFrame(0, 0x60, 0x33, hex("0020012706010203040506")));
  EXPECT_EQ(*k.message, info("Check Password", "Check Password\r\n\r\n6B00"));
  k = MifareKey(session, "0", MifareKeyOp::Check, 1, false, kFF);
  EXPECT_EQ(*k.message, info("Check Password", "Check Password\r\nExxcute OK\r\n9000"));

  const Outcome w = MifareWriteBlock(session, "0", 1, 1, 1, QString(kBlock).split(' '));
  EXPECT_EQ(sentFrame(), BuildFrame(0, 0x60, 0x33, hex("00D1010101") + hex(kBlock.toLatin1().replace(' ', ""))));
  EXPECT_EQ(*w.message, info("Write Block Data", "Write Block Data\r\nExxcute OK\r\n9000"));
  r = MifareReadBlock(session, "0", 1, 1, 1);
  EXPECT_EQ(r.cells, QString(kBlock).split(' '));
  EXPECT_EQ(r.message->text, "Read block data\r\nExxcute OK\r\n9000");

  // The key memory: download, then load it; the card still has the transport key.
  k = MifareKey(session, "0", MifareKeyOp::Download, 2, false, {"01", "02", "03", "04", "05", "06"});
  EXPECT_EQ(sentData(), hex("00D0000206010203040506"));
  EXPECT_EQ(*k.message, info("Download password to EEPROM", "Download password to EEPROM \r\nExxcute OK\r\n9000"));
  k = MifareKey(session, "0", MifareKeyOp::Load, 2, false, {});  // the cells are not read
  EXPECT_EQ(sentFrame(), BuildFrame(0, 0x60, 0x33, hex("00210002")));
  EXPECT_EQ(*k.message, info("Load password from the EEPROM", "Load password from the EEPROM \r\n\r\n6300"));

  // "Change Password" sends P1 00 even with KEY B; the new key A then opens the sector.
  MifareKey(session, "0", MifareKeyOp::Check, 2, false, kFF);
  k = MifareKey(session, "0", MifareKeyOp::Change, 2, true, {"01", "02", "03", "04", "05", "06"});
  EXPECT_EQ(sentData(), hex("00D5000206010203040506"));
  EXPECT_EQ(k.message->text, "Change Password\r\nExxcute OK\r\n9000");
  EXPECT_EQ(MifareKey(session, "0", MifareKeyOp::Load, 2, false, {}).message->text,
            "Load password from the EEPROM \r\nExxcute OK\r\n9000");

  EXPECT_TRUE(log.text.endsWith("\r\n\r\n"));
}

TEST_F(RfTest, PurseInitialiseIncrementDecrementAndReadBack) {
  insertRf("s70");
  RfActivate(session, "0", 0);
  // Not authenticated: refused by the card, the value box stays.
  Outcome p = PurseChange(session, "0", PurseOp::Increment, 1, 1, "5");
  EXPECT_EQ(*p.message, info("Increment", "Increment\r\n\r\n6982"));
  MifareKey(session, "0", MifareKeyOp::Check, 1, false, kFF);

  // Each step: the operation, its value, the data sent (after the frame's "C", CM and PM)
  // and the box; the value bytes go least significant first.
  const struct {
    PurseOp op;
    const char* value;
    const char* sent;
    Message box;
  } steps[] = {
      {PurseOp::Initialize, "1000", "00D2010104E8030000", info("Initialize", "Initialize success\r\nExxcute OK\r\n9000")},
      {PurseOp::Increment, "234", "00D3010104EA000000", info("Increment", "Increment\r\nExxcute OK\r\n9000")},
      {PurseOp::Decrement, "34", "00D401010422000000", info("Decrement", "Decrement\r\nExxcute OK\r\n9000")},
  };
  for (const auto& st : steps) {
    p = PurseChange(session, "0", st.op, 1, 1, st.value);
    EXPECT_EQ(sentFrame(), BuildFrame(0, 0x60, 0x33, hex(st.sent))) << st.value;
    EXPECT_EQ(*p.message, st.box);
  }
  PurseReadOutcome v = PurseRead(session, "0", 1, 1);
  EXPECT_EQ(sentFrame(), BuildFrame(0, 0x60, 0x33, hex("00B10101")));
  EXPECT_EQ(v.valueText, QString("1200"));
  EXPECT_EQ(*v.message, info("Read", "Read success\r\nExxcute OK\r\n9000"));

  // Below zero the card holds FF FF FF FF, which reads back unsigned.
  PurseChange(session, "0", PurseOp::Decrement, 1, 1, "1201");
  EXPECT_EQ(PurseRead(session, "0", 1, 1).valueText, QString("4294967295"));
  PurseChange(session, "0", PurseOp::Initialize, 1, 1, "2147483647");
  EXPECT_EQ(sentData(), hex("00D2010104FFFFFF7F"));
  p = PurseChange(session, "0", PurseOp::Increment, 1, 1, "1");  // past the card's range
  EXPECT_EQ(p.message->text, "Increment\r\nExecute Error\r\n6F00");

  // A block that holds no value: "Execute Error", the value box untouched.
  v = PurseRead(session, "0", 1, 2);
  EXPECT_FALSE(v.valueText);
  EXPECT_EQ(v.message->text, "Read success\r\nExecute Error\r\n6F00");
  // Sector 0 blocks 1 and 2 and sector 33 block 3 take purses (they are sent).
  MifareKey(session, "0", MifareKeyOp::Check, 0x21, false, kFF);
  EXPECT_EQ(PurseChange(session, "0", PurseOp::Initialize, 0x21, 3, "7").message->text,
            "Initialize success\r\nExxcute OK\r\n9000");
  EXPECT_EQ(PurseRead(session, "0", 0x21, 3).valueText, QString("7"));
  for (int block : {1, 2}) {
    PurseRead(session, "0", 0, block);
    EXPECT_EQ(sentData(), hex("00B100") + char(block));
  }
}

TEST_F(RfTest, RefusedInputSendsNothingAndLeavesNoLineBreak) {
  insertRf("s50");
  RfActivate(session, "0", 0);
  newFrames();
  const QStringList full = QString(kBlock).split(' ');
  QStringList oneEmpty = full;
  oneEmpty[7] = "";
  QStringList shortCell = full;
  shortCell[15] = "A";
  const QStringList keyGap = {"FF", "FF", "", "FF", "FF", "FF"};
  const Message noPurse = caution("The block does not support the purse operation");
  const Message inputFirst = caution("Please input the data first");
  const Message dataError = caution("Error:Please Check The Data Effective");

  struct Case {
    const char* what;
    std::function<Outcome()> run;
    Message box;
  };
  const std::vector<Case> cases = {
      {"check with an empty key cell", [&] { return MifareKey(session, "0", MifareKeyOp::Check, 1, false, keyGap); },
       inputFirst},
      {"change with a non-hex key cell",
       [&] { return MifareKey(session, "0", MifareKeyOp::Change, 1, false, {"FF", "FF", "FF", "FF", "FF", "XY"}); },
       dataError},
      {"manufacturer block", [&] { return MifareWriteBlock(session, "0", 0, 0, 1, full); },
       caution("Write Prohibit In The Block")},
      {"empty cell comes first", [&] { return MifareWriteBlock(session, "0", 0, 0, 1, oneEmpty); }, inputFirst},
      {"one-digit cell", [&] { return MifareWriteBlock(session, "0", 1, 1, 1, shortCell); }, inputFirst},
      {"purse on the manufacturer block", [&] { return PurseChange(session, "0", PurseOp::Initialize, 0, 0, "1"); },
       noPurse},
      {"purse on a trailer", [&] { return PurseChange(session, "0", PurseOp::Increment, 5, 3, "1"); }, noPurse},
      {"purse on a 16-block trailer", [&] { return PurseChange(session, "0", PurseOp::Decrement, 0x20, 15, "1"); },
       noPurse},
      {"purse read on a trailer", [&] { return Outcome(PurseRead(session, "0", 0x27, 15)); }, noPurse},
      {"empty purse value", [&] { return PurseChange(session, "0", PurseOp::Initialize, 1, 1, ""); }, inputFirst},
      {"purse value too large", [&] { return PurseChange(session, "0", PurseOp::Initialize, 1, 1, "2147483648"); },
       dataError},
      {"purse value not decimal", [&] { return PurseChange(session, "0", PurseOp::Increment, 1, 1, "-5"); },
       dataError},
      {"Ultralight page 0", [&] { return UltralightWrite(session, "0", 0, {"11", "22", "33", "44"}); },
       caution("The block is the vendor code area, the block is not written")},
      {"Ultralight page 1 with an empty cell", [&] { return UltralightWrite(session, "0", 1, {"11", "", "33", "44"}); },
       inputFirst},
      {"odd APDU", [&] { return Outcome(SendIsoApdu(session, "0", IsoType::A, "00A40000020")); }, dataError},
      {"APDU of 253 bytes",
       [&] { return Outcome(SendIsoApdu(session, "0", IsoType::B, QString(506, QLatin1Char('0')))); }, dataError},
  };
  for (const Case& c : cases) {
    log.text = "stale";
    const Outcome o = c.run();
    EXPECT_EQ(o.status, OpStatus::BadInput) << c.what;
    ASSERT_TRUE(o.message) << c.what;
    EXPECT_EQ(*o.message, c.box) << c.what;
    EXPECT_TRUE(newFrames().empty()) << c.what;
    EXPECT_EQ(log.text, "") << c.what;  // emptied by the log start, no line break after
  }

  // Trailers and Ultralight page 2 ask first; Cancel sends nothing.
  notifier.answer = false;
  const QString question = "Are you sure to modify\r\nthe password of present sector and control key memory area?";
  for (const auto& run : std::vector<std::function<Outcome()>>{
           [&] { return MifareWriteBlock(session, "0", 5, 3, 1, full); },
           [&] { return MifareWriteBlock(session, "0", 0x21, 15, 1, full); },
           [&] { return UltralightWrite(session, "0", 2, {"00", "00", "00", "00"}); }}) {
    notifier.messages.clear();
    EXPECT_EQ(run().status, OpStatus::Cancelled);
    EXPECT_EQ(notifier.messages, (std::vector<Message>{{MessageIcon::Question, "Caution", question}}));
    EXPECT_TRUE(newFrames().empty());
  }
  // Block 3 of sector 33 is no trailer: written without a question.
  notifier.messages.clear();
  MifareWriteBlock(session, "0", 0x21, 3, 1, full);
  EXPECT_TRUE(notifier.messages.empty());
  EXPECT_EQ(sentData().left(5), hex("00D1210301"));

  state.PortOpened = false;
  notifier.messages.clear();
  EXPECT_EQ(MifareKey(session, "0", MifareKeyOp::Load, 1, false, {}).status, OpStatus::PortClosed);
  EXPECT_EQ(PurseRead(session, "0", 1, 1).status, OpStatus::PortClosed);
  EXPECT_EQ(PurseChange(session, "0", PurseOp::Increment, 1, 1, "1").status, OpStatus::PortClosed);
  EXPECT_FALSE(SendIsoApdu(session, "0", IsoType::A, "0084000008").clearResponse);
  EXPECT_EQ(notifier.messages.size(), 4u);
  EXPECT_EQ(notifier.messages.front(), caution("Comm. Port Setup First"));
  EXPECT_TRUE(newFrames().empty());
}

TEST_F(RfTest, UltralightPagesAndLockBits) {
  insertRf("ultralight");
  ASSERT_EQ(RfActivate(session, "0", 0).ultralightSn, "04A13F526B8031");
  PageReadOutcome r = UltralightRead(session, "0", 4);
  EXPECT_EQ(sentFrame(), BuildFrame(0, 0x60, 0x33, hex("00B0040001")));
  EXPECT_EQ(r.cells, cells("00 00 00 00"));
  EXPECT_EQ(*r.message, info("Read block data", "Read block data\r\nExxcute OK\r\n9000"));

  Outcome w = UltralightWrite(session, "0", 5, cells("11 22 33 44"));
  EXPECT_EQ(sentFrame(), BuildFrame(0, 0x60, 0x33, hex("00D1050001" "11223344")));
  EXPECT_EQ(*w.message, info("Write Block Data", "Write Block Data\r\nExxcute OK\r\n9000"));
  EXPECT_EQ(UltralightRead(session, "0", 5).cells, cells("11 22 33 44"));

  // Page 3 is written without a question; page 2 after OK (what its lock bits do is the
  // simulator card test's).
  notifier.messages.clear();
  UltralightWrite(session, "0", 3, cells("0F 00 00 00"));
  EXPECT_TRUE(notifier.messages.empty());
  w = UltralightWrite(session, "0", 2, cells("00 00 20 00"));
  EXPECT_EQ(notifier.messages.back().icon, MessageIcon::Question);
  EXPECT_EQ(w.message->text, "Write Block Data\r\nExxcute OK\r\n9000");

  // Out of the field: no card answers (63, as for an activation that finds none), no cells.
  reader([](sim::Reader& rd) { rd.setCardPosition(sim::CardPos::Inside, sim::InsideSpot::IcContacts); });
  r = UltralightRead(session, "0", 4);
  EXPECT_EQ(r.status, OpStatus::Negative);
  EXPECT_TRUE(r.cells.isEmpty());
  EXPECT_EQ(notifier.messages.back(),
            (Message{MessageIcon::Information, "Negative response:63",
                     "IC card communication error (IC card does not respond)."}));
}

TEST_F(RfTest, TypeAAndTypeBApdusAndTheirResponses) {
  insertRf("typea");
  RfActivate(session, "0", 0);
  reader([](sim::Reader& r) {
    dynamic_cast<sim::Iso14443Card&>(*r.state().rfCard).setRandom([] { return uint8_t(0xC3); });
  });
  IsoApduOutcome o = SendIsoApdu(session, "0", IsoType::A, "0084000008");
  EXPECT_EQ(sentFrame(), BuildFrame(0, 0x60, 0x34, hex("0084000008")));
  EXPECT_TRUE(o.clearResponse);
  EXPECT_EQ(o.response, "C3C3C3C3C3C3C3C3" "9000");
  EXPECT_EQ(*o.message, info("C-APDU", "Success"));

  // The card's own refusal is shown, not interpreted: still "Success".
  o = SendIsoApdu(session, "0", IsoType::A, "00A40000023F01");
  EXPECT_EQ(o.response, "6A82");
  EXPECT_EQ(o.message->text, "Success");
  // 252 bytes still fit the length byte: 255 after "C", CM and PM.
  SendIsoApdu(session, "0", IsoType::A, QString(504, QLatin1Char('0')));
  EXPECT_EQ(uint8_t(sentFrame()[3]), 0xFF);
  EXPECT_EQ(SendIsoApdu(session, "0", IsoType::A, "").status, OpStatus::Negative);  // 9-byte frame
  EXPECT_EQ(sentFrame(), BuildFrame(0, 0x60, 0x34));

  // The Type B page's parameter code to a Type A card: a negative reply, no response.
  o = SendIsoApdu(session, "0", IsoType::B, "0084000008");
  EXPECT_EQ(sentFrame(), BuildFrame(0, 0x60, 0x35, hex("0084000008")));
  EXPECT_EQ(o.status, OpStatus::Negative);
  EXPECT_TRUE(o.clearResponse);
  EXPECT_EQ(o.response, "");
  EXPECT_FALSE(o.message);
  EXPECT_EQ(notifier.messages.back().title, "Negative response:62");
  // A Type B card's responses are kvt730ctl's rf apdu b test.
}
