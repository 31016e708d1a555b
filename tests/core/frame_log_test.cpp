// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "core/base/notifier.h"
#include "core/link/frame.h"
#include "core/link/log_format.h"
#include "core/link/negative_reply.h"

using namespace kvt;

// The short frames are on the line in the operations' logs; here the length of a long one.
TEST(Frames, LongFrameCarriesItsLength) {
  const QByteArray big = BuildFrame(0, 0x60, 0x33, QByteArray(0x80, '\x11'));
  EXPECT_EQ(big.size(), 137);  // 7 header bytes, 128 data, ETX, BCC
  EXPECT_EQ(static_cast<uint8_t>(big[2]), 0x00);
  EXPECT_EQ(static_cast<uint8_t>(big[3]), 0x83);
  EXPECT_EQ(static_cast<uint8_t>(big[135]), 0x03);
}

// The data of real replies is read in the operations' tests; here the edges.
TEST(Frames, ReplyDataAtTheEdges) {
  ReplyBuffer r;
  r.bytes = QByteArray("P10012") + QByteArray::fromHex("0300");
  r.len = r.bytes.size();
  EXPECT_EQ(r.data(), "");
  EXPECT_EQ(r.at(100), 0);  // past the reply reads as the cleared buffer
  ReplyBuffer tiny;
  tiny.bytes = "P";
  tiny.len = 1;
  EXPECT_EQ(tiny.data(), "");
}

TEST(LogLines, SixtyByteFrameWrapsAt24Then25) {
  const QString line = SentLine(QByteArray(60, '\x00'));
  const QStringList parts = line.split("\r\n");
  ASSERT_EQ(parts.size(), 4);
  EXPECT_EQ(parts[0], "SD: " + QString("00 ").repeated(24));
  EXPECT_EQ(parts[1], QString(7, ' ') + QString("00 ").repeated(25));
  EXPECT_EQ(parts[2], QString(7, ' ') + QString("00 ").repeated(11));
  EXPECT_EQ(parts[3], "");
}

TEST(LogLines, ReplyAndControlLines) {
  EXPECT_EQ(ControlLine("RD: ", 0x06), "RD: 06\r\n");
  const QByteArray header = QByteArray::fromHex("F2000005");
  const QByteArray rem = QByteArray::fromHex("4E3030313003BB");
  EXPECT_EQ(HeaderText(header) + RemainderText(rem), "RD: F2 00 00 05 4E 30 30 31 30 03 BB \r\n");
  // 30 remainder bytes: the break comes after position 21 (21 + 4 = 25).
  const QString wrapped = RemainderText(QByteArray(30, '\x01'));
  const QStringList parts = wrapped.split("\r\n");
  ASSERT_EQ(parts.size(), 3);
  EXPECT_EQ(parts[0], QString("01 ").repeated(22));
  EXPECT_EQ(parts[1], QString(7, ' ') + QString("01 ").repeated(8));
  // No break after the last byte even when it falls on the boundary.
  EXPECT_EQ(RemainderText(QByteArray(22, '\x01')), QString("01 ").repeated(22) + "\r\n");
}

TEST(NegativeReplies, TableTextsAndTitles) {
  RecordingNotifier n;
  ShowNegativeReply(n, '1', '0');
  ShowNegativeReply(n, '0', '6');
  ShowNegativeReply(n, 'A', '1');
  ShowNegativeReply(n, 'a', '1');
  ShowNegativeReply(n, '7', '0');
  ASSERT_EQ(n.messages.size(), 3u);
  EXPECT_EQ(n.messages[0], (Message{MessageIcon::Information, "Negative response:10", "Card jam"}));
  EXPECT_EQ(n.messages[1].text, "--------");
  EXPECT_EQ(n.messages[1].title, "Negative response:06");
  EXPECT_EQ(n.messages[2].text, "The Error Bin is Full");
  EXPECT_EQ(NegativeReplyText("64").value(),
            QString::fromUtf8("IC card communication error (Other than \xE2\x80\x9C" "63\xE2\x80\x9D)"));
  EXPECT_EQ(NegativeReplyText("66").value(), "Tried to communicate with IC card not supported in RAVI.");
  EXPECT_EQ(NegativeReplyText("B0").value(), "Not received Initialize command");
  int known = 0;
  for (int a = 0; a < 256; ++a)
    for (int b = 0; b < 256; ++b)
      if (NegativeReplyText(QString(QChar(a)) + QChar(b))) ++known;
  EXPECT_EQ(known, 75);  // 52 texts and 23 reserved codes
}
