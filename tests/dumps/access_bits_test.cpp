// SPDX-License-Identifier: MIT
// The access-bits decoder against the tables of the NXP MF1S50yyX datasheet (MIFARE
// Classic EV1 1K), section 8.7: Table 7 "Access conditions for the sector trailer" and
// Table 8 "Access conditions for data blocks". The trailer bytes are written out by hand
// from the bit layout of its Figure 10 (byte 6: ~C2 ~C1, byte 7: C1 ~C3, byte 8: C3 C2).
#include <gtest/gtest.h>

#include "core/base/conversions.h"
#include "core/insight/mifare_access.h"
#include "qt_print.h"

using namespace kvt;

namespace {

QByteArray bits(const char* hex) { return *ParseHexText(QString::fromLatin1(hex)); }

}  // namespace

// Table 8: block 0 takes each C1 C2 C3 in turn, blocks 1 and 2 stay 000, the trailer 001.
TEST(AccessBits, EveryDataBlockCondition) {
  const struct {
    const char* bits;
    const char* line;
  } rows[] = {
      {"FF0780", "Block 0: read A|B, write A|B, increment A|B, decrement A|B"},  // 000
      {"FF0690", "Block 0: read A|B, write never, increment never, decrement A|B"},  // 001
      {"EF0781", "Block 0: read A|B, write never, increment never, decrement never"},  // 010
      {"EF0691", "Block 0: read B, write B, increment never, decrement never"},  // 011
      {"FE1780", "Block 0: read A|B, write B, increment never, decrement never"},  // 100
      {"FE1690", "Block 0: read B, write never, increment never, decrement never"},  // 101
      {"EE1781", "Block 0: read A|B, write B, increment B, decrement A|B"},  // 110
      {"EE1691", "Block 0: read never, write never, increment never, decrement never"},  // 111
  };
  for (const auto& row : rows) {
    const QStringList lines = AccessLines(bits(row.bits));
    ASSERT_GE(lines.size(), 5) << row.bits;
    EXPECT_EQ(lines[0], QLatin1String(row.line)) << row.bits;
    EXPECT_EQ(lines[1], "Block 1: read A|B, write A|B, increment A|B, decrement A|B") << row.bits;
    EXPECT_EQ(lines[2], "Block 2: read A|B, write A|B, increment A|B, decrement A|B") << row.bits;
    EXPECT_EQ(lines.last(), "Access bits: valid") << row.bits;
  }
}

// Table 7: the trailer takes each C1 C2 C3 in turn, the data blocks stay 000 (FF0780 is the
// transport configuration). Those whose access bits can never be written again lock the
// trailer for good; those that let key B be read carry the note.
TEST(AccessBits, EveryTrailerCondition) {
  const struct {
    const char* bits;
    const char* line;
    bool locks;
    bool keyBNote;
  } rows[] = {
      {"FF0F00", "key A read never, write A; access bits read A, write never; key B read A, write A", true, true},
      {"FF0780", "key A read never, write A; access bits read A, write A; key B read A, write A", false, true},
      {"7F0F08", "key A read never, write never; access bits read A, write never; key B read A, write never", true,
       true},
      {"7F0788", "key A read never, write B; access bits read A|B, write B; key B read never, write B", false, false},
      {"F78F00", "key A read never, write B; access bits read A|B, write never; key B read never, write B", true,
       false},
      {"F78780", "key A read never, write never; access bits read A|B, write B; key B read never, write never", false,
       false},
      {"778F08", "key A read never, write never; access bits read A|B, write never; key B read never, write never",
       true, false},
      {"778788", "key A read never, write never; access bits read A|B, write never; key B read never, write never",
       true, false},
  };
  const QString keyBNote = "Key B: readable, so it cannot authenticate: no right above is given to key B alone, and "
                           "A|B means key A only";
  for (const auto& row : rows) {
    const QStringList lines = AccessLines(bits(row.bits));
    ASSERT_EQ(lines.size(), 5 + row.locks + row.keyBNote) << row.bits;
    EXPECT_EQ(lines[3], QStringLiteral("Trailer: ") + QLatin1String(row.line)) << row.bits;
    EXPECT_TRUE(AccessBitsValid(bits(row.bits))) << row.bits;
    EXPECT_EQ(TrailerLocksForGood(bits(row.bits)), row.locks) << row.bits;
    EXPECT_EQ(lines.contains("Trailer: locked for good, the access bits can never be written again"), row.locks)
        << row.bits;
    EXPECT_EQ(lines.contains(keyBNote), row.keyBNote) << row.bits;
  }
}

