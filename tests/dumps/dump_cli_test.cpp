// SPDX-License-Identifier: MIT
// kvt730ctl's whole-card commands as a user runs them: against kvt730-sim holding a card,
// files read back byte for byte, and bad files, key files and trailers refused before
// anything goes out (checked with --log, which shows every byte sent).
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "ctl_process.h"
#include "test_files.h"

using ctl_test::CtlRun;
using ctl_test::runCtl;
using ctl_test::SimProcess;

namespace {

QStringList rfCard(const char* kind) { return {"--card", "rf", "--rf-card", kind}; }
QStringList icCard(const char* kind) { return {"--card", "inside", "--ic-card", kind}; }

using test_files::readFile;

void spit(const QString& path, const QByteArray& bytes) { ASSERT_TRUE(test_files::writeFile(path, bytes)); }


}  // namespace

TEST(DumpCli, MifareDumpInEveryFormatRestoreKeyFilesAndTrailerGuard) {
  QTemporaryDir dir;
  SimProcess sim(rfCard("s50-mixed"));
  ASSERT_TRUE(sim.ok());
  // A line per sector, then the file; the format follows the file name.
  const CtlRun mct = sim.ctl({"mifare", "dump", dir.filePath("card.mct")});
  EXPECT_EQ(mct.code, 1);  // sectors 3 and 4 keep blocks the default keys do not open
  ASSERT_EQ(mct.lines.size(), 18);
  EXPECT_EQ(mct.lines[2], "Sector 02: key A unknown, key B D3F7D3F7D3F7, 4/4 blocks");
  EXPECT_EQ(mct.lines[16], "Not read whole: sector 02 blocks 3; sector 03 blocks 0, 1, 2, 3; sector 04 blocks 1, 2, 3.");
  EXPECT_EQ(mct.lines[17], "Written: " + dir.filePath("card.mct"));
  // Block 0: UID, BCC, SAK, ATQA, maker data.
  EXPECT_EQ(readFile(dir.filePath("card.mct")).split('\n').value(1), "3E71C4058E0804004B56542D37333053");

  // The same card as .mfd and .eml: the same bytes (unread ones as 00, the image writer's
  // test; the list beside them is the next test's).
  EXPECT_EQ(sim.ctl({"mifare", "dump", dir.filePath("card.mfd")}).code, 1);
  EXPECT_EQ(sim.ctl({"mifare", "dump", dir.filePath("card.eml")}).code, 1);
  const QByteArray mfd = readFile(dir.filePath("card.mfd"));
  ASSERT_EQ(mfd.size(), 1024);
  EXPECT_EQ(QByteArray::fromHex(readFile(dir.filePath("card.eml"))), mfd);

  // Change block 1 of sector 7 and block 2 of sector 1 in the file, write it back, read
  // the card again: the card now holds the file's bytes there.
  QByteArray changed = mfd;
  changed.replace(29 * 16, 16, "RESTORED BLOCK 1");
  changed.replace(6 * 16, 16, "KEY B WROTE THIS");
  spit(dir.filePath("changed.mfd"), changed);
  const CtlRun restore = sim.ctl({"mifare", "restore", dir.filePath("changed.mfd")});
  EXPECT_EQ(restore.lines.value(3), "Sector 03: wrote 0/3 blocks; no key found; refused by the card: 0, 1, 2");
  EXPECT_EQ(restore.code, 1);
  EXPECT_EQ(sim.ctl({"mifare", "dump", dir.filePath("again.mfd")}).code, 1);
  EXPECT_EQ(readFile(dir.filePath("again.mfd")), changed);

  // Key files: sector 3 opens with the file's keys.
  spit(dir.filePath("keys.txt"), "# the shop's keys\n0123456789AB\n9876543210FE  # key B\n");
  const CtlRun found = sim.ctl({"mifare", "dump", dir.filePath("c.mct"), "--keys", dir.filePath("keys.txt")});
  EXPECT_EQ(found.lines.value(3), "Sector 03: key A 0123456789AB, key B 9876543210FE, 4/4 blocks");

  spit(dir.filePath("bad.txt"), "0123456789AB\n\n98765432\n");
  const CtlRun bad = runCtl({"--simulate", "--log", "mifare", "dump", dir.filePath("x.mfd"), "--keys", dir.filePath("bad.txt")});
  EXPECT_EQ(bad.code, 3);
  EXPECT_TRUE(bad.err.contains(dir.filePath("bad.txt") + ": line 3: expected a key of 12 hex digits")) << bad.err.toStdString();
  EXPECT_TRUE(bad.lines.isEmpty());  // nothing sent, not even logged
  EXPECT_EQ(sim.ctl({"mifare", "dump", dir.filePath("c.mfd"), "--size", "4k"}).lines.value(0),
            "Caution | The card is a Mifare Classic 1K (S50), not 4K (S70).");
  EXPECT_EQ(runCtl({"--simulate", "mifare", "dump", dir.filePath("c.bin")}).code, 3);  // no such format
  // No card in the reader: the old file stays as it was.
  spit(dir.filePath("old.mfd"), "old");
  const CtlRun noCard = runCtl({"--simulate", "mifare", "dump", dir.filePath("old.mfd")});
  EXPECT_EQ(noCard.code, 1);
  EXPECT_TRUE(noCard.err.contains("old.mfd was not written"));
  EXPECT_EQ(readFile(dir.filePath("old.mfd")), "old");

  // Sector 5's trailer in the file locks itself for good: refused unless forced, then the
  // card (already locked) refuses it.
  const CtlRun guarded = sim.ctl({"--log", "mifare", "restore", dir.filePath("c.mct"), "--trailers"});
  EXPECT_EQ(guarded.code, 3);
  EXPECT_EQ(guarded.lines, QStringList{"Caution | The access bits 77 8F 08 lock the trailer of sector 05 for good: "
                                       "they can never be changed again. / Nothing was written."});
  const CtlRun forced = sim.ctl({"mifare", "restore", dir.filePath("c.mct"), "--trailers", "--force"});
  EXPECT_EQ(forced.lines.value(5), "Sector 05: wrote 3/4 blocks; refused by the card: 3");
  // One trailer written by hand is guarded alike: nothing goes out without --force.
  const CtlRun write = sim.ctl({"--log", "mifare", "write", "1", "3", "FFFFFFFFFFFF778F0869FFFFFFFFFFFF"});
  EXPECT_EQ(write.code, 3);
  EXPECT_EQ(write.lines.filter("SD: "), QStringList());
  EXPECT_EQ(write.lines.last(), "Caution | The access bits 77 8F 08 lock the trailer of sector 01 for good: "
                                "they can never be changed again. / Nothing was written.");

  const CtlRun access = runCtl({"--port", "/dev/kvt-no-such-port", "mifare", "access", "778F08"});  // no port
  EXPECT_EQ(access.code, 0);
  EXPECT_EQ(access.lines.value(3), "Trailer: key A read never, write never; access bits read A|B, write never; "
                                   "key B read never, write never");
}

