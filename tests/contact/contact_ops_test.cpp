// SPDX-License-Identifier: MIT
// The contact card operations against the simulated reader's card models: the exact frames
// on the line, the decoded texts, and the data-error guard.
#include "contact_fixture.h"
#include "core/contact/chip_card_ops.h"
#include "core/contact/eeprom24_ops.h"
#include "core/contact/ic_type_ops.h"
#include "core/contact/sle4428_ops.h"
#include "core/contact/sle4442_ops.h"
#include "core/link/engine.h"
#include "sim/cards/memory_cards.h"

using namespace kvt;
using kvt::test::ContactTest;

namespace {

QStringList cellsOf(const QByteArray& bytes, int total = kIcGridCells) {
  QStringList cells;
  for (char c : bytes) cells << QString::fromLatin1(QByteArray(1, c).toHex().toUpper());
  while (cells.size() < total) cells << QString();
  return cells;
}

QString text(const Outcome& o) { return o.message ? o.message->text : QStringLiteral("<none>"); }

const Message kDataErrorBox{MessageIcon::Warning, "Caution", "Error:Please Check The Data Effective"};

}  // namespace

TEST_F(ContactTest, IcTypeNamesEveryChipAndChoosesItsPage) {
  struct Row {
    const char* kind;
    const char* text;
    std::optional<IcPage> page;
  };
  const Row rows[] = {
      {"cpu-t0", "T=0 CPU Card", IcPage::CpuSam},   {"cpu-t1", "T=1 CPU Card", IcPage::CpuSam},
      {"sle4442", "SLE4442 Card", IcPage::Sle4442}, {"sle4428", "SLE4428 Card", IcPage::Sle4428},
      {"24c01", "24C01 Card", IcPage::Eeprom24},    {"24c16", "24C16 Card", IcPage::Eeprom24},
      {"24c256", "24C256 Card", IcPage::Eeprom24},  {"24c512", "Unknow Error", std::nullopt},
      {"none", "Unknow Type", std::nullopt},
  };
  for (const Row& row : rows) {
    insert(row.kind);
    const IcTypeOutcome o = IcCardType(session, "0");
    EXPECT_EQ(sentFrame(), hex("F2000003435030 03D1")) << row.kind;
    ASSERT_TRUE(o.message) << row.kind;
    EXPECT_EQ(*o.message, (Message{MessageIcon::Information, "Test IC Type",
                                   QStringLiteral("Test IC Type Complete\r\n") + row.text}))
        << row.kind;
    EXPECT_EQ(o.page, row.page) << row.kind;
  }
  EXPECT_EQ(IcTypeText(" 22"), "Unknow Error");
  // No card at the contacts: the reader refuses, no type box, no page.
  reader([](sim::Reader& r) { r.setCardPosition(sim::CardPos::Front); });
  const IcTypeOutcome o = IcCardType(session, "0");
  EXPECT_EQ(o.status, OpStatus::Negative);
  EXPECT_FALSE(o.message || o.page);
  EXPECT_EQ(notifier.messages.back().title, "Negative response:02");
}

