// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "core/machine/status_ops.h"
#include "core/machine/unit_ops.h"

using namespace kvt;

// The sensor rows and their colours are the sensor window's test (tests/gui).
TEST(Decoders, CardStatusLines) {
  EXPECT_EQ(CardStatusText('2', '2', '0'),
            "Card Status Success\r\nThere is card at RF/IC card operation position\r\n"
            "Enough cards in stacker\r\nThe error card bin is not full");
  EXPECT_EQ(CardStatusText('3', '0', '2'), "Card Status Success\r\n\r\nNo card in stacker\r\n");
}

TEST(Decoders, ConfigurationAndCounter) {
  const QStringList rows = DecodeConfig(QByteArray("9V100ER2221"));
  EXPECT_EQ(rows, QStringList({"KVT-730", "V100", "Supports RF and contactless IC card Read/Write",
                               "RS-232 Interface", "KVT Standard IC Card Read/Write Module",
                               "KVT Standard RF Card Read/Write Module", "Support two SAM card operation",
                               "Drawing card issuer Components"}));
  const QStringList odd = DecodeConfig(QByteArray("8ABCDIU11X0"));
  EXPECT_EQ(odd[0], "");
  EXPECT_EQ(odd[2], "Only supports contactless IC card Read/Write");
  EXPECT_EQ(odd[4], "There IC card contacts components, for the third-party ");
  EXPECT_EQ(odd[6], "");
  EXPECT_EQ(odd[7], "Rub card issuer Components");
  EXPECT_EQ(PadCounter(""), "000");
  EXPECT_EQ(PadCounter("7"), "007");
  EXPECT_EQ(PadCounter("12"), "012");
  EXPECT_EQ(PadCounter("1234"), "1234");
}
