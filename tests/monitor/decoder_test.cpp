// SPDX-License-Identifier: MIT
// The monitor's frame parser on byte streams written out by hand: units, their names and
// meanings, the verdicts on broken frames, the waits that run out, and that every byte fed
// comes out in exactly one unit.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <random>

#include "core/monitor/stream_decoder.h"
#include "core/monitor/unit_text.h"

using namespace kvt::monitor;

namespace {

QByteArray H(const char* hex) { return QByteArray::fromHex(hex); }

struct Fed {
  StreamDecoder decoder;
  std::vector<LineUnit> units;
  void app(const char* hex, qint64 t) { decoder.feed(Side::App, H(hex), t, units); }
  void reader(const char* hex, qint64 t) { decoder.feed(Side::Reader, H(hex), t, units); }
  QStringList texts() const {
    QStringList out;
    for (const LineUnit& u : units) out << QLatin1String(DirectionText(u.from)) + QLatin1Char(' ') + Describe(u);
    return out;
  }
};

}  // namespace

TEST(MonitorDecoder, AnExchangeInPiecesBecomesItsUnits) {
  Fed f;
  f.app("F20000", 1000);
  f.app("0343313003B0", 1100);
  f.reader("06F200000650", 2000);
  f.reader("3130323230", 2100);
  f.reader("0396", 2200);
  f.app("06", 3000);
  EXPECT_EQ(f.texts(), QStringList({
                           "APP>RDR command 31 30 Card Status",
                           "RDR>APP ACK",
                           "RDR>APP reply P 31 30 Card Status: Card Status Success / There is card at RF/IC card "
                           "operation position / Enough cards in stacker / The error card bin is not full",
                           "APP>RDR ACK",
                       }));
  EXPECT_EQ(f.units[0].timeUs, 1100);  // complete with its last byte
  EXPECT_EQ(f.units[2].timeUs, 2200);
  EXPECT_EQ(f.decoder.nextDeadlineUs(), std::numeric_limits<qint64>::max());  // nothing left to wait for
  EXPECT_EQ(JsonLine(f.units[2]).toStdString(),
            "{\"address\":\"00\",\"bytes\":\"F2 00 00 06 50 31 30 32 32 30 03 96\",\"check\":\"ok\",\"command\":\"31 30\","
            "\"from\":\"reader\",\"kind\":\"reply\",\"meaning\":\"Card Status Success / There is card at "
            "RF/IC card operation position / Enough cards in stacker / The error card bin is not full\",\"name\":\"Card "
            "Status\",\"reply\":\"P\",\"text\":\"reply P 31 30 Card Status: Card Status Success / There is card at RF/IC "
            "card operation position / Enough cards in stacker / The error card bin is not full\",\"time\":"
            "\"1970-01-01T00:00:00.002200Z\"}");
}

TEST(MonitorDecoder, RepliesAreNamedAfterTheCommandTheyAnswerAndDecoded) {
  Fed f;
  f.app("F20000084353330 0B000008003EA", 10);
  f.reader("06 F2000008505333303030900003 69", 20);
  f.app("F20100034331300 3B1", 30);
  f.reader("F20000054E3130374103CD", 40);
  f.app("F2000003433231 03B2", 50);
  f.reader("F20000054E3231313003B8", 60);
  f.reader("F2000008506033303030900003 5A", 70);
  EXPECT_EQ(f.texts(), QStringList({
                           "APP>RDR command 53 33 SLE4442 read main memory, data 00 B0 00 00 80",
                           "RDR>APP ACK",
                           "RDR>APP reply P 53 33 SLE4442 read main memory: Execute OK / 9000",
                           "APP>RDR command 31 30 Card Status (address 01)",
                           "RDR>APP reply N 31 30 Card Status: Negative response:7A (no text for this code)",
                           "APP>RDR command 32 31 Move card to IC card operation position",
                           "RDR>APP reply N 32 31 Move card to IC card operation position: Negative response:10 | Card jam",
                           "RDR>APP reply P 60 33 Contactless card command: Exxcute OK / 9000",
                       }));
  EXPECT_TRUE(IsError(f.units[6]));
  EXPECT_FALSE(IsError(f.units[7]));
}

TEST(MonitorDecoder, BrokenFramesAndStrayBytesAreSaidPlainly) {
  Fed f;
  f.app("F20000034331 3003B1", 10);      // wrong check byte
  f.reader("F2000000", 20);             // a length too short for any frame
  f.reader("F2 00 09 00", 30);          // longer than any frame
  f.reader("F20000035831 3003AB", 40);  // neither command nor reply
  f.app("F20000034331 3004B7", 50);     // no end byte where the length says
  f.reader("1234", 60);
  f.reader("06", 70);                   // a control byte ends the stray bytes before it
  f.reader("F2000006503130", 80);       // the application speaks: the reader's frame is over
  f.app("04", 90);
  f.reader("F200", 100);
  f.decoder.flush(f.units);
  EXPECT_EQ(f.texts(), QStringList({
                           "APP>RDR bad frame: wrong check byte B1, expected B0 (command 31 30 Card Status)",
                           "RDR>APP bad frame: the length field says 0 text bytes: too few for a frame",
                           "RDR>APP bad frame: the length field says 2304 text bytes: longer than any frame",
                           "RDR>APP bad frame: the text starts with 58: neither a command (43) nor a reply (50, 4E)",
                           "APP>RDR bad frame: no end byte 03 where the length field says the frame ends (command "
                           "31 30 Card Status)",
                           "RDR>APP noise: 2 bytes outside any frame",
                           "RDR>APP ACK",
                           "RDR>APP bad frame: cut short: 7 of 12 bytes came",
                           "APP>RDR EOT",
                           "RDR>APP bad frame: cut short: 2 bytes of a frame header",
                       }));
  EXPECT_EQ(JsonLine(f.units[0]).toStdString(),
            "{\"address\":\"00\",\"bytes\":\"F2 00 00 03 43 31 30 03 B1\",\"check\":\"wrong\",\"command\":\"31 30\","
            "\"from\":\"app\",\"kind\":\"bad-frame\",\"name\":\"Card Status\",\"problem\":\"wrong check byte B1, expected "
            "B0\",\"text\":\"bad frame: wrong check byte B1, expected B0 (command 31 30 Card Status)\",\"time\":"
            "\"1970-01-01T00:00:00.000010Z\"}");
}