TEST_F(ContactTest, Sle4442PowerReadsWritesAndNeedsTheCode) {
  insert("sle4442");
  EXPECT_EQ(text(SleInquireStatus(session, "0")), "SLE4442/4428 Deactivated");
  EXPECT_EQ(sentData(), QByteArray());
  const Outcome up = SleActivate(session, "0");
  EXPECT_EQ(sentFrame(), hex("F2000003435330 03D2"));
  EXPECT_EQ(*up.message, (Message{MessageIcon::Information, "Activate", "SLE4442 Activate success"}));
  EXPECT_EQ(text(SleInquireStatus(session, "0")), "SLE4442 Activated");
  newFrames();
  GridOutcome o = RunSle4442(session, "0", Sle4442Op::ReadMain, {});
  EXPECT_EQ(sentFrame(), hex("F200000843533300B0000080 03EA"));
  EXPECT_TRUE(o.clearGrid);
  ASSERT_EQ(o.cells.size(), 128);
  EXPECT_EQ(o.cells.mid(0, 5), QStringList({"A2", "13", "10", "91", "FF"}));
  EXPECT_EQ(*o.message, (Message{MessageIcon::Information, "Transmit Command", "Execute OK\r\n9000"}));

  // Each step: operation, address, length, the cells written, then the box text, the data
  // of the frame sent ("" when not looked at) and the cells read.
  const QString ok = "Execute OK\r\n9000", error = "Execute Error\r\n6F00";
  const struct {
    Sle4442Op op;
    const char *address, *length, *cells;
    QString text;
    const char *sent, *read;
  } steps[] = {
      {Sle4442Op::WriteMain, "10", "03", "0A1B2C", error, "00D00010030A1B2C", ""},  // the code first
      {Sle4442Op::Verify, "10", "03", "", ok, "0020030103FFFFFF", ""},
      {Sle4442Op::ReadSecurity, "10", "03", "", "Execute OK\r\n07FFFFFF\r\n9000", "00B0020004", ""},
      {Sle4442Op::WriteMain, "10", "03", "0A1B2C", ok, "", ""},
      {Sle4442Op::ReadMain, "10", "03", "", ok, "", "0A1B2C"},  // fewer bytes: only those cells
      // The ATR bytes are protected: other values fail, the same values pass.
      {Sle4442Op::WriteMain, "00", "02", "0000", error, "", ""},
      {Sle4442Op::WriteMain, "00", "02", "A213", ok, "", ""},
      // Protecting bytes 10 to 12 needs their present values; the bits then read as cleared.
      {Sle4442Op::WriteProtection, "10", "03", "0A1B00", error, "", ""},
      {Sle4442Op::WriteProtection, "10", "03", "0A1B2C", ok, "00D00110030A1B2C", ""},
      {Sle4442Op::ReadProtection, "00", "04", "", ok, "00B0010004", "F0FFF8FF"},
  };
  for (const auto& st : steps) {
    Sle4442Fields f;
    f.address = st.address;
    f.length = st.length;
    o = RunSle4442(session, "0", st.op, f, cellsOf(hex(st.cells)));
    EXPECT_EQ(text(o), st.text) << st.sent << st.cells;
    if (*st.sent) { EXPECT_EQ(sentData(), hex(st.sent)); }
    if (*st.read) { EXPECT_EQ(o.cells, cellsOf(hex(st.read), 0)); }
  }

  // A new code, then the old one is wrong.
  const Sle4442Fields code{"", "", "12", "34", "56"};
  EXPECT_EQ(text(RunSle4442(session, "0", Sle4442Op::ChangeCode, code)), ok);
  EXPECT_EQ(sentData(), hex("00D0020103 123456"));
  MemoryCardDeactivate(session, "0");
  SleActivate(session, "0");
  EXPECT_EQ(text(RunSle4442(session, "0", Sle4442Op::Verify, Sle4442Fields{})), "Verification Password error\r\n6F01");
  EXPECT_EQ(text(RunSle4442(session, "0", Sle4442Op::Verify, code)), ok);

  // An answer to reset other than the two known ones shows no box; the log has the exchange.
  reader([](sim::Reader& r) {
    auto* card = dynamic_cast<sim::Sle4442Card*>(r.state().icChip.get());
    card->setProtected(0, false);
    card->setByte(0, 0xA3);
  });
  const Outcome other = SleActivate(session, "0");
  EXPECT_EQ(other.status, OpStatus::Done);
  EXPECT_FALSE(other.message);
  EXPECT_TRUE(log.text.contains("RD: "));
}