// Where key B may be read it cannot authenticate (the datasheet's note under Table 7), so
// what the data lines give to key B alone is given to nobody. 9A55A6: groups 100, 011, 110,
// trailer 001.
TEST(AccessBits, ReadableKeyBGivesItsOwnRightsToNobody) {
  const QStringList lines = AccessLines(bits("9A55A6"));
  ASSERT_EQ(lines.size(), 6);
  EXPECT_EQ(lines[1], "Block 1: read B, write B, increment never, decrement never");
  EXPECT_EQ(lines[4], "Key B: readable, so it cannot authenticate: rights given to key B alone are given to nobody "
                      "(block 0 write; block 1 read, write; block 2 write, increment), and A|B means key A only");
  // 16-block sectors name their groups; a key B that is no key for reading has no note.
  EXPECT_TRUE(AccessLines(bits("9A55A6"), true)[4].contains("(blocks 0-4 write; blocks 5-9 read, write; "));
  EXPECT_FALSE(AccessLines(bits("7F0788")).join('\n').contains("Key B:"));

  // The trailer question's details: the verdict first, then the rights.
  EXPECT_EQ(AccessDetails(bits("FF0F00")).mid(0, 3),
            (QStringList{"Access bits: valid", "Trailer: locked for good, the access bits can never be written again",
                         "Block 0: read A|B, write A|B, increment A|B, decrement A|B"}));
  EXPECT_EQ(AccessDetails(bits("FF0781")).first(), "Access bits: invalid (the inverted copy of C2 does not match)");
}

TEST(AccessBits, InvalidCopiesAndShortInput) {
  // FF0780 with one inverted C2 bit flipped, then with C1 and C3 copies broken as well.
  EXPECT_EQ(AccessLines(bits("FF0781")).last(), "Access bits: invalid (the inverted copy of C2 does not match)");
  EXPECT_EQ(AccessLines(bits("FF1781")).last(),
            "Access bits: invalid (the inverted copies of C1 and C2 do not match)");
  EXPECT_EQ(AccessLines(bits("000000")).last(),
            "Access bits: invalid (the inverted copies of C1, C2 and C3 do not match)");
  EXPECT_FALSE(AccessBitsValid(bits("FF0781")));
  // Invalid bits never count as a lock: the guard refuses them on their own.
  EXPECT_FALSE(TrailerLocksForGood(bits("778F09")));
  EXPECT_EQ(AccessLines(bits("FF07")), QStringList{"Access bits: invalid (fewer than three bytes)"});
}

TEST(AccessBits, SixteenBlockSectorsNameTheirGroups) {
  // Groups 000, 011 and 111, trailer 001.
  const QStringList lines = AccessLines(bits("9B41E6"), true);
  EXPECT_EQ(lines[0], "Blocks 0-4: read A|B, write A|B, increment A|B, decrement A|B");
  EXPECT_EQ(lines[1], "Blocks 5-9: read B, write B, increment never, decrement never");
  EXPECT_EQ(lines[2], "Blocks 10-14: read never, write never, increment never, decrement never");
  EXPECT_EQ(EncodeAccessBits({0, 3, 7, 1}), bits("9B41E6"));
}
