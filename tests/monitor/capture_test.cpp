// SPDX-License-Identifier: MIT
// The files the monitor writes: pcapng blocks byte by byte, the communication log lines of
// each unit, and a saved log read back.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "core/monitor/capture_files.h"
#include "core/monitor/comm_log.h"
#include "core/monitor/pcapng.h"
#include "core/monitor/stream_decoder.h"
#include "core/monitor/unit_text.h"

using namespace kvt::monitor;

namespace {

QByteArray H(const char* hex) { return QByteArray::fromHex(hex); }
std::string Hex(const QByteArray& b) { return b.toHex(' ').toUpper().toStdString(); }

std::vector<LineUnit> Decode(const std::vector<LogChunk>& chunks) {
  StreamDecoder d;
  std::vector<LineUnit> units;
  qint64 t = 1000000;
  for (const LogChunk& c : chunks) d.feed(c.from, c.bytes, t += 1000, units);
  d.flush(units);
  return units;
}

}  // namespace

TEST(MonitorCapture, BlocksAreLaidOutAsPcapngSays) {
  EXPECT_EQ(Hex(pcapng::EnhancedPacketBlock(0, 1000000, pcapng::kInbound, H("06"))),
            "06 00 00 00 30 00 00 00 00 00 00 00 00 00 00 00 40 42 0F 00 01 00 00 00 01 00 00 00 06 00 00 00 "
            "02 00 04 00 01 00 00 00 00 00 00 00 30 00 00 00");
  EXPECT_EQ(Hex(pcapng::EnhancedPacketBlock(1, 0x123456789AB, 0, H("4142434445"))),
            "06 00 00 00 28 00 00 00 01 00 00 00 23 01 00 00 AB 89 67 45 05 00 00 00 05 00 00 00 41 42 43 44 "
            "45 00 00 00 28 00 00 00");
  EXPECT_EQ(Hex(pcapng::InterfaceDescriptionBlock(147, QStringLiteral("KVT-730 line"))),
            "01 00 00 00 28 00 00 00 93 00 00 00 00 00 04 00 02 00 0C 00 4B 56 54 2D 37 33 30 20 6C 69 6E 65 "
            "00 00 00 00 28 00 00 00");
  EXPECT_EQ(Hex(pcapng::SectionHeaderBlock(QStringLiteral("k"))),
            "0A 0D 0D 0A 28 00 00 00 4D 3C 2B 1A 01 00 00 00 FF FF FF FF FF FF FF FF 04 00 01 00 6B 00 00 00 "
            "00 00 00 00 28 00 00 00");
  LineUnit event;
  event.timeUs = 0;
  event.from = Side::App;
  event.kind = UnitKind::Event;
  event.meaning = QStringLiteral("x");
  EXPECT_EQ(Hex(pcapng::UnitBlock(event)),
            "06 00 00 00 34 00 00 00 01 00 00 00 00 00 00 00 00 00 00 00 08 00 00 00 08 00 00 00 65 76 65 6E "
            "74 3A 20 78 02 00 04 00 02 00 00 00 00 00 00 00 34 00 00 00");
}

TEST(MonitorCapture, FilesHoldEveryUnitAsItCame) {
  QTemporaryDir dir;
  const QString cap = dir.filePath(QStringLiteral("c.pcapng")), log = dir.filePath(QStringLiteral("c.log"));
  const std::vector<LineUnit> units = Decode({{Side::App, H("F20000034331 3003B0")},
                                              {Side::Reader, H("06")},
                                              {Side::Reader, H("F2000006503130323230 0396")},
                                              {Side::App, H("06")}});
  CaptureFiles files;
  QString error;
  ASSERT_TRUE(files.openCapture(cap, &error)) << error.toStdString();
  ASSERT_TRUE(files.openLog(log, &error)) << error.toStdString();
  EXPECT_TRUE(files.write(units));
  files.flush();
  QFile c(cap), l(log);
  ASSERT_TRUE(c.open(QIODevice::ReadOnly) && l.open(QIODevice::ReadOnly));
  QByteArray expected = pcapng::FileHeader();
  for (const LineUnit& u : units) expected += pcapng::UnitBlock(u);
  EXPECT_EQ(c.readAll(), expected);  // readable before the run ends
  EXPECT_EQ(l.readAll().toStdString(),
            "SD: F2 00 00 03 43 31 30 03 B0 \r\nRD: 06\r\nRD: F2 00 00 06 50 31 30 32 32 30 03 96 \r\nSD: 06\r\n\r\n");
  EXPECT_FALSE(CheckOutputPath(dir.filePath(QStringLiteral("none/x"))).isEmpty());
  EXPECT_FALSE(CheckOutputPath(dir.path()).isEmpty());
  EXPECT_TRUE(CheckOutputPath(cap).isEmpty());
}

TEST(MonitorCapture, ASavedLogReadsBackAsTheSameUnits) {
  // Written as the windows save it: a 30-byte frame wraps after 24 bytes.
  const QByteArray saved =
      "SD: F2 00 00 18 43 60 33 00 D1 01 00 01 00 01 02 03 04 05 06 07 08 09 0A 0B \r\n"
      "       0C 0D 0E 0F 03 28 \r\n"
      "RD: 06\r\n"
      "RD: F2 00 00 08 50 60 33 30 30 30 90 00 03 5A \r\n"
      "SD: 06\r\n"
      "\r\n"
      "SD: 04\n";
  const LogReadResult read = ReadCommLog(saved);
  ASSERT_TRUE(read.ok()) << read.error.toStdString();
  ASSERT_EQ(read.chunks.size(), 5u);
  EXPECT_EQ(Hex(read.chunks[0].bytes),
            "F2 00 00 18 43 60 33 00 D1 01 00 01 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 03 28");
  QString relogged;
  for (const LineUnit& u : Decode(read.chunks)) relogged += LogText(u);
  EXPECT_EQ(relogged.toLatin1(), QByteArray(saved).replace("SD: 04\n", "SD: 04\r\n"));

  EXPECT_EQ(ReadCommLog("SD: F2 00\r\nhello\r\n").error.toStdString(),
            "line 2 is not a line of a communication log (\"SD: \" or \"RD: \" and hex bytes): hello");
  EXPECT_EQ(ReadCommLog("RD: 0G\r\n").error.toStdString(),
            "line 1 is not a line of a communication log (\"SD: \" or \"RD: \" and hex bytes): RD: 0G");
  EXPECT_EQ(ReadCommLog("\r\n\r\n").error.toStdString(), "it holds no \"SD: \" or \"RD: \" line");
  EXPECT_EQ(ReadCommLog(QByteArray("SD: 06\0", 7)).error.toStdString(), "it holds bytes that are not text");
}