TEST_F(ContactTest, WrongCodesBlockTheCard) {
  const QString wrong = "Verification Password error\r\n6F01";
  const QString blocked =
      "Card has been scrapped (password validation error over the number of cards permit error)\r\n6F02";
  insert("sle4442");  // three tries
  SleActivate(session, "0");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(text(RunSle4442(session, "0", Sle4442Op::Verify, {"", "", "FF", "FF", "FE"})), wrong);
  EXPECT_EQ(text(RunSle4442(session, "0", Sle4442Op::Verify, {})), blocked);  // even the right code
  EXPECT_EQ(text(RunSle4442(session, "0", Sle4442Op::ReadSecurity, {})), "Execute OK\r\n00000000\r\n9000");

  insert("sle4428");  // eight tries
  SleActivate(session, "0");
  for (int i = 0; i < 8; ++i) EXPECT_EQ(text(RunSle4428(session, "0", Sle4428Op::CheckCode, {"", "", "", "00"})), wrong);
  EXPECT_EQ(text(RunSle4428(session, "0", Sle4428Op::CheckCode, {})), blocked);
  EXPECT_EQ(text(RunSle4428(session, "0", Sle4428Op::ChangeCode, {})), "Execute Error\r\n6F00");
}

TEST_F(ContactTest, Sle4428AddressesProtectionBitsAndWarning) {
  insert("sle4428");
  EXPECT_EQ(text(SleActivate(session, "0")), "SLE4428 Activate success");
  EXPECT_EQ(text(SleInquireStatus(session, "0")), "SLE4428 Activated");
  newFrames();
  // Each step: operation, high and low address, length, the cells written, then the box
  // text ("" when not looked at), the data of the frame sent and the cells read.
  const QString ok = "Execute OK\r\n9000";
  const QString p1p2 = "Parameter(P1/P2) is error and  Command Cannot be Executed\r\n6B00";
  const struct {
    Sle4428Op op;
    const char *high, *low, *length, *cells;
    QString text;
    const char *sent, *read;
  } steps[] = {
      {Sle4428Op::CheckCode, "00", "00", "80", "", ok, "0020000002FFFF", ""},
      {Sle4428Op::ReadMain, "03", "F0", "10", "", ok, "00B003F010", "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF"},
      {Sle4428Op::ReadMain, "03", "F0", "81", "",  // the card takes at most 80
       "The lenth of Lc is overflow and Command Cannot be Executed\r\n6700", "", ""},
      // With and without protection bit: P1 0x21 and 0x01 for the high address 01.
      {Sle4428Op::WriteProtected, "01", "00", "02", "5566", ok, "00D0210002" "5566", ""},
      {Sle4428Op::Write, "01", "00", "02", "5567", "Execute Error\r\n6F00", "00D0010002" "5567", ""},
      // The protection read always sends P1 0x10 with the low byte only.
      {Sle4428Op::ReadProtection, "02", "FF", "02", "", ok, "00B010FF02", "0100"},  // 0FF writable, 100 not
      {Sle4428Op::ReadProtection, "02", "00", "05", "", ok, "", "0000000001"},       // the ATR bytes
      // High address above 3: the warning, then the frame all the same; only the second
      // digit goes into P1; a one-digit high address writes like its two-digit form.
      {Sle4428Op::Write, "05", "00", "01", "11", p1p2, "00D0050001" "11", ""},
      {Sle4428Op::WriteProtected, "13", "00", "01", "11", "", "00D0230001" "11", ""},
      {Sle4428Op::Write, "3", "00", "01", "11", "", "00D0030001" "11", ""},
  };
  for (const auto& st : steps) {
    Sle4428Fields f;
    f.high = st.high;
    f.low = st.low;
    f.length = st.length;
    const GridOutcome o = RunSle4428(session, "0", st.op, f, cellsOf(hex(st.cells)));
    if (!st.text.isEmpty()) { EXPECT_EQ(text(o), st.text) << st.high << st.low << st.length; }
    if (*st.sent) { EXPECT_EQ(sentData(), hex(st.sent)); }
    if (*st.read) { EXPECT_EQ(o.cells, cellsOf(hex(st.read), 0)); }
  }
  ASSERT_EQ(notifier.messages.size(), 2u);  // for 05 and 13
  EXPECT_EQ(notifier.messages[1], (Message{MessageIcon::Warning, "Caution", "Address out of range"}));
}

