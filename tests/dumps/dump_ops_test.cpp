// SPDX-License-Identifier: MIT
// The trailer guard and the whole-card runs against the simulator over a pseudo-terminal:
// refusals leave the line silent, runs show no message per block, report their progress
// and honour a stop request between blocks.
#include "core/dump/memory_dump_ops.h"
#include "core/dump/mifare_dump_ops.h"
#include "core/rf/mifare_ops.h"
#include "core/rf/rf_activation_ops.h"
#include "rf_fixture.h"

using namespace kvt;
using kvt::test::RfTest;

namespace {

QStringList hexCells(const char* hex) {
  QStringList out;
  for (int i = 0; hex[2 * i]; ++i) out << QString::fromLatin1(hex + 2 * i, 2);
  return out;
}

const QString kModify = "Are you sure to modify\r\nthe password of present sector and control key memory area?";

}  // namespace

TEST_F(RfTest, TrailerGuardRefusesBadAndLockingBitsBeforeSending) {
  insertRf("s50");
  // Inverted C2 copy broken: refused after the usual question, whatever the policy.
  notifier.answer = true;
  Outcome o = MifareWriteBlock(session, "0", 5, 3, 1, hexCells("FFFFFFFFFFFFFF078169FFFFFFFFFFFF"), TrailerLock::Allow);
  EXPECT_EQ(o.status, OpStatus::BadInput);
  ASSERT_TRUE(o.message);
  EXPECT_EQ(o.message->title, "Caution");
  EXPECT_EQ(o.message->text,
            "The access bits FF 07 81 for sector 05 are not valid (the inverted copy of C2 does not match): the card "
            "would block the sector for good.\r\nNothing was written.");
  EXPECT_TRUE(newFrames().empty());

  // Bits that lock the trailer for good: refused, or a second question naming the sector
  // after the usual one, whose "No" writes nothing (Cancel on the usual one alone is
  // rf_ops_test's; the real box is the dumps pages test's).
  o = MifareWriteBlock(session, "0", 5, 3, 1, hexCells("FFFFFFFFFFFF778F0869FFFFFFFFFFFF"), TrailerLock::Refuse);
  EXPECT_EQ(o.status, OpStatus::BadInput);
  EXPECT_TRUE(newFrames().empty());
  notifier.messages.clear();
  notifier.safeAnswer = Answer::No;
  o = MifareWriteBlock(session, "0", 33, 15, 1, hexCells("FFFFFFFFFFFF778F0869FFFFFFFFFFFF"));
  EXPECT_EQ(o.status, OpStatus::Cancelled);
  ASSERT_EQ(notifier.messages.size(), 2u);
  EXPECT_EQ(notifier.messages[0].text, kModify);
  EXPECT_EQ(notifier.messages[1].text,
            "The access bits 77 8F 08 lock the trailer of sector 21 for good: they can never be changed again.\r\n"
            "Write them anyway?");
  EXPECT_TRUE(notifier.lastDetails.startsWith("Access bits: valid\r\nTrailer: locked for good"));
  EXPECT_TRUE(newFrames().empty());
  notifier.safeAnswer.reset();

  // Allowed, the write goes out (that the card then keeps the trailer is the restore
  // command's test).
  notifier.answer = true;
  ASSERT_EQ(RfActivate(session, "0", 0).status, OpStatus::Done);
  ASSERT_EQ(MifareKey(session, "0", MifareKeyOp::Check, 5, false, hexCells("FFFFFFFFFFFF")).status, OpStatus::Done);
  o = MifareWriteBlock(session, "0", 5, 3, 1, hexCells("FFFFFFFFFFFF778F0869FFFFFFFFFFFF"), TrailerLock::Allow);
  EXPECT_EQ(RfStatusWord(o.reply), "9000");
}