// A .mfd or .eml dump of a card with closed sectors says which blocks it could not read,
// lists them beside the file, and a restore from it leaves those blocks of a fresh card as
// they were.
TEST(DumpCli, UnreadBlocksOfMfdAndEmlStayOffAFreshCard) {
  QTemporaryDir dir;
  SimProcess mixed(rfCard("s50-mixed"));
  SimProcess fresh(rfCard("s50"));
  ASSERT_TRUE(mixed.ok() && fresh.ok());
  for (const char* name : {"card.mfd", "card.eml"}) {
    const QString path = dir.filePath(name);
    EXPECT_EQ(mixed.ctl({"mifare", "dump", path}).lines.mid(16, 2),
              (QStringList{"Not read whole: sector 02 blocks 3; sector 03 blocks 0, 1, 2, 3; sector 04 blocks 1, 2, 3.",
                           QStringLiteral("A .%1 file cannot mark bytes not read: they are 00 in %2, and %2.unread "
                                          "beside it lists them, so that a restore from it leaves them alone. A .mct "
                                          "file marks them in the file itself.")
                               .arg(path.right(3), name)}));
    const QList<QByteArray> list = readFile(path + ".unread").split('\n');
    EXPECT_EQ(list.mid(3), (QList<QByteArray>{"unread 176-181", "unread 192-255", "unread 272-303", "unread 314-319", ""})) << name;

    // Onto a fresh card: no write goes to sector 03, and only block 0 to sector 04.
    const CtlRun restore = fresh.ctl({"--log", "mifare", "restore", path});
    EXPECT_EQ(restore.code, 1);
    EXPECT_EQ(restore.lines.mid(3, 2), (QStringList{"Sector 03: wrote 0/3 blocks; not in the file: 0, 1, 2",
                                                    "Sector 04: wrote 1/3 blocks; not in the file: 1, 2"}));
    EXPECT_EQ(restore.lines.filter(QRegularExpression("^SD: .* 00 D1 0[34] ")).size(), 1) << name;
  }
  // The file changed after its dump: the list no longer belongs to it, nothing is sent.
  QByteArray changed = readFile(dir.filePath("card.mfd"));
  changed[100] = 'X';
  spit(dir.filePath("card.mfd"), changed);
  const CtlRun stale = fresh.ctl({"--log", "mifare", "restore", dir.filePath("card.mfd")});
  EXPECT_EQ(stale.code, 3);
  EXPECT_TRUE(stale.err.contains("card.mfd.unread: it lists the bytes of another version of the image file (the "
                                 "SHA-256 differs). Dump the card again, or delete "))
      << stale.err.toStdString();
  EXPECT_TRUE(stale.out.isEmpty());
  // A dump read whole takes the old list away.
  EXPECT_EQ(fresh.ctl({"mifare", "dump", dir.filePath("card.mfd")}).code, 0);
  EXPECT_FALSE(QFile::exists(dir.filePath("card.mfd.unread")));
}