TEST_F(ContactTest, Eeprom24EverySizeAndItsEnd) {
  const struct {
    const char* kind;
    const char* name;
    int size;
  } sizes[] = {{"24c01", "24C01", 0x80},     {"24c02", "24C02", 0x100},   {"24c04", "24C04", 0x200},
               {"24c08", "24C08", 0x400},    {"24c16", "24C16", 0x800},   {"24c32", "24C32", 0x1000},
               {"24c64", "24C64", 0x2000},   {"24c128", "24C128", 0x4000}, {"24c256", "24C256", 0x8000},
               {"24c512", "24C512", 0x10000}};
  for (const auto& c : sizes) {
    insert(c.kind);
    newFrames();
    EXPECT_EQ(text(Eeprom24Activate(session, "0")), QString(c.name) + " Activate Success");
    EXPECT_EQ(sentFrame(), hex("F20000044354303003E2"));
    const Outcome st = Eeprom24InquireStatus(session, "0");
    EXPECT_EQ(sentFrame(), hex("F2000003435432 03D7"));
    if (c.size < 0x10000) EXPECT_EQ(*st.message, (Message{MessageIcon::Information, "Inquire Status)",
                                                          QString(c.name) + " actived"}));
    else EXPECT_FALSE(st.message);  // the status table stops at the 24C256

    const int last = c.size - 0x10;
    Eeprom24Fields f{QString::number(last >> 8, 16), QString::number(last & 0xFF, 16), "10"};
    const QStringList data = cellsOf(QByteArray(16, char(0x5A)));
    EXPECT_EQ(text(Eeprom24Write(session, "0", f, data)), "Execute OK\r\n9000") << c.kind;
    EXPECT_EQ(Eeprom24Read(session, "0", f).cells, data.mid(0, 16)) << c.kind;
    f.length = "11";  // one byte past the end
    EXPECT_EQ(text(Eeprom24Read(session, "0", f)), "Parameter(P1/P2) is error and  Command Cannot be Executed\r\n6B00");
    newFrames();
  }
  const Outcome down = MemoryCardDeactivate(session, "0");
  EXPECT_EQ(sentFrame(), hex("F2000003435331 03D3"));
  EXPECT_EQ(*down.message, (Message{MessageIcon::Information, "Deactivate", "Deactivate success"}));
  EXPECT_EQ(text(Eeprom24InquireStatus(session, "0")), "Non_card(24CXXX) actived");

  insert("24c08");
  Eeprom24Activate(session, "0");
  newFrames();
  const GridOutcome o = Eeprom24Read(session, "0", Eeprom24Fields{"01", "80", "40"});
  EXPECT_EQ(sentData(), hex("00B0018040"));
  EXPECT_EQ(o.cells.size(), 64);
}