TEST_F(RfTest, WholeCardRunsAreQuietReportProgressAndStop) {
  insertRf("s50-mixed");
  std::vector<std::pair<int, int>> steps;
  RunControl control;
  control.progress = [&](int done, int total) { steps.emplace_back(done, total); };
  MifareDumpResult d = MifareDump(session, "0", {}, control);
  EXPECT_EQ(d.status, OpStatus::Done);  // no message per block: kvt730ctl's dump prints none
  ASSERT_EQ(steps.size(), 16u);
  EXPECT_EQ(steps.back(), std::make_pair(16, 16));
  ASSERT_EQ(d.sectors.size(), 16u);
  EXPECT_EQ(SectorDumpLine(d.sectors[4]), "Sector 04: key A FFFFFFFFFFFF, key B unknown, 2/4 blocks");
  // Key A goes into the trailer; the unknown key B stays unknown, the access bits are read.
  EXPECT_EQ(d.image.mid(19 * 16, 10), QByteArray::fromHex("FFFFFFFFFFFF3961EC69"));
  EXPECT_TRUE(d.image.allKnown(19 * 16, 10));
  EXPECT_FALSE(d.image.known(19 * 16 + 10));

  // A stop request ends a restore before its first block (a dump stopped midway is the
  // S50/S70 page's Stop button test).
  newFrames();
  control.progress = {};
  control.stopRequested = [] { return true; };
  MifareRestoreResult r = MifareRestore(session, "0", d.image, {}, control);
  EXPECT_TRUE(r.stopped);
  EXPECT_TRUE(r.sectors.empty());
  EXPECT_EQ(newFrames().size(), 1u);  // the activation only
  EXPECT_TRUE(notifier.messages.empty());

}

TEST_F(RfTest, MemoryRestoreWritesOnlyTheBytesTheImageHolds) {
  insert("sle4442");
  const MemoryCardModel card = *MemoryCardByName("sle4442");
  CardImage image = CardImage::fromBytes(QByteArray(256, char(0x11)));
  image.forget(0x48, 0x38);  // the end of one write piece and the whole next one
  MemoryRestoreResult r = MemoryRestore(session, "0", card, image, QByteArray::fromHex("FFFFFF"));
  // Everything but the protected answer-to-reset bytes and the bytes not held goes through.
  EXPECT_EQ(MemoryRestoreLine(r), "Bytes written: 168/256; refused by the card at 0000; not in the file at 0040, 0060");
  EXPECT_EQ(r.bytesMissing, 0x38);
  const auto frames = newFrames();
  QStringList writes;
  for (const QByteArray& f : frames)
    if (f.mid(8, 2) == QByteArray::fromHex("D000")) writes << f.mid(10, 2).toHex().toUpper();
  EXPECT_EQ(writes, (QStringList{"0020", "2020", "4008", "8020", "A020", "C020", "E020"}));
  // A wrong image size is refused before anything is sent.
  r = MemoryRestore(session, "0", card, CardImage(255), QByteArray::fromHex("FFFFFF"));
  EXPECT_EQ(r.status, OpStatus::BadInput);
  EXPECT_TRUE(newFrames().empty());
}

TEST_F(RfTest, FourKCardsAndAFailedExchangeMidRun) {
  insertRf("s70-mixed");
  MifareDumpResult d = MifareDump(session, "0", {});
  ASSERT_EQ(d.sectors.size(), 40u);
  // Sector 32: blocks 0-4 and the trailer read; 5-9 need a key B that is readable, so no
  // key; 10-14 never.
  EXPECT_EQ(SectorDumpLine(d.sectors[32]), "Sector 20: key A FFFFFFFFFFFF, key B FFFFFFFFFFFF, 6/16 blocks");
  EXPECT_EQ(SectorDumpLine(d.sectors[39]), "Sector 27: key A FFFFFFFFFFFF, key B FFFFFFFFFFFF, 16/16 blocks");
  const QList<QByteArray> mct = WriteMct(d.image).split('\n');
  const int head = static_cast<int>(mct.indexOf("+Sector: 32"));
  ASSERT_GT(head, 0);
  EXPECT_EQ(mct[head + 1], "534543544F5220333220444154410000");  // "SECTOR 32 DATA"
  EXPECT_EQ(mct[head + 6], "--------------------------------");
  EXPECT_EQ(mct[head + 16], "FFFFFFFFFFFF9B41E669FFFFFFFFFFFF");
  const ParsedImage back = ParseMct(WriteMct(d.image));
  ASSERT_TRUE(back.ok()) << back.error.toStdString();
  EXPECT_TRUE(back.image == d.image);

  // The reader falls silent after the second sector: the run ends there with the
  // engine's one message, and says it failed.
  RunControl control;
  control.progress = [&](int done, int) {
    if (done == 2) fault(sim::FaultKind::Silent);
  };
  notifier.messages.clear();
  d = MifareDump(session, "0", {}, control);
  EXPECT_EQ(d.status, OpStatus::ExchangeFailed);
  EXPECT_EQ(d.sectors.size(), 2u);  // the third sector never answered: not in the summary
  EXPECT_EQ(notifier.messages.size(), 1u);
  EXPECT_FALSE(d.complete());
}
