// SPDX-License-Identifier: MIT
// Card image files: what each format writes for known and unknown bytes, and the clear
// errors (with line numbers) for files that are not what they claim to be.
#include <gtest/gtest.h>

#include <QList>

#include "core/dump/dump_formats.h"
#include "core/dump/key_list.h"
#include "qt_print.h"

using namespace kvt;

namespace {

// A 1K image with sector 0 read whole, key A of sector 1 known and nothing else.
CardImage sample() {
  CardImage image(1024);
  QByteArray sector0;
  for (int i = 0; i < 64; ++i) sector0.append(static_cast<char>(i));
  image.set(0, sector0);
  image.set(7 * 16, QByteArray(6, char(0xA5)));
  return image;
}

}  // namespace

TEST(DumpFormats, MctMarksUnreadBytesAndDeadSectors) {
  const QList<QByteArray> lines = WriteMct(sample()).split('\n');
  ASSERT_EQ(lines.size(), 16 + 4 + 4 + 14 + 1);  // heads, sector 0, sector 1, the dead sectors, the end
  EXPECT_EQ(lines[0], "+Sector: 0");
  EXPECT_EQ(lines[1], "000102030405060708090A0B0C0D0E0F");
  EXPECT_EQ(lines[4], "303132333435363738393A3B3C3D3E3F");
  EXPECT_EQ(lines[9], "A5A5A5A5A5A5--------------------");
  EXPECT_EQ(lines[10], "+Sector: 2");
  EXPECT_EQ(lines[11], "*No keys found or dead sector");
  EXPECT_EQ(lines.last(), "");

  const ParsedImage back = ParseMct(WriteMct(sample()));
  ASSERT_TRUE(back.ok()) << back.error.toStdString();
  EXPECT_TRUE(back.image == sample());
}

TEST(DumpFormats, MfdAndEmlWriteUnreadBytesAsZero) {
  const QByteArray mfd = WriteMfd(sample());
  ASSERT_EQ(mfd.size(), 1024);
  EXPECT_EQ(mfd.mid(112, 16), QByteArray::fromHex("A5A5A5A5A5A500000000000000000000"));
  const QList<QByteArray> eml = WriteEml(sample()).split('\n');
  ASSERT_EQ(eml.size(), 65);
  EXPECT_EQ(eml[0], "000102030405060708090a0b0c0d0e0f");
  EXPECT_EQ(eml[7], "a5a5a5a5a5a500000000000000000000");

  // Read back, every byte is known and equal to the file.
  const ParsedImage fromMfd = ParseMfd(mfd), fromEml = ParseEml(WriteEml(sample()));
  ASSERT_TRUE(fromMfd.ok() && fromEml.ok());
  EXPECT_EQ(fromMfd.image.bytes(), mfd);
  EXPECT_EQ(fromEml.image.bytes(), mfd);
  EXPECT_TRUE(fromEml.image.allKnown(0, 1024));
  // CR LF line ends and a missing last line end are fine.
  EXPECT_TRUE(ParseEml(WriteEml(sample()).replace("\n", "\r\n").chopped(2)).ok());
}

TEST(DumpFormats, BadFilesAreRefusedWithWhereAndWhy) {
  EXPECT_EQ(ParseMfd(QByteArray(1000, '\0')).error, "a Mifare Classic image holds 1024 or 4096 bytes, this one 1000");
  EXPECT_EQ(ParseBin(QByteArray(63, '\0'), 64).error, "expected 64 bytes, the file holds 63");

  QByteArray mct = WriteMct(sample());
  EXPECT_EQ(ParseMct(QByteArray(mct).replace("0A0B0C0D", "0A0G0C0D")).error,
            "line 2: expected 32 hex digits, \"--\" for a byte not read");
  EXPECT_EQ(ParseMct(QByteArray(mct).replace("+Sector: 3\n", "+Sector: 4\n")).error, "line 13: expected \"+Sector: 3\"");
  EXPECT_EQ(ParseMct(mct.left(mct.indexOf("+Sector: 15"))).error,
            "15 sectors: a Mifare Classic image holds 16 (1K) or 40 (4K)");
  EXPECT_EQ(ParseMct("garbage\n" + mct).error, "line 1: expected \"+Sector: 0\"");
  EXPECT_EQ(ParseMct(QByteArray(mct).replace("+Sector: 1\n--------------------------------\n", "+Sector: 1\n")).error,
            "line 6: sector 1 needs 4 block lines, it has 3");

  QByteArray eml = WriteEml(sample());
  EXPECT_EQ(ParseEml(eml.replace("a5a5a5a5a5a50000", "a5a5a5a5a5a5----")).error, "line 8: expected 32 hex digits");
  EXPECT_EQ(ParseEml(WriteEml(sample()).repeated(2)).error,
            "128 block lines: a Mifare Classic image holds 64 (1K) or 256 (4K)");
  EXPECT_EQ(ParseMifareFile("card.txt", WriteMfd(sample())).error,
            "card.txt: a Mifare Classic file ends in .mfd, .mct or .eml");
  EXPECT_TRUE(ParseMifareFile("CARD.MFD", WriteMfd(sample())).ok());
}

TEST(DumpFormats, KeyFiles) {
  const ParsedKeys keys = ParseKeyFile("# my keys\n\nA0A1A2A3A4A5\r\n  0123456789ab  # shop\n");
  ASSERT_TRUE(keys.ok());
  ASSERT_EQ(keys.keys.size(), 2u);
  EXPECT_EQ(keys.keys[1], QByteArray::fromHex("0123456789AB"));
  // A short key is kvt730ctl's --keys test; a key written with spaces is refused too.
  EXPECT_EQ(ParseKeyFile("A0A1A2A3A4A5\n\nA0 A1 A2 A3 A4 A5\n").error, "line 3: expected a key of 12 hex digits");

  // The defaults first; a file key that is one of them is not tried twice.
  const auto merged = MergeKeys(DefaultMifareKeys(), keys.keys);
  ASSERT_EQ(merged.size(), 9u);
  EXPECT_EQ(merged.front(), QByteArray::fromHex("FFFFFFFFFFFF"));
  EXPECT_EQ(merged.back(), QByteArray::fromHex("0123456789AB"));
}