TEST_F(ContactTest, DataErrorsAndAClosedPortSendNothing) {
  insert("sle4442");
  SleActivate(session, "0");
  newFrames();
  const QStringList grid = cellsOf(QByteArray(128, char(0x11)));
  QStringList shortRun = cellsOf(hex("12"));
  struct Case {
    const char* what;
    std::function<GridOutcome()> run;
  };
  auto with4442 = [&](Sle4442Op op, QString add, QString len, QStringList cells = {}) {
    return [=] {
      Sle4442Fields f;
      f.address = add;
      f.length = len;
      return RunSle4442(session, "0", op, f, cells);
    };
  };
  const Case cases[] = {
      {"empty field", with4442(Sle4442Op::ReadMain, "", "80")},
      {"not hex", with4442(Sle4442Op::ReadMain, "G1", "80")},
      {"above FF", with4442(Sle4442Op::ReadProtection, "00", "100")},
      {"short run", with4442(Sle4442Op::WriteMain, "00", "03", shortRun)},
      {"past the grid", with4442(Sle4442Op::WriteMain, "00", "81", grid)},
      {"bad code byte", [&] {
         Sle4442Fields f;
         f.pass2 = "";
         return RunSle4442(session, "0", Sle4442Op::Verify, f);
       }},
      {"4428 empty length", [&] {
         Sle4428Fields f;
         f.length = "";
         return RunSle4428(session, "0", Sle4428Op::ReadMain, f);
       }},
      {"24Cxx past the grid", [&] { return Eeprom24Write(session, "0", Eeprom24Fields{"00", "00", "FF"}, grid); }},
  };
  for (const Case& c : cases) {
    log.text.clear();
    const GridOutcome o = c.run();
    EXPECT_EQ(o.status, OpStatus::BadInput) << c.what;
    EXPECT_EQ(o.message, kDataErrorBox) << c.what;
    EXPECT_EQ(log.text, "\r\n") << c.what;  // no exchange, only the closing line
    EXPECT_TRUE(newFrames().empty()) << c.what;
  }

  // A write of length 00 is no error: a frame of 14 bytes without data.
  RunSle4442(session, "0", Sle4442Op::WriteMain, Sle4442Fields{"00", "00"}, {});
  EXPECT_EQ(sentFrame().size(), 14);

  // The 4428 warning comes first, then the data error; nothing is sent.
  insert("sle4428");
  Sle4428Fields f;
  f.high = "05";
  f.length = "";
  const GridOutcome o = RunSle4428(session, "0", Sle4428Op::Write, f, grid);
  EXPECT_EQ(notifier.messages.back().text, "Address out of range");
  EXPECT_EQ(o.message, kDataErrorBox);
  EXPECT_TRUE(newFrames().empty());

  // With the port closed nothing is logged either.
  state.PortOpened = false;
  notifier.messages.clear();
  log.text = "kept";
  EXPECT_EQ(ChipCardStatus(session, "0", ChipGroup::Cpu).status, OpStatus::PortClosed);
  EXPECT_EQ(ChipDeactivate(session, "0", ChipGroup::Sam).status, OpStatus::PortClosed);
  EXPECT_EQ(RunSle4442(session, "0", Sle4442Op::ReadMain, {}).status, OpStatus::PortClosed);
  EXPECT_EQ(log.text, "kept");
  EXPECT_EQ(texts(), std::vector<QString>(3, "Comm. Port Setup First"));
}

TEST_F(ContactTest, ReplyWithMoreDataThanTheGridHolds) {
  struct Chatty : sim::CommandHandler {
    sim::Reply handle(const sim::Command&, sim::ReaderState&) override {
      std::vector<uint8_t> data(130, 0x42);
      data.push_back(0x90);
      data.push_back(0x00);
      return sim::Reply::ok(data);
    }
  };
  reader([](sim::Reader& r) { r.addHandler(0x54, std::make_unique<Chatty>()); });
  const GridOutcome o = Eeprom24Read(session, "0", Eeprom24Fields{});
  EXPECT_EQ(newFrames().size(), 1u);  // found after the exchange
  EXPECT_EQ(o.cells.size(), 128);     // the cells that fit are filled
  EXPECT_EQ(o.message, kDataErrorBox);
  // A status word outside the table.
  struct Odd : sim::CommandHandler {
    sim::Reply handle(const sim::Command&, sim::ReaderState&) override { return sim::Reply::ok(std::vector<uint8_t>{0x90, 0x01}); }
  };
  reader([](sim::Reader& r) { r.addHandler(0x54, std::make_unique<Odd>()); });
  EXPECT_EQ(text(Eeprom24Write(session, "0", Eeprom24Fields{"00", "00", "00"}, {})), "Unknow Error\r\n9001");
}

