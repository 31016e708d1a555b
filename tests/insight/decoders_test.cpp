// SPDX-License-Identifier: MIT
// The answer-to-reset, answer-to-select, historical-byte and status-word decoders against
// published answers and the tables of ISO/IEC 7816-3, 7816-4 and 14443-4.
#include <gtest/gtest.h>

#include "core/insight/atr.h"
#include "core/insight/ats.h"
#include "core/insight/historical_bytes.h"
#include "core/insight/status_words.h"
#include "qt_print.h"

using namespace kvt::insight;

namespace {

QByteArray hex(const char* text) { return QByteArray::fromHex(text); }

QStringList atrLines(const char* text) { return FactLines(DecodeAtr(hex(text)).facts); }

// The value of the first fact of that name.
QString fact(const QList<Fact>& facts, const char* name) {
  for (const Fact& f : facts)
    if (f.name == QLatin1String(name)) return f.value;
  return QStringLiteral("<none>");
}

}  // namespace

// pcsc-tools' smartcard_list.txt: "3B 02 14 50", Schlumberger Multiflex 3k; T=0 only.
TEST(Atr, TZeroOnlyHasNoCheckByte) {
  EXPECT_EQ(atrLines("3B021450"), (QStringList{"TS: 3B (direct convention)",
                                               "T0: 02 (no interface bytes; 2 historical bytes)", "Protocols: T=0",
                                               "Historical bytes: 14 50", "Category indicator: 14 (proprietary)",
                                               "TCK: absent"}));
}

// pcsc-tools' smartcard_list.txt: OpenPGP Card V2. T=1 parameters after TD2, T=15 global
// bytes after TD3, category 00 historical bytes, TCK 0C.
TEST(Atr, TOneWithIfscGlobalBytesAndCheckByte) {
  const char* openPgp = "3BDA18FF81B1FE751F030031C573C00140009000";
  const AtrInfo a = DecodeAtr(hex(openPgp) + hex("0C"));
  EXPECT_EQ(FactLines(a.facts),
            (QStringList{"TS: 3B (direct convention)", "T0: DA (TA1, TC1, TD1 follow; 10 historical bytes)",
                         "TA1: 18 (Fi=372, Di=12, f max 5 MHz)",
                         "TC1: FF (N=255: minimum guard time, 12 etu under T=0, 11 etu under T=1)",
                         "TD1: 81 (T=1 next; TD2 follows)", "TD2: B1 (T=1 next; TA3, TB3, TD3 follow)",
                         "TA3: FE (T=1 IFSC 254 bytes)", "TB3: 75 (T=1 BWI=7, CWI=5, CWT 43 etu)",
                         "TD3: 1F (T=15 next; TA4 follows)",
                         "TA4: 03 (clock stop not supported; classes A (5 V), B (3 V))", "Protocols: T=1",
                         "Historical bytes: 00 31 C5 73 C0 01 40 00 90 00",
                         "Category indicator: 00 (compact-TLV data objects, then a status indicator)",
                         "Card service data: C5", "Card capabilities: C0 01 40", "Status indicator: 00 90 00",
                         "Life cycle status: 00 (no information given)", "SW 9000: Normal processing", "TCK: ok"}));

  EXPECT_EQ(DecodeAtr(hex(openPgp) + hex("9B")).facts.last(), (Fact{"TCK", "wrong (expected 0C)"}));

  EXPECT_EQ(FactLines(DecodeAtr(hex(openPgp)).facts).last(),
            "Error: truncated after historical byte 10, TCK missing");
}

// pcsc-tools' smartcard_list.txt: NXP PN65o secure element (T=0 and T=1 offered) and
// DigiCash Facility Card (inverse convention).
TEST(Atr, ProtocolsAndInverseConvention) {
  const AtrInfo pn65 = DecodeAtr(hex("3B8A800100 31C173C840000090 0090"));
  EXPECT_EQ(fact(pn65.facts, "TD1"), "80 (T=0 next; TD2 follows)");
  EXPECT_EQ(fact(pn65.facts, "TD2"), "01 (T=1 next; no more interface bytes)");
  EXPECT_EQ(fact(pn65.facts, "Protocols"), "T=0, T=1");
  EXPECT_EQ(fact(pn65.facts, "Card capabilities"), "C8 40 00");
  EXPECT_EQ(fact(pn65.facts, "TCK"), "ok");

  EXPECT_EQ(atrLines("3F05DC20FC0001"),
            (QStringList{"TS: 3F (inverse convention)", "T0: 05 (no interface bytes; 5 historical bytes)",
                         "Protocols: T=0", "Historical bytes: DC 20 FC 00 01", "Category indicator: DC (proprietary)",
                         "TCK: absent"}));
}

