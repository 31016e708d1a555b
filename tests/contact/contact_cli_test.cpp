// SPDX-License-Identifier: MIT
// kvt730ctl's contact card commands against kvt730-sim holding a chosen card at the IC
// contacts: what it prints and its exit status (the decoding is the operations' test).
#include "ctl_process.h"

using ctl_test::CtlRun;
using ctl_test::SimProcess;

namespace {

QStringList card(const char* kind) { return {"--card", "inside", "--ic-card", kind}; }

const QString kOk = QStringLiteral("Transmit Command | Execute OK / 9000");

}  // namespace

TEST(ContactCli, MemoryCardsPrintRowsOfSixteen) {
  {
    SimProcess sim(card("sle4442"));
    ASSERT_TRUE(sim.ok());
    EXPECT_EQ(sim.ctl({"ic-type"}).lines, QStringList{"Test IC Type | Test IC Type Complete / SLE4442 Card"});
    sim.ctl({"sle4442", "activate"});
    EXPECT_EQ(sim.ctl({"sle4442", "verify", "FF FF FF"}).lines, QStringList{kOk});
    EXPECT_EQ(sim.ctl({"sle4442", "write-main", "20", "0A1B", "2C"}).code, 0);  // bytes split anyhow
    const CtlRun read = sim.ctl({"sle4442", "read-main", "1E", "12"});
    EXPECT_EQ(read.code, 0);
    EXPECT_EQ(read.lines, (QStringList{"00: FF FF 0A 1B 2C FF FF FF FF FF FF FF FF FF FF FF", "01: FF FF", kOk}));
    const CtlRun bad = sim.ctl({"sle4442", "write-main", "00", "GG"});
    EXPECT_EQ(bad.code, 3);
    EXPECT_TRUE(bad.lines.isEmpty());
  }
  SimProcess sim(card("24c02"));  // a two-byte address
  ASSERT_TRUE(sim.ok());
  sim.ctl({"24cxx", "activate"});
  EXPECT_EQ(sim.ctl({"24cxx", "write", "00FE", "AA", "BB"}).lines, QStringList{kOk});
  EXPECT_EQ(sim.ctl({"24cxx", "read", "FE", "02"}).lines, (QStringList{"00: AA BB", kOk}));
}

TEST(ContactCli, CpuCardAndSam) {
  SimProcess sim(card("cpu-noemv"));
  ASSERT_TRUE(sim.ok());
  // A reset the card refuses still prints what the card answered.
  const CtlRun refused = sim.ctl({"cpu", "cold-reset", "emv"});
  EXPECT_EQ(refused.code, 1);
  EXPECT_EQ(refused.lines, (QStringList{"ATR: 3B789600004B56543733304953",
                                        "Negative response:69 | Tried to communicate with IC card not supported in "
                                        "Protocol EMV2000. / T=0"}));
  EXPECT_EQ(sim.ctl({"cpu", "cold-reset", "iso"}).lines,
            (QStringList{"ATR: 3B789600004B56543733304953", "Cold Reset | Cold Reset Success(T=0)"}));
  // Each response, its message, its status word.
  EXPECT_EQ(sim.ctl({"cpu", "apdu", "t0", "00A40000023F00", "00C0000018"}).lines,
            (QStringList{"Response: 6118", "C-APDU | Success",
                         "SW 6118: Normal processing, 24 bytes still available (GET RESPONSE)",
                         "Response: 6F1684023F00A5108801015F2D067A68656E66729F1101019000", "C-APDU | Success",
                         "SW 9000: Normal processing"}));
  const CtlRun wrong = sim.ctl({"cpu", "apdu", "t1", "0084000004"});  // T=1 asked of a T=0 card
  EXPECT_EQ(wrong.code, 1);
  EXPECT_TRUE(wrong.lines.filter("SW ").isEmpty());  // no response, no status word

  sim.ctl({"sam", "choose", "2"});
  EXPECT_EQ(sim.ctl({"sam", "status"}).lines,
            QStringList{"Card Status | Card is not activated / Current SAM card is  No.2"});
  EXPECT_EQ(sim.ctl({"sam", "choose", "15"}).code, 3);
}