TEST_F(ContactTest, CpuCardResetsStatusAndProfiles) {
  insert("cpu-t0");
  ChipOutcome o = ColdReset(session, "0", ChipGroup::Cpu, SupplyProfile::Emv2000);
  EXPECT_EQ(sentFrame(), hex("F200000443513030 03E7"));
  EXPECT_EQ(*o.message, (Message{MessageIcon::Information, "Cold Reset", "Cold Reset Success(T=0)"}));
  EXPECT_EQ(o.resetText, QStringLiteral("3B6800004B56543733305430"));
  EXPECT_EQ(text(ChipCardStatus(session, "0", ChipGroup::Cpu)), "The card has been activated, working frequency of 3.57 MHZ");
  o = WarmReset(session, "0", ChipGroup::Cpu);
  EXPECT_EQ(sentFrame().size(), 9);
  EXPECT_EQ(*o.message, (Message{MessageIcon::Information, "Cold Reset", "Cold Reset Success(T=0)"}));
  EXPECT_EQ(text(ChipDeactivate(session, "0", ChipGroup::Cpu)), "Deactivate Success");
  EXPECT_EQ(text(ChipCardStatus(session, "0", ChipGroup::Cpu)), "Card is not activated");
  newFrames();

  // Warm reset of a card that is off: the reader's text, no answer to reset.
  o = WarmReset(session, "0", ChipGroup::Cpu);
  EXPECT_EQ(o.status, OpStatus::Negative);
  EXPECT_EQ(o.resetText, QString());
  EXPECT_EQ(o.message.value().title, "Negative response:65");  // shown once the ATR box is filled

  insert("cpu-t1");
  o = ColdReset(session, "0", ChipGroup::Cpu, SupplyProfile::Iso7816);
  EXPECT_EQ(sentData(), QByteArray("3"));
  EXPECT_EQ(text(o), "Cold Reset Success(T=1)");
  EXPECT_TRUE(o.resetText->startsWith("3BE9000081"));
  EXPECT_EQ(text(ChipCardStatus(session, "0", ChipGroup::Cpu)), "The card has been activated, working frequency of 7.16 MHZ");

  // A card outside the EMV profile: its own message, no negative-reply text.
  insert("cpu-noemv");
  const size_t shown = notifier.messages.size();
  o = ColdReset(session, "0", ChipGroup::Cpu, SupplyProfile::Emv2000);
  EXPECT_EQ(o.status, OpStatus::Negative);
  EXPECT_EQ(*o.message, (Message{MessageIcon::Information, "Negative response:69",
                                 "Tried to communicate with IC card not supported in Protocol EMV2000.\r\nT=0"}));
  EXPECT_EQ(o.resetText, QStringLiteral("3B789600004B56543733304953"));
  EXPECT_EQ(notifier.messages.size(), shown);
  EXPECT_EQ(text(ColdReset(session, "0", ChipGroup::Cpu, SupplyProfile::Iso7816)), "Cold Reset Success(T=0)");
}

TEST_F(ContactTest, CpuCardApduUnderEachProtocol) {
  insert("cpu-t0");
  ColdReset(session, "0", ChipGroup::Cpu, SupplyProfile::Emv2000);
  newFrames();
  ChipOutcome o = SendApdu(session, "0", ChipGroup::Cpu, ApduProtocol::T0, "00A40000023F00");
  EXPECT_EQ(sentFrame(), hex("F200000A435133 00A40000023F00 0343"));
  EXPECT_EQ(o.backText, QStringLiteral("6118"));
  EXPECT_EQ(*o.message, (Message{MessageIcon::Information, "C-APDU", "Success"}));
  o = SendApdu(session, "0", ChipGroup::Cpu, ApduProtocol::Auto, "00C0000018");
  EXPECT_EQ(sentFrame()[6], '9');
  EXPECT_EQ(o.backText, QStringLiteral("6F1684023F00A51088010" "15F2D067A68656E66729F1101019000"));
  // T=1 chosen for a T=0 card: the reader refuses.
  o = SendApdu(session, "0", ChipGroup::Cpu, ApduProtocol::T1, "0084000008");
  EXPECT_EQ(sentFrame()[6], '4');
  EXPECT_EQ(o.status, OpStatus::Negative);
  EXPECT_EQ(o.backText, QString());
  EXPECT_EQ(notifier.messages.back().text, "The specified protocol does not agree with that of IC card");
  // An empty APDU is a frame of 9 bytes; 252 bytes make the length byte FF.
  SendApdu(session, "0", ChipGroup::Cpu, ApduProtocol::T0, "");
  EXPECT_EQ(sentFrame(), hex("F2000003435133 03D3"));
  SendApdu(session, "0", ChipGroup::Cpu, ApduProtocol::T0, QString(504, QLatin1Char('0')));
  const QByteArray big = sentFrame();
  EXPECT_EQ(big.size(), 261);
  EXPECT_EQ(uint8_t(big[3]), 0xFF);
}