// Three wrong codes lock an SLE4442 for good: the third restore is refused before its code
// goes out, and only --force spends the last try.
TEST(DumpCli, Sle4442RestoreNeverSpendsTheLastTryUnasked) {
  QTemporaryDir dir;
  SimProcess sim(icCard("sle4442"));
  ASSERT_TRUE(sim.ok());
  spit(dir.filePath("s.bin"), QByteArray(256, char(0x22)));
  const auto restore = [&](const QStringList& more) {
    return sim.ctl(QStringList{"sle4442", "restore", dir.filePath("s.bin"), "000000"} + more);
  };
  CtlRun r = restore({});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.lines, QStringList{"Caution | The card did not take the security code: Verification Password error "
                                 "(6F01). Nothing was written. / Security code tries left: 2 of 3"});
  EXPECT_TRUE(restore({}).lines.value(0).endsWith("Nothing was written. / Security code tries left: 1 of 3"));
  r = restore({});
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.lines, QStringList{"Caution | The card has one security code try left (error counter 01): a wrong code "
                                 "now locks it for good. / The code was not presented; nothing was written."});
  EXPECT_TRUE(r.err.contains("sle4442 restore: nothing irreversible is done without --force"));
  EXPECT_EQ(sim.ctl({"sle4442", "read-security"}).lines.value(0), "Transmit Command | Execute OK / 01000000 / 9000");
  // Spent with --force: locked for good, and every later restore is refused before its code.
  EXPECT_TRUE(restore({"--force"}).lines.value(0).endsWith("No security code try is left: the card is locked for good."));
  r = sim.ctl({"--log", "sle4442", "restore", dir.filePath("s.bin"), "FFFFFF", "--force"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.lines.value(0), "Caution | The card is locked for good: its error counter reads 00, no security code "
                              "try is left. Nothing was written.");
  EXPECT_TRUE(r.lines.filter(QRegularExpression("^SD: .* 00 20 03 01 03 ")).isEmpty());
}