// Values from ISO/IEC 7816-3 tables 7 and 8 (Fi, f max, Di) and the meanings of the
// global and protocol-specific interface bytes.
TEST(Atr, InterfaceBytesByTheTables) {
  const auto ta1 = [](const char* b) { return fact(DecodeAtr(hex("3B10") + hex(b)).facts, "TA1"); };
  EXPECT_EQ(ta1("95"), "95 (Fi=512, Di=16, f max 5 MHz)");
  EXPECT_EQ(ta1("11"), "11 (Fi=372, Di=1, f max 5 MHz)");
  EXPECT_EQ(ta1("A7"), "A7 (Fi=768, Di=64, f max 7.5 MHz)");
  EXPECT_EQ(ta1("D9"), "D9 (Fi=2048, Di=20, f max 20 MHz)");
  EXPECT_EQ(ta1("7A"), "7A (Fi=RFU, Di=RFU)");

  const QList<Fact> global = DecodeAtr(hex("3B7095250280320A")).facts;  // TA1 TB1 TC1, then junk
  EXPECT_EQ(fact(global, "TB1"), "25 (Vpp 5 V, 50 mA; deprecated)");
  EXPECT_EQ(fact(global, "TC1"), "02 (extra guard time N=2 etu)");
  EXPECT_EQ(fact(global, "Error"), "3 bytes after the end of the answer to reset: 80 32 0A");

  const QList<Fact> second = DecodeAtr(hex("3B807080320A")).facts;
  EXPECT_EQ(fact(second, "TD1"), "70 (T=0 next; TA2, TB2, TC2 follow)");
  EXPECT_EQ(fact(second, "TA2"), "80 (specific mode T=0; mode not changeable; Fi/Di from TA1)");
  EXPECT_EQ(fact(second, "TB2"), "32 (Vpp 5.0 V; deprecated)");
  EXPECT_EQ(fact(second, "TC2"), "0A (T=0 waiting time integer WI=10)");
  EXPECT_EQ(fact(second, "TCK"), "absent");

  const QList<Fact> t1 = DecodeAtr(hex("3B 80 80 71 20 45 01 15")).facts;
  EXPECT_EQ(fact(t1, "TA3"), "20 (T=1 IFSC 32 bytes)");
  EXPECT_EQ(fact(t1, "TB3"), "45 (T=1 BWI=4, CWI=5, CWT 43 etu)");
  EXPECT_EQ(fact(t1, "TC3"), "01 (T=1 error detection CRC)");
  EXPECT_EQ(fact(t1, "TCK"), "ok");

  EXPECT_EQ(fact(DecodeAtr(hex("3B80801FC7D8")).facts, "TA3"),
            "C7 (clock stop in either state; classes A (5 V), B (3 V), C (1.8 V))");
}

// ISO/IEC 7816-3, 8.2.3: T=15 names no protocol and is invalid in TD1; T=2 to T=13 are
// reserved (T=14 is not ISO's, but allowed). A reserved code or a reserved bit set is
// warned about on a line of its own after the byte that carries it.
TEST(Atr, ForbiddenAndReservedValuesAreWarned) {
  // pcsc-tools' smartcard_list.txt: "Intertelecom UA RUIM card"; each warning follows its byte.
  const char* ruim = "3B801FC78031E073FE211163407163830790009A";
  QStringList names;
  for (const Fact& f : DecodeAtr(hex(ruim)).facts.mid(2, 5)) names << f.name;
  EXPECT_EQ(names, (QStringList{"TD1", "Warning", "TA2", "Warning", "Warning"}));
  const struct {
    const char* atr;
    QStringList warnings;
  } cases[] = {
      {ruim, {"TD1: T=15 is invalid in TD1 (it names no protocol; from TD2 on it marks global interface bytes)",
              "TA2: specific mode T=7 is reserved for future use",
              "TA2: bits 7-6 are reserved for future use and should be 0"}},
      {"3B800282", {"TD1: T=2 is reserved for future full-duplex operations"}},
      {"3B800484", {"TD1: T=4 is reserved for an enhanced half-duplex transmission of characters"}},
      {"3B800E8E", {}},
      {"3B80801F031C", {}},  // T=15 in TD2 marks global bytes, as it should
      {"3B80101F", {"TA2: specific mode T=15 names no protocol"}},
      {"3B107A", {"TA1: Fi code 7 is reserved for future use", "TA1: Di code 10 is reserved for future use"}},
      {"3B804000", {"TC2: WI=0 is reserved for future use"}},
      {"3B808171FFA50329",
       {"TA3: IFSC 255 is reserved for future use", "TB3: BWI=10 is reserved for future use",
        "TC3: bits 8-2 are reserved for future use and should be 0"}},
      {"3B80801F3F20", {"TA3: class bits 6-4 are reserved for future use and should be 0"}},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeAtr(hex(c.atr)).warnings, c.warnings) << c.atr;
}

