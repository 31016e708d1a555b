// SPDX-License-Identifier: MIT
// kvt730ctl --json: one object per run, read back with Qt's JSON parser.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "ctl_process.h"
#include "test_files.h"

using ctl_test::CtlRun;

namespace {

// Every line of the output as a JSON object.
std::vector<QJsonObject> Objects(const CtlRun& r) {
  std::vector<QJsonObject> out;
  for (const QString& line : r.lines) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(line.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
    EXPECT_TRUE(doc.isObject()) << line.toStdString();
    out.push_back(doc.object());
  }
  return out;
}

// The log as "SD F2 00 ..." texts; every time stamp in ISO 8601 with milliseconds.
QStringList LogOf(const QJsonObject& o) {
  static const QRegularExpression iso(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}(Z|[+-]\\d\\d:\\d\\d)$"));
  QStringList out;
  for (const QJsonValue& v : o["log"].toArray()) {
    const QJsonObject e = v.toObject();
    EXPECT_TRUE(iso.match(e["time"].toString()).hasMatch()) << e["time"].toString().toStdString();
    out << e["direction"].toString() + ' ' + e["bytes"].toString();
  }
  return out;
}

TEST(JsonOutput, AnOperationAndAFailedOneWithTheirMessagesAndBytes) {
  const CtlRun status = ctl_test::runCtl({"--simulate", "--json", "card-status"});
  EXPECT_EQ(status.code, 0);
  const auto objects = Objects(status);
  ASSERT_EQ(objects.size(), 1u);
  const QJsonObject o = objects[0];
  EXPECT_EQ(o["command"].toString(), "card-status");
  EXPECT_EQ(o["port"].toString(), "COM1");
  EXPECT_EQ(o["exit_status"].toInt(-1), 0);
  ASSERT_EQ(o["messages"].toArray().size(), 1);
  EXPECT_EQ(o["messages"][0]["title"].toString(), "Card Status");
  EXPECT_EQ(o["messages"][0]["icon"].toString(), "information");
  EXPECT_EQ(o["messages"][0]["text"].toString(), "Card Status Success\r\nNo card in card channel\r\n"
                                                 "Enough cards in stacker\r\nThe error card bin is not full");
  EXPECT_EQ(LogOf(o), (QStringList{"SD F2 00 00 03 43 31 30 03 B0", "RD 06", "RD F2 00 00 06 50 31 30 30 32 30 03 94",
                                   "SD 06"}));
  EXPECT_FALSE(o.contains("lines"));


  // No reader at address 1: its status and the time-out box's icon; the box's text and the
  // EOT after the header wait are those of every other printing of the failure.
  const CtlRun failed =
      ctl_test::runCtl({"--simulate", "--json", "--address", "1", "--timeout-scale", "20", "card-status"});
  EXPECT_EQ(failed.code, 2);
  ASSERT_EQ(Objects(failed).size(), 1u);
  const QJsonObject f = Objects(failed)[0];
  EXPECT_EQ(f["exit_status"].toInt(-1), 2);
  EXPECT_EQ(f["messages"][0]["icon"].toString(), "warning");
}

TEST(JsonOutput, AScriptGivesItsLinesInsteadOfTheBlocks) {
  QTemporaryDir dir;
  const QString script = dir.filePath("S.TXT");
  ASSERT_TRUE(test_files::writeFile(script, "C10\nC$7A0\n"));
  const CtlRun r = ctl_test::runCtl({"--simulate", "--json", "script", script, "--repeat", "2"});
  EXPECT_EQ(r.code, 1);
  const auto objects = Objects(r);
  ASSERT_EQ(objects.size(), 1u);  // no blocks, no summary lines beside it
  const QJsonObject o = objects[0];
  EXPECT_EQ(o["command"].toString(), "script " + script);
  const QJsonArray lines = o["lines"].toArray();
  ASSERT_EQ(lines.size(), 4);
  const QJsonObject first = lines[0].toObject();
  EXPECT_EQ(first["line"].toInt(), 1);
  EXPECT_EQ(first["repetition"].toInt(), 1);
  EXPECT_EQ(first["text"].toString(), "C10");
  EXPECT_EQ(first["command"].toString(), "F2 00 00 03 43 31 30 03 B0");
  EXPECT_EQ(first["reply"].toString(), "50 31 30 30 32 30 03 94");
  EXPECT_EQ(first["status"].toString(), "positive");
  EXPECT_GE(first["ms"].toDouble(-1), 0);
  const QJsonObject last = lines[3].toObject();
  EXPECT_EQ(last["line"].toInt(), 2);
  EXPECT_EQ(last["repetition"].toInt(), 2);
  EXPECT_EQ(last["command"].toString(), "F2 00 00 03 43 7A 30 03 FB");
  EXPECT_EQ(last["reply"].toString(), "4E 7A 30 30 30 03 F0");
  EXPECT_EQ(last["status"].toString(), "negative");
  // The log holds each line's frame and reply, in order.
  const QStringList log = LogOf(o);
  ASSERT_EQ(log.size(), 16);
  EXPECT_EQ(log.mid(8, 4), (QStringList{"SD F2 00 00 03 43 31 30 03 B0", "RD 06",
                                        "RD F2 00 00 06 50 31 30 30 32 30 03 94", "SD 06"}));
  ASSERT_EQ(o["summary"].toArray().size(), 2);
  EXPECT_EQ(o["summary"][1]["command"].toInt(), 0x7A);
  EXPECT_EQ(o["summary"][1]["negative"].toInt(), 2);
}

TEST(JsonOutput, OneObjectPerPort) {
  const CtlRun r = ctl_test::runCtl({"--simulate", "--json", "--ports", "COM3,COM4", "read-sn"});
  EXPECT_EQ(r.code, 0);
  const auto objects = Objects(r);
  ASSERT_EQ(objects.size(), 2u);
  QStringList ports;
  for (const QJsonObject& o : objects) {
    const QJsonValue field = o["fields"][0];
    ports << o["port"].toString() + ' ' + field["name"].toString() + ": " + field["value"].toString();
  }
  ports.sort();
  EXPECT_EQ(ports, (QStringList{"COM3 Serial number: KVT730MA10012345", "COM4 Serial number: KVT730MA10012345"}));

  // A script's lines and log, kept apart per port as they ran, each in its own object.
  QTemporaryDir dir;
  ASSERT_TRUE(test_files::writeFile(dir.filePath("S.TXT"), "C10\nC11\n"));
  const CtlRun script =
      ctl_test::runCtl({"--simulate", "--json", "--ports", "COM3,COM4", "script", dir.filePath("S.TXT"), "--repeat", "3"});
  EXPECT_EQ(script.code, 0);
  ASSERT_EQ(Objects(script).size(), 2u);
  for (const QJsonObject& o : Objects(script)) {
    const QJsonArray lines = o["lines"].toArray();
    ASSERT_EQ(lines.size(), 6) << o["port"].toString().toStdString();
    EXPECT_EQ(lines[5]["repetition"].toInt(), 3);
    EXPECT_EQ(lines[5]["command"].toString(), "F2 00 00 03 43 31 31 03 B1");
    EXPECT_EQ(LogOf(o).filter("SD F2 00 00 03 43 31 31 03 B1").size(), 3);
    EXPECT_EQ(o["summary"][1]["sent"].toInt(), 3);
  }
}

}  // namespace