TEST_F(ContactTest, UnconvertibleApduTextIsRefused) {
  insert("cpu-t0");
  const struct {
    const char* apdu;
    bool lineBreak;
  } cases[] = {{"00A", false}, {"00G4", true}, {"00 A4 ", true}, {nullptr, true}};
  for (const auto& c : cases) {
    const QString apdu = c.apdu ? QString(c.apdu) : QString(506, QLatin1Char('0'));  // 253 bytes
    log.text = "old";
    const ChipOutcome o = SendApdu(session, "0", ChipGroup::Cpu, ApduProtocol::Auto, apdu);
    EXPECT_EQ(o.message, kDataErrorBox) << apdu.left(8).toStdString();
    EXPECT_EQ(o.backText, QString());
    EXPECT_EQ(log.text, c.lineBreak ? "\r\n" : "");
    EXPECT_TRUE(newFrames().empty());
  }
}

TEST_F(ContactTest, SamSocketsChooseResetAndStatus) {
  ChipOutcome o = ChooseSam(session, "0", "SAM 3");
  EXPECT_EQ(sentFrame(), hex("F2000004435240 320396"));
  EXPECT_EQ(*o.message, (Message{MessageIcon::Information, "Choose SAM", "Choose SAM Success"}));
  o = ColdReset(session, "0", ChipGroup::Sam, SupplyProfile::Iso7816);
  EXPECT_EQ(sentFrame(), hex("F200000443523033 03E7"));
  EXPECT_TRUE(o.resetText->endsWith("4B565453414D33"));  // "KVTSAM3"
  o = SendApdu(session, "0", ChipGroup::Sam, ApduProtocol::T1, "0084000004");
  EXPECT_EQ(sentFrame()[6], '9');  // whatever the protocol choice
  EXPECT_TRUE(o.backText->endsWith("9000"));
  EXPECT_EQ(text(ChipCardStatus(session, "0", ChipGroup::Sam)),
            "The card has been activated, working frequency of 7.16 MHZ\r\nCurrent SAM card is  No.3");

  ChooseSam(session, "0", "SAM 1");
  EXPECT_EQ(text(ChipCardStatus(session, "0", ChipGroup::Sam)), "Card is not activated\r\nCurrent SAM card is  No.1 ");
  ChooseSam(session, "0", "SAM 7");
  EXPECT_EQ(text(ChipCardStatus(session, "0", ChipGroup::Sam)), "Card is not activated\r\n");
  newFrames();

  // SAM 14 is typed, not listed: the byte goes out, this reader has eight sockets.
  o = ChooseSam(session, "0", "SAM 14");
  EXPECT_EQ(sentData(), QByteArray("="));
  EXPECT_EQ(o.status, OpStatus::Negative);
  for (const char* bad : {"sam 3", "SAM3", "SAM 15", ""}) {
    log.text = "old";
    o = ChooseSam(session, "0", bad);
    EXPECT_EQ(*o.message, (Message{MessageIcon::Warning, "Caution", "Please Choose SAM Number First"})) << bad;
    EXPECT_EQ(log.text, "");
    EXPECT_TRUE(newFrames().empty());
  }
}