TEST(Atr, BrokenAnswersSayWhereTheyBreak) {
  EXPECT_EQ(atrLines(""), QStringList{"Error: empty, TS missing"});
  EXPECT_EQ(atrLines("3B"), (QStringList{"TS: 3B (direct convention)", "Error: truncated after TS, T0 missing"}));
  EXPECT_EQ(atrLines("3B8011"), (QStringList{"TS: 3B (direct convention)", "T0: 80 (TD1 follows; no historical bytes)",
                                             "TD1: 11 (T=1 next; TA2 follows)",
                                             "Error: truncated after TD1, TA2 missing"}));
  EXPECT_EQ(atrLines("3B0214"), (QStringList{"TS: 3B (direct convention)",
                                             "T0: 02 (no interface bytes; 2 historical bytes)", "Protocols: T=0",
                                             "Historical bytes: 14 (1 of 2 present)",
                                             "Error: truncated after historical byte 1, historical byte 2 of 2 missing"}));
  EXPECT_EQ(atrLines("3C021450"), (QStringList{"TS: 3C (not a valid TS; 3B or 3F expected)",
                                               "Error: decoding stops at the invalid TS"}));
}

// NXP's DESFire answer to select (seen as the historical bytes of its PC/SC ATR
// 3B 81 80 01 80 80 in pcsc-tools' smartcard_list.txt).
TEST(Ats, DesfireAnswer) {
  const AtsInfo a = DecodeAts(hex("067577810280"));
  EXPECT_EQ(FactLines(a.facts),
            (QStringList{"TL: 06 (6 bytes)", "T0: 75 (TA1, TB1, TC1 follow; FSCI=5: FSC 64 bytes)",
                         "TA1: 77 (PICC to PCD 212, 424, 848 kbit/s; PCD to PICC 212, 424, 848 kbit/s; different "
                         "divisors allowed)",
                         "TB1: 81 (FWI=8: FWT 77.3 ms; SFGI=1: SFGT 604 µs)", "TC1: 02 (CID supported; NAD not supported)",
                         "Historical bytes: 80", "Category indicator: 80 (compact-TLV data objects)"}));
}

TEST(Ats, BitRatesTimesAndBreaks) {
  const QList<Fact> slow = DecodeAts(hex("0578800F00")).facts;
  EXPECT_EQ(fact(slow, "T0"), "78 (TA1, TB1, TC1 follow; FSCI=8: FSC 256 bytes)");
  EXPECT_EQ(fact(slow, "TA1"), "80 (PICC to PCD 106 kbit/s only; PCD to PICC 106 kbit/s only; same divisor both ways only)");
  EXPECT_EQ(fact(slow, "TB1"), "0F (FWI=0: FWT 302 µs; SFGI=15: RFU)");
  EXPECT_EQ(fact(slow, "TC1"), "00 (CID not supported; NAD not supported)");
  EXPECT_EQ(fact(slow, "Historical bytes"), "none");

  EXPECT_EQ(FactLines(DecodeAts(hex("01")).facts), (QStringList{"TL: 01 (1 byte: TL alone)", "Historical bytes: none"}));
  EXPECT_EQ(fact(DecodeAts(hex("067577")).facts, "Error"), "truncated after TA1, TB1 missing");
  EXPECT_EQ(fact(DecodeAts(hex("0270")).facts, "Error"), "TL 02 ends the answer after T0, TA1 missing");
  EXPECT_EQ(fact(DecodeAts(hex("0200AABB")).facts, "Error"), "2 bytes after the 2 bytes TL counts: AA BB");
  EXPECT_EQ(fact(DecodeAts(hex("05008031")).facts, "Error"), "truncated after historical byte 2, historical byte 3 of 3 missing");
  EXPECT_EQ(FactLines(DecodeAts(QByteArray()).facts), QStringList{"Error: empty, TL missing"});
}

