// SPDX-License-Identifier: MIT
// kvt730ctl's contactless commands against kvt730-sim holding a chosen card at the RF
// position: the lines it prints beside the box and its exit status, the card and the reader
// keeping their state between runs (the decoding is the operations' test).
#include "ctl_process.h"

using ctl_test::CtlRun;
using ctl_test::SimProcess;

namespace {

// kvt730-sim options for a card of that contactless kind at the RF position.
QStringList rfCard(const char* kind) { return {"--card", "rf", "--rf-card", kind}; }

const QString kOk = QStringLiteral(" / Exxcute OK / 9000");

}  // namespace

TEST(RfCli, MifareKeysBlocksAndPurses) {
  SimProcess sim(rfCard("s50"));
  ASSERT_TRUE(sim.ok());
  EXPECT_EQ(sim.ctl({"rf", "activate"}).lines,
            (QStringList{"Card SN: 1A02B30C", "Activate | The RF Card is activated / Mifare one S50 card"}));
  EXPECT_EQ(sim.ctl({"mifare", "key-check", "01", "a"}).lines, QStringList{"Check Password | Check Password" + kOk});
  EXPECT_EQ(sim.ctl({"mifare", "write", "1", "1", "00112233445566778899AABBCCDDEEFF"}).code, 0);
  EXPECT_EQ(sim.ctl({"mifare", "read", "1", "1"}).lines,
            (QStringList{"Data: 00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF", "Read block data | Read block data" + kOk}));
  // A trailer: its access bits decoded after the data (the transport configuration FF0780).
  const QStringList trailer = sim.ctl({"mifare", "read", "1", "3"}).lines;
  EXPECT_TRUE(trailer.contains("Block 0: read A|B, write A|B, increment A|B, decrement A|B"));
  sim.ctl({"mifare", "purse-init", "1", "2", "1000"});
  sim.ctl({"mifare", "purse-dec", "1", "2", "5"});
  EXPECT_EQ(sim.ctl({"mifare", "purse-read", "1", "2"}).lines, (QStringList{"Value: 995", "Read | Read success" + kOk}));
  EXPECT_EQ(sim.ctl({"mifare", "key-download", "2", "b", "01 02 03 04 05 06"}).code, 0);
  EXPECT_EQ(sim.ctl({"mifare", "key-load", "2", "b"}).lines, QStringList{"Load password from the EEPROM | Load password from the EEPROM  /  / 6300"});

  for (const QStringList& bad : {QStringList{"mifare", "read", "28", "0"},  // sectors end at 27
                                 {"mifare", "write", "1", "1", "0011"}, {"mifare", "key-check", "1", "c"}})
    EXPECT_EQ(sim.ctl(bad).code, 3) << bad.join(' ').toStdString();
}

// The Ultralight page commands are run by the Ultralight dump test (tests/dumps).
TEST(RfCli, CpuCards) {
  SimProcess sim(rfCard("typeb"));
  ASSERT_TRUE(sim.ok());
  EXPECT_EQ(sim.ctl({"rf", "activate", "a"}).code, 1);  // Type A only: nobody answers
  EXPECT_EQ(sim.ctl({"rf", "activate", "ba"}).lines.value(0), "ATR Information: 508A3C51E24B565437008181");
  const CtlRun apdu = sim.ctl({"rf", "apdu", "b", "00A40000023F00", "0084000008"});
  ASSERT_EQ(apdu.lines.size(), 6);  // each response, its message, its status word
  EXPECT_EQ(apdu.lines.mid(0, 3), (QStringList{"Response: 6F1684023F00A5108801015F2D067A68656E66729F1101019000",
                                               "C-APDU | Success", "SW 9000: Normal processing"}));
  EXPECT_EQ(apdu.lines[3].size(), QString("Response: ").size() + 20);
  const CtlRun odd = sim.ctl({"rf", "apdu", "b", "00A4000002" "0"});
  EXPECT_EQ(odd.code, 3);
  EXPECT_TRUE(odd.err.contains("rf apdu 00A40000020: not an APDU")) << odd.err.toStdString();
}