TEST(MonitorDecoder, QuietEndsStrayBytesAndLeftoverFrames) {
  Fed f;
  f.reader("AA BB", 1000);
  EXPECT_EQ(f.decoder.nextDeadlineUs(), 51000);
  f.decoder.tick(50999, f.units);
  EXPECT_TRUE(f.units.empty());
  f.decoder.tick(51000, f.units);
  f.reader("F2 00 00", 60000);
  f.decoder.tick(6059999, f.units);
  ASSERT_EQ(f.units.size(), 1u);
  f.decoder.tick(6060000, f.units);
  EXPECT_EQ(f.texts(), QStringList({"RDR>APP noise: 2 bytes outside any frame",
                                    "RDR>APP bad frame: cut short: 3 bytes of a frame header"}));
  EXPECT_EQ(f.units[1].timeUs, 60000);
}

TEST(MonitorDecoder, SaysWhichWaitRanOutWhenItRunsOut) {
  Fed f;
  f.app("F20000034331 3003B0", 0);
  f.decoder.tick(2999999, f.units);
  EXPECT_EQ(f.units.size(), 1u);
  EXPECT_EQ(f.decoder.nextDeadlineUs(), 3000000);
  f.decoder.tick(3000000, f.units);                  // no ACK: the reply is waited for all the same
  EXPECT_EQ(f.decoder.nextDeadlineUs(), 13000000);
  f.decoder.tick(20000000, f.units);
  f.app("F20000034331 3003B0", 30000000);
  f.reader("06", 30000100);
  f.app("F20000034331 3003B0", 50000000);           // the first wait ran out before this came
  f.reader("15", 50000100);                          // a NAK ends the exchange
  f.decoder.tick(90000000, f.units);
  QStringList kinds;
  for (const LineUnit& u : f.units) kinds << QLatin1String(KindName(u.kind)) + QLatin1Char('@') + QString::number(u.timeUs);
  EXPECT_EQ(kinds, QStringList({"command@0", "timeout@3000000", "timeout@13000000", "command@30000000",
                                "ack@30000100", "timeout@40000100", "command@50000000", "nak@50000100"}));
  EXPECT_EQ(Describe(f.units[1]), "timeout: no acknowledgement within 3 s of the command");
  EXPECT_EQ(Describe(f.units[2]), "timeout: no reply within 10 s after the acknowledgement wait");
  EXPECT_EQ(Describe(f.units[5]), "timeout: no reply within 10 s of the acknowledgement");
  EXPECT_EQ(f.units[5].from, Side::Reader);
}

TEST(MonitorDecoder, EveryByteComesOutOnceInOrderWhereverTheStreamsAreCut) {
  std::mt19937 rng(7);
  const QByteArray pieces[] = {H("F20000034331 3003B0"), H("06"), H("15"), H("04"), H("05"), H("F2000006503130323230 0396"),
                               H("F2FF"), H("00 11 F2"), H("F20000"), H("414243")};
  for (int round = 0; round < 200; ++round) {
    StreamDecoder d;
    std::vector<LineUnit> units;
    QByteArray sent[2];
    qint64 t = 0;
    for (int i = 0; i < 30; ++i) {
      const int side = static_cast<int>(rng() % 2);
      QByteArray bytes = pieces[rng() % std::size(pieces)];
      if (rng() % 5 == 0) bytes = bytes.left(static_cast<int>(rng() % (bytes.size() + 1)));
      sent[side] += bytes;
      t += static_cast<qint64>(rng() % 8000000);
      d.feed(side == 0 ? Side::App : Side::Reader, bytes, t, units);
    }
    d.flush(units);
    QByteArray shown[2];
    for (const LineUnit& u : units) shown[u.from == Side::App ? 0 : 1] += u.bytes;
    ASSERT_EQ(shown[0], sent[0]) << "round " << round;
    ASSERT_EQ(shown[1], sent[1]) << "round " << round;
  }
}

TEST(MonitorDecoder, JsonLinesCarryAnyTextIntact) {
  LineUnit u;
  u.timeUs = 1700000000123456;
  u.from = Side::App;
  u.kind = UnitKind::Event;
  u.meaning = QStringLiteral("a \"b\" \\ c\n\t\x01 \u201C63\u201D /dev/pts/4");
  const QByteArray line = JsonLine(u);
  EXPECT_FALSE(line.contains('\n'));
  const QJsonObject o = QJsonDocument::fromJson(line).object();
  EXPECT_EQ(o.value("meaning").toString(), u.meaning);
  EXPECT_EQ(o.value("text").toString(), "event: " + u.meaning);
  EXPECT_EQ(o.value("time").toString(), "2023-11-14T22:13:20.123456Z");
  EXPECT_EQ(o.keys(), QStringList({"bytes", "from", "kind", "meaning", "text", "time"}));
}