// ISO/IEC 7816-4: category indicators, compact-TLV objects and the status indicator; the
// PC/SC storage-card identifier of pcsc-tools' "MIFARE Classic 1K (as per PCSC std part3)".
TEST(HistoricalBytes, CategoriesObjectsAndStatus) {
  EXPECT_EQ(HistoricalBytesLines(hex("80 31 C0 83 05 90 00")),
            (QStringList{"Category indicator: 80 (compact-TLV data objects)", "Card service data: C0",
                         "Status indicator: 05 90 00", "Life cycle status: 05 (operational state, activated)",
                         "SW 9000: Normal processing"}));
  EXPECT_EQ(HistoricalBytesLines(hex("101F")),
            (QStringList{"Category indicator: 10 (DIR data reference)", "DIR data reference: 1F"}));
  EXPECT_EQ(HistoricalBytesLines(hex("80 4F 0C A0 00 00 03 06 03 00 01 00 00 00 00")),
            (QStringList{"Category indicator: 80 (compact-TLV data objects)",
                         "Application identifier: A0 00 00 03 06 03 00 01 00 00 00 00",
                         "Card standard: 03 (ISO/IEC 14443-3 type A)", "Card name: 00 01 (Mifare Classic 1K)"}));
  EXPECT_EQ(HistoricalBytesLines(hex("8021347301")),
            (QStringList{"Category indicator: 80 (compact-TLV data objects)", "Issuer identification: 34",
                         "Historical bytes error: object 73 at historical byte 4 needs 3 bytes, 1 left"}));
  EXPECT_EQ(HistoricalBytesLines(hex("006A82")).last(),
            "Historical bytes error: the status indicator needs 3 bytes after the category, 2 left");
  EXPECT_EQ(HistoricalBytesLines(hex("8F01")), QStringList{"Category indicator: 8F (reserved for future use)"});
  EXPECT_EQ(LifeCycleStatusText(0x04), "operational state, deactivated");
  EXPECT_EQ(LifeCycleStatusText(0x0E), "termination state");
  EXPECT_EQ(LifeCycleStatusText(0x02), "reserved for future use");
  EXPECT_TRUE(HistoricalBytesLines(QByteArray()).isEmpty());
}

// Found by fuzz_insight: an application identifier object of length 0 was shown with no
// value at all, in the historical bytes and in every answer carrying them.
TEST(HistoricalBytes, EmptyApplicationIdentifierSaysSo) {
  EXPECT_EQ(HistoricalBytesLines(hex("80 4F 00")),
            (QStringList{"Category indicator: 80 (compact-TLV data objects)", "Application identifier: (empty)"}));
  for (const Fact& f : DecodeAtr(hex("3B 03 80 4F 00")).facts) EXPECT_FALSE(f.value.isEmpty()) << f.name.toStdString();
}

// ISO/IEC 7816-4 tables 5 and 6, GSM 11.11 for 9Fxx.
TEST(StatusWords, MeaningsAndLines) {
  EXPECT_EQ(SwMeaning(0x61, 0x17), "Normal processing, 23 bytes still available (GET RESPONSE)");
  EXPECT_EQ(SwMeaning(0x61, 0x00), "Normal processing, 256 or more bytes still available (GET RESPONSE)");
  EXPECT_EQ(SwMeaning(0x6C, 0x10), "Wrong Le field, exact length 16 (Le=10)");
  EXPECT_EQ(SwMeaning(0x63, 0xC2), "Verification failed, 2 tries left");
  EXPECT_EQ(SwMeaning(0x63, 0xC1), "Verification failed, 1 try left");
  EXPECT_EQ(SwMeaning(0x67, 0x00), "Wrong length");
  EXPECT_EQ(SwMeaning(0x69, 0x82), "Security status not satisfied");
  EXPECT_EQ(SwMeaning(0x9F, 0x0F), "15 bytes available (GSM, GET RESPONSE)");
  EXPECT_EQ(SwMeaning(0x6E, 0x01), "unknown (6E: class not supported)");
  EXPECT_EQ(SwMeaning(0x6A, 0x8F), "unknown (6A: wrong parameters P1-P2)");
  EXPECT_EQ(SwMeaning(0x93, 0x12), "unknown (9x: application-specific)");
  EXPECT_EQ(SwMeaning(0x12, 0x34), "unknown (12: not a valid SW1)");

  EXPECT_EQ(ResponseSwLine(hex("6F0A9000")), std::optional<QString>("SW 9000: Normal processing"));
  EXPECT_EQ(ResponseSwLine(hex("6A82")), std::optional<QString>("SW 6A82: File or application not found"));
  EXPECT_FALSE(ResponseSwLine(hex("90")).has_value());

  EXPECT_TRUE(CommandCarriesApdu(0x51, '9'));
  EXPECT_TRUE(CommandCarriesApdu(0x52, '9'));
  EXPECT_TRUE(CommandCarriesApdu(0x60, '5'));
  EXPECT_FALSE(CommandCarriesApdu(0x52, '3'));
  EXPECT_FALSE(CommandCarriesApdu(0x60, '0'));
}