TEST(DumpCli, UltralightAndMemoryCards) {
  QTemporaryDir dir;
  {
    SimProcess sim(rfCard("ultralight"));
    ASSERT_TRUE(sim.ok());
    // kvt730ctl's page commands first.
    EXPECT_EQ(sim.ctl({"rf", "activate", "a"}).lines.value(0), "Card SN: 04A13F526B8031");
    EXPECT_EQ(sim.ctl({"ultralight", "write", "5", "11", "22", "33", "44"}).code, 0);
    EXPECT_EQ(sim.ctl({"ultralight", "read", "5"}).lines.value(0), "Data: 11 22 33 44");
    EXPECT_EQ(sim.ctl({"ultralight", "dump", dir.filePath("ul.bin")}).lines.value(0), "Pages read: 16/16");
    QByteArray ul = readFile(dir.filePath("ul.bin"));
    ASSERT_EQ(ul.size(), 64);
    EXPECT_EQ(ul.left(8), QByteArray::fromHex("04A13F12526B8031"));  // UID with its check byte 88^04^A1^3F
    ul.replace(4 * 4, 8, "ULTRA-XY");
    spit(dir.filePath("ul2.bin"), ul);
    EXPECT_EQ(sim.ctl({"ultralight", "restore", dir.filePath("ul2.bin")}).lines.value(0), "Pages written: 12/12");
    sim.ctl({"ultralight", "dump", dir.filePath("ul3.bin")});
    EXPECT_EQ(readFile(dir.filePath("ul3.bin")), ul);
    // Pages 4 to 7 locked on the card: the rest still goes back, and the run says so.
    sim.ctl({"ultralight", "write", "2", "00 00 F0 00"});
    const CtlRun locked = sim.ctl({"ultralight", "restore", dir.filePath("ul.bin")});
    EXPECT_EQ(locked.code, 1);
    EXPECT_EQ(locked.lines.value(0), "Pages written: 8/12; refused by the card: 4, 5, 6, 7");
    // .eml: a page a line, 8 hex digits; read back on a restore. Other endings are refused.
    EXPECT_EQ(sim.ctl({"ultralight", "dump", dir.filePath("u.eml")}).code, 0);
    const QList<QByteArray> eml = readFile(dir.filePath("u.eml")).split('\n');
    ASSERT_EQ(eml.size(), 17);
    EXPECT_EQ(eml[0], "04a13f12");
    EXPECT_EQ(eml[4], "554c5452");  // "ULTR"
    EXPECT_EQ(sim.ctl({"ultralight", "restore", dir.filePath("u.eml")}).lines.value(0),
              "Pages written: 8/12; refused by the card: 4, 5, 6, 7");
    const CtlRun other = sim.ctl({"--log", "ultralight", "dump", dir.filePath("u.txt")});
    EXPECT_EQ(other.code, 3);
    EXPECT_TRUE(other.err.contains("ultralight dump " + dir.filePath("u.txt") + ": an Ultralight file ends in .bin or "
                                   ".eml"));
    EXPECT_TRUE(other.out.isEmpty());
    spit(dir.filePath("short.bin"), ul.left(63));
    const CtlRun shortFile = sim.ctl({"--log", "ultralight", "restore", dir.filePath("short.bin")});
    EXPECT_EQ(shortFile.code, 3);
    EXPECT_TRUE(shortFile.out.isEmpty());
  }
  {
    SimProcess sim(icCard("sle4428"));
    ASSERT_TRUE(sim.ok());
    EXPECT_EQ(sim.ctl({"sle4428", "dump", dir.filePath("s.bin")}).lines.value(0), "Bytes read: 1024/1024");
    QByteArray mem = readFile(dir.filePath("s.bin"));
    ASSERT_EQ(mem.size(), 1024);
    EXPECT_EQ(mem.left(6), QByteArray::fromHex("92231091FFFF"));
    mem.replace(0x3F0, 16, "LAST SIXTEEN BYT");
    spit(dir.filePath("s2.bin"), mem);
    EXPECT_EQ(sim.ctl({"sle4428", "restore", dir.filePath("s2.bin"), "1234"}).code, 1);  // wrong code
    EXPECT_EQ(sim.ctl({"sle4428", "restore", dir.filePath("s2.bin"), "FF", "FF"}).lines.value(0),
              "Bytes written: 1024/1024");
    sim.ctl({"sle4428", "dump", dir.filePath("s3.bin")});
    EXPECT_EQ(readFile(dir.filePath("s3.bin")), mem);
  }
  SimProcess sim(icCard("24c04"));
  ASSERT_TRUE(sim.ok());
  EXPECT_EQ(sim.ctl({"24cxx", "dump", dir.filePath("e.bin"), "--size", "24C04"}).lines.value(0), "Bytes read: 512/512");
  EXPECT_EQ(readFile(dir.filePath("e.bin")), QByteArray(512, char(0xFF)));
  EXPECT_EQ(sim.ctl({"24cxx", "dump", dir.filePath("e.bin"), "--size", "24C64"}).lines,
            QStringList{"Caution | The reader found a 24C04 card, not a 24C64."});
  EXPECT_EQ(sim.ctl({"24cxx", "dump", dir.filePath("e.bin")}).code, 3);
}
