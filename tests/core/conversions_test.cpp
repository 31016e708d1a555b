// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QThread>
#include <cstdlib>
#include <ctime>

#include "core/base/conversions.h"
#include "core/base/local_clock.h"
#include "core/base/notifier.h"

using namespace kvt;

TEST(Conversions, CheckByteIgnoresTheLastElement) {
  QByteArray f = QByteArray::fromHex("F20000034330300300");
  EXPECT_EQ(CalcBCC(f), 0xB1);
  f[8] = '\x55';
  EXPECT_EQ(CalcBCC(f), 0xB1);
  EXPECT_EQ(CalcBCC(QByteArray::fromHex("F20000034330310300")), 0xB0);
  EXPECT_EQ(CalcBCC(QByteArray()), 0);
}

TEST(Conversions, HexTextsNumbersAndBytes) {
  EXPECT_EQ(DoubleType(""), "00");
  EXPECT_EQ(DoubleType("A"), "0A");
  EXPECT_EQ(DoubleType("1F"), "1F");
  EXPECT_EQ(DoubleType("123"), "");
  EXPECT_EQ(PadHex8("3E8"), "000003E8");
  EXPECT_EQ(PadHex8(""), "");
  EXPECT_EQ(PadHex8("12345678"), "12345678");
  EXPECT_EQ(PadHex8("123456789"), "0000000123456789");
  EXPECT_EQ(HexToNumber("FFFFFFFF"), 4294967295.0);
  EXPECT_EQ(HexToNumber("00002710"), 10000.0);
  EXPECT_EQ(ReadHexByte("A"), 10);
  EXPECT_EQ(ReadHexByte("1f"), 31);
  EXPECT_EQ(ReadHexByte(" FF "), 255);
  EXPECT_FALSE(ReadHexByte("").has_value());
  EXPECT_FALSE(ReadHexByte("G").has_value());
  EXPECT_FALSE(ReadHexByte("100").has_value());
  EXPECT_FALSE(ReadHexByte("-1").has_value());
  EXPECT_EQ(HexByte(0x0A), "0A");
  EXPECT_EQ(HexEntries(QByteArray::fromHex("00ff10")), "00 FF 10 ");
  // Separators are taken, half bytes refused.
  EXPECT_EQ(ParseHexText("43 31 30").value(), QByteArray::fromHex("433130"));
  EXPECT_EQ(ParseHexText("433130").value(), QByteArray::fromHex("433130"));
  EXPECT_EQ(ParseHexText("").value(), QByteArray());
  EXPECT_FALSE(ParseHexText("4 3").has_value());
  EXPECT_FALSE(ParseHexText("431").has_value());
  EXPECT_FALSE(ParseHexText("4G").has_value());
  EXPECT_EQ(MessageLine({MessageIcon::Information, "Card Status", "a\r\nb\r\n"}), "Card Status | a / b / ");
}

TEST(Conversions, DelayMsWaitsAtLeastTheTime) {
  QElapsedTimer t;
  t.start();
  EXPECT_EQ(DelayMs(0), 0);
  EXPECT_LT(t.elapsed(), 50);
  t.restart();
  DelayMs(30);
  EXPECT_GE(t.elapsed(), 30);
}

// The script's time stamps: the local time, and a change of time zone seen within a second.
TEST(LocalClock, FollowsTheLocalTimeAndItsZone) {
  const char* old = std::getenv("TZ");
  const QByteArray saved = old ? QByteArray(old) : QByteArray();
  for (const char* zone : {"UTC0", "XST-5", "YST+3:30"}) {
    setenv("TZ", zone, 1);
    tzset();
    QThread::msleep(1010);  // past the second whose offset is held
    const QDateTime mine = LocalNow();
    const QDateTime libc = QDateTime::currentDateTime();
    EXPECT_EQ(mine.offsetFromUtc(), libc.offsetFromUtc()) << zone;
    EXPECT_LT(std::llabs(mine.msecsTo(libc)), 1000) << zone;
    EXPECT_EQ(mine.time().hour(), libc.time().hour()) << zone;
  }
  EXPECT_EQ(LocalNow().offsetFromUtc(), -(3 * 3600 + 30 * 60));
  if (old) setenv("TZ", saved.constData(), 1);
  else unsetenv("TZ");
  tzset();
}
