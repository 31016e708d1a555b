// kvt730ctl --json: one object per run, read back with Qt's JSON parser.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "ctl_process.h"

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

TEST(JsonOutput, AnOperationWithItsMessageFieldsAndBytes) {
  const CtlRun status = ctl_test::runCtl({"--simulate", "--json", "card-status"});
  EXPECT_EQ(status.code, 0);
  const auto objects = Objects(status);
  ASSERT_EQ(objects.size(), 1u);
  const QJsonObject o = objects[0];
  EXPECT_EQ(o["command"].toString(), "card-status");
  EXPECT_EQ(o["port"].toString(), "COM1");
  EXPECT_EQ(o["exit_status"].toInt(-1), 0);
  ASSERT_EQ(o["messages"].toArray().size(), 1);
  const QJsonObject m = o["messages"].toArray()[0].toObject();
  EXPECT_EQ(m["title"].toString(), "Card Status");
  EXPECT_EQ(m["icon"].toString(), "information");
  EXPECT_EQ(m["text"].toString(), "Card Status Success\r\nNo card in card channel\r\nEnough cards in stacker\r\n"
                                  "The error card bin is not full");
  EXPECT_EQ(LogOf(o), (QStringList{"SD F2 00 00 03 43 31 30 03 B0", "RD 06", "RD F2 00 00 06 50 31 30 30 32 30 03 94",
                                   "SD 06"}));
  EXPECT_FALSE(o.contains("lines"));

  const CtlRun sn = ctl_test::runCtl({"--simulate", "--json", "read-sn"});
  ASSERT_EQ(Objects(sn).size(), 1u);
  const QJsonArray fields = Objects(sn)[0]["fields"].toArray();
  ASSERT_EQ(fields.size(), 1);
  EXPECT_EQ(fields[0].toObject()["name"].toString(), "Serial number");
  EXPECT_EQ(fields[0].toObject()["value"].toString(), "KVT730MA10012345");
}

TEST(JsonOutput, AFailingOperation) {
  // No reader at address 1: the frame, our EOT after the header wait, the time-out box.
  const CtlRun r = ctl_test::runCtl({"--simulate", "--json", "--address", "1", "--timeout-scale", "20", "card-status"});
  EXPECT_EQ(r.code, 2);
  const auto objects = Objects(r);
  ASSERT_EQ(objects.size(), 1u);
  EXPECT_EQ(objects[0]["exit_status"].toInt(-1), 2);
  const QJsonArray messages = objects[0]["messages"].toArray();
  ASSERT_EQ(messages.size(), 1);
  EXPECT_EQ(messages[0].toObject()["icon"].toString(), "warning");
  EXPECT_EQ(messages[0].toObject()["text"].toString(), "Time is out, cancel communication process");
  EXPECT_EQ(LogOf(objects[0]), (QStringList{"SD F2 01 00 03 43 31 30 03 B1", "SD 04"}));
}

TEST(JsonOutput, AScriptGivesItsLinesInsteadOfTheBlocks) {
  QTemporaryDir dir;
  QFile f(dir.filePath("S.TXT"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("C10\nC$7A0\n");
  f.close();
  const CtlRun r = ctl_test::runCtl({"--simulate", "--json", "script", f.fileName(), "--repeat", "2"});
  EXPECT_EQ(r.code, 1);
  const auto objects = Objects(r);
  ASSERT_EQ(objects.size(), 1u);  // no blocks, no summary lines beside it
  const QJsonObject o = objects[0];
  EXPECT_EQ(o["command"].toString(), "script " + f.fileName());
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
  const QJsonArray summary = o["summary"].toArray();
  ASSERT_EQ(summary.size(), 2);
  EXPECT_EQ(summary[1].toObject()["command"].toInt(), 0x7A);
  EXPECT_EQ(summary[1].toObject()["negative"].toInt(), 2);
}

TEST(JsonOutput, OneObjectPerPort) {
  const CtlRun r = ctl_test::runCtl({"--simulate", "--json", "--ports", "COM3,COM4", "read-sn"});
  EXPECT_EQ(r.code, 0);
  const auto objects = Objects(r);
  ASSERT_EQ(objects.size(), 2u);
  QStringList ports;
  for (const QJsonObject& o : objects) {
    ports << o["port"].toString();
    EXPECT_EQ(o["fields"].toArray()[0].toObject()["value"].toString(), "KVT730MA10012345");
  }
  ports.sort();
  EXPECT_EQ(ports, (QStringList{"COM3", "COM4"}));
}

}  // namespace
