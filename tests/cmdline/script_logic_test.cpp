// SPDX-License-Identifier: MIT
// Script lines into frames, the script text, and the entries the transport writes.
#include <gtest/gtest.h>

#include <QDateTime>

#include "core/cmdline/script_parse.h"
#include "core/cmdline/script_text.h"
#include "core/cmdline/script_transport.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QByteArray& b, std::ostream* os) { *os << b.toHex(' ').toStdString(); }
QT_END_NAMESPACE

namespace kvt {
namespace {

QByteArray Hex(const char* text) { return QByteArray::fromHex(text); }
const QDateTime kAt(QDate(2013, 9, 9), QTime(14, 5, 7, 42));

TEST(ScriptParse, LinesGiveTheirBodies) {
  const std::vector<std::pair<QString, QByteArray>> cases = {
      {"C04", Hex("433034")},         {"CQ0$30", Hex("43513030")},  {"CQ0 30", Hex("43513030")},
      {"CQ0$3", Hex("43513003")},     {"CQ0$a0", Hex("435130A0")},  {"CQ0$A0", Hex("435130A0")},
      {"C00$7", Hex("43303007")},     {"C00$z", Hex("43303023")},   // one last character: its value
      {"C00$0G", Hex("43303010")},    // letters go on beyond F while the byte fits
      {"C00$#1", Hex("43303001")},    // anything else counts 0
      {"C04$", Hex("433034")},        // a lone marker at the end stores nothing
      {QStringLiteral("C\u00ff"), Hex("43FF")},
  };
  for (const auto& [line, body] : cases) {
    ScriptFrame r;
    EXPECT_EQ(ScriptBody(line, &r), body) << line.toStdString();
    EXPECT_TRUE(r.ok()) << line.toStdString();
  }
}

TEST(ScriptParse, FrameIsCompletedAroundTheBody) {
  // A frame without data is the transport test's.
  const ScriptFrame data = ParseScriptLine(QStringLiteral("CQ0$00$A4$04$00$02$3F$00"), 0x0A);
  EXPECT_EQ(data.frame, Hex("F20A000A" "43513000A40400023F00" "03" "4E"));
  EXPECT_EQ(data.end, 4 + 10);
  EXPECT_TRUE(ParseScriptLine("C04" + QString(kMaxScriptBody - 3, QLatin1Char('x')), 0).ok());
}

TEST(ScriptParse, RefusedLinesSayWhereAndGiveNoFrame) {
  struct Case {
    QString line;
    ScriptLineError error;
    int column, value;
  };
  const std::vector<Case> cases = {
      {"C00$G0", ScriptLineError::ByteTooLarge, 4, 256},
      {"C00 zz", ScriptLineError::ByteTooLarge, 4, 595},
      {QStringLiteral("C0\u20ac"), ScriptLineError::NoSingleByte, 3, 0},
      {"X04", ScriptLineError::NotACommand, 1, 0},
      {"C0", ScriptLineError::NotACommand, 1, 0},
      {"C04" + QString(kMaxScriptBody - 2, QLatin1Char('x')), ScriptLineError::TooLong, 1, kMaxScriptBody + 1},
  };
  for (const Case& c : cases) {
    const ScriptFrame r = ParseScriptLine(c.line, 0);
    EXPECT_EQ(r.error, c.error) << c.line.toStdString();
    EXPECT_EQ(std::make_pair(r.errorColumn, r.errorValue), std::make_pair(c.column, c.value));
    EXPECT_TRUE(r.frame.isEmpty());
    EXPECT_TRUE(ScriptLineMessage(4, c.line, r).startsWith(QStringLiteral("Line 5 \"")));
  }
}

TEST(ScriptText, LinesBlankLinesRepeatValuesAndFiles) {
  EXPECT_EQ(ScriptLines(QStringLiteral("C04\n")), (QStringList{"C04", ""}));
  EXPECT_EQ(ScriptLines(QStringLiteral("a\r\nb\rc")), (QStringList{"a", "b", "c"}));
  EXPECT_EQ(ScriptLines(QStringLiteral("\n\r\r\nx\r")), (QStringList{"", "", "", "x", ""}));
  EXPECT_EQ(ScriptLines(QString()), QStringList{""});
  EXPECT_EQ(TextIfOkBtn_fun(QStringLiteral("\nC04\r\n\r\n  \nC10\n\n")), QStringLiteral("C04\n  \nC10"));

  const std::vector<std::pair<QString, qint64>> values = {
      {"1", 1}, {"0", 0}, {"-3", -3}, {"abc", 0}, {"2.7", 2}, {" 3 ", 3}, {"3abc", 3}, {"99999999999", 99999999999}};
  for (const auto& [text, value] : values) EXPECT_EQ(WholeValue(text), value) << text.toStdString();

  EXPECT_EQ(ScriptFromFile("C04\r\nC\xc3\xa9\r\n"), QStringLiteral("C04\nC\u00e9\n"));  // UTF-8
  EXPECT_EQ(ScriptFromFile("C\xe9\r"), QStringLiteral("C\u00e9\n"));  // else one character a byte
  const QString text = QStringLiteral("C04\n#\u4fdd\n");
  EXPECT_EQ(ScriptToFile(text), QByteArray("C04\r\n#\xe4\xbf\x9d\r\n"));
  EXPECT_EQ(ScriptFromFile(ScriptToFile(text)), text);
}

TEST(ScriptEntries, TimeStampRawEntriesAndDataLines) {
  // A stamp with milliseconds is in every block of the transport test.
  EXPECT_EQ(TimeStamp(QDateTime(QDate(2024, 12, 31), QTime(0, 0))), QStringLiteral("[2024/12/31      00:00:00:0]"));

  // Past the limits the lines wrap as the transport tests show; at them they do not.
  QByteArray bytes;
  for (int i = 0; i < 20; ++i) bytes.append(char(i));
  EXPECT_EQ(RawEntries(QStringLiteral("RD: "), QByteArray(25, 1)).size(), 1);

  // 20 data bytes: 16 with " - " after the 8th, then 4 after seven spaces.
  EXPECT_EQ(DataLines(bytes, 7), (QStringList{"Data(Hex):00 01 02 03 04 05 06 07  - 08 09 0A 0B 0C 0D 0E 0F ",
                                                       "       10 11 12 13 "}));
  EXPECT_EQ(DataLines(bytes.left(16), 10).size(), 1);
}

TEST(ScriptEntries, CommandBlockOfAFrameWithData) {
  EXPECT_EQ(CommandBlock(ParseScriptLine(QStringLiteral("CQ0$00$84$00$00$08"), 0).frame, kAt),
            (QStringList{kCommandRule, "[2013/09/09      14:05:07:42]", "Command:51h,  Parameter:30h",
                         "Data(Hex):00 84 00 00 08 "}));
}

}  // namespace
}  // namespace kvt
