// SPDX-License-Identifier: MIT
// The known-ATR list: entries of a list file of our own in pcsc-tools' format, its
// wildcards and regular expressions, mixed text encodings, and the file found through
// KVT_SMARTCARD_LIST.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "core/insight/atr.h"
#include "core/insight/known_atrs.h"
#include "qt_print.h"
#include "test_files.h"

using namespace kvt::insight;

namespace {

QByteArray hex(const char* text) { return QByteArray::fromHex(text); }

const QByteArray kList =
    "#\n"
    "# a list of our own\n"
    "#\n"
    "\n"
    "3B 02 14 50\n"
    "\tExample multiflex card\n"
    "\thttp://example.org/multiflex\n"
    "\n"
    "3B .. 14 50 11\n"
    "\tAny second byte\n"
    "\n"
    "3b 8f 80 01 80 4f 0c a0 00 00 03 06 03 00 0[12] 00 00 00 00 ..\r\n"
    "\tStorage card 1K or 4K\r\n"
    "\r\n"
    "3B 9. 9. 80 .*\n"
    "\tAny T=0 card with TA1\n"
    "\n"
    "3B 02 14 51\n"
    "\tCaf\xe9 in Latin-1\n"
    "\tCaf\xc3\xa9 in UTF-8\n"
    "\n"
    "3B 11 [\n"
    "\tA pattern that is no regular expression\n"
    "3B 02 14 50\n"
    "\tExample multiflex card\n";

}  // namespace

TEST(KnownAtrs, PatternsMatchTheWholeAtr) {
  const KnownAtrList list = KnownAtrList::Parse(kList);
  EXPECT_EQ(list.entryCount(), 7);
  // Listed twice, named once.
  EXPECT_EQ(list.descriptions(hex("3B021450")),
            (QStringList{"Example multiflex card", "http://example.org/multiflex"}));
  EXPECT_EQ(list.descriptions(hex("3B02145011")), QStringList{"Any second byte"});
  EXPECT_EQ(list.descriptions(hex("3BFF145011")), QStringList{"Any second byte"});
  EXPECT_TRUE(list.descriptions(hex("3B021450 12")).isEmpty());
  EXPECT_TRUE(list.descriptions(hex("3B0214")).isEmpty());
  EXPECT_TRUE(list.descriptions(hex("3B02145011 00")).isEmpty());

  // A regular expression, written in lower case; the last byte free.
  EXPECT_EQ(list.descriptions(hex("3B8F8001804F0CA000000306030002000000 0069")), QStringList{"Storage card 1K or 4K"});
  EXPECT_TRUE(list.descriptions(hex("3B8F8001804F0CA000000306030003000000 0068")).isEmpty());
  EXPECT_EQ(list.descriptions(hex("3B959580 1F")), QStringList{"Any T=0 card with TA1"});
  EXPECT_TRUE(list.descriptions(hex("3B959581 1F")).isEmpty());

  EXPECT_EQ(list.descriptions(hex("3B021451")),
            (QStringList{QStringLiteral(u"Café in Latin-1"), QStringLiteral(u"Café in UTF-8")}));
  EXPECT_TRUE(list.descriptions(hex("3B11")).isEmpty());
  EXPECT_EQ(KnownAtrList::Parse(QByteArray()).entryCount(), 0);
}

TEST(KnownAtrs, ListFileFromTheEnvironment) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("smartcard_list.txt"));
  ASSERT_TRUE(test_files::writeFile(path, kList));

  qputenv("KVT_SMARTCARD_LIST", path.toLocal8Bit());
  EXPECT_EQ(KnownAtrLines(hex("3B021450")),
            (QStringList{"Known as: Example multiflex card", "Known as: http://example.org/multiflex"}));
  // Read once: a later change of the file is not seen by this process.
  ASSERT_TRUE(test_files::writeFile(path, QByteArray()));
  EXPECT_EQ(KnownAtrLines(hex("3B02145011")), QStringList{"Known as: Any second byte"});

  qputenv("KVT_SMARTCARD_LIST", dir.filePath(QStringLiteral("missing.txt")).toLocal8Bit());
  EXPECT_TRUE(KnownAtrLines(hex("3B021450")).isEmpty());
  EXPECT_EQ(AtrLines(hex("3B021450")).last(), "TCK: absent");

  qunsetenv("KVT_SMARTCARD_LIST");
  EXPECT_EQ(KnownAtrListPath(), "/usr/share/pcsc/smartcard_list.txt");
}
