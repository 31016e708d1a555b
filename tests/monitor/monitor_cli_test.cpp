// SPDX-License-Identifier: MIT
// kvt730ctl monitor between an application (kvt730ctl, or raw bytes on its terminal) and a
// simulated reader: what passes, what is shown, the files it writes, and what Wireshark
// makes of them.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "../sim/pty_client.h"
#include "monitor_fixture.h"
#include "sim/pty_host.h"

using ctl_test::CtlRun;
using ctl_test::runCtl;
using monitor_test::KindsAndTexts;
using monitor_test::MonitorProcess;

namespace {

const std::vector<uint8_t> kCardStatus = {0xF2, 0x00, 0x00, 0x03, 0x43, 0x31, 0x30, 0x03, 0xB0};
const QString kNoCard = QStringLiteral(
    "Card Status Success / No card in card channel / Enough cards in stacker / The error card bin is not full");

struct FaultRun {
  QList<QJsonObject> units;
  QJsonObject closing;
  QStringList expected;  // kind and text of each unit but the events
  int exitStatus = -1;
};

// Raw bytes from the application against every misbehaviour of the reader, then a round of
// kvt730ctl commands: every kind of unit once at least. The capture goes to `capture`.
FaultRun RunFaults(const QString& folder, const QString& capture) {
  FaultRun run;
  sim::PtyHost host;
  EXPECT_TRUE(host.start());
  MonitorProcess mon({"--reader", QString::fromStdString(host.slavePath()), "--app-link", folder + "/app", "--pcap", capture});
  EXPECT_TRUE(mon.ok()) << mon.err().toStdString();
  {
    simtest::PtyClient app(mon.app().toStdString(), 9600);
    const QString command = QStringLiteral("command command 31 30 Card Status");
    const auto step = [&](sim::FaultKind fault, std::vector<uint8_t> after, const QStringList& units) {
      host.withReader([&](sim::Reader& r) {
        sim::Fault f;
        f.kind = fault;
        r.setFault(f);
      });
      const int before = static_cast<int>(mon.units().size());
      app.send(kCardStatus);
      app.readFor(13, 300);
      if (!after.empty()) app.send(after);
      run.expected << units;
      EXPECT_GE(mon.waitForText(units.last().section(QLatin1Char(' '), 1), before), 0) << units.last().toStdString();
    };
    step(sim::FaultKind::None, {0x06}, {command, "ack ACK", "reply reply P 31 30 Card Status: " + kNoCard, "ack ACK"});
    step(sim::FaultKind::Nak, {}, {command, "nak NAK"});
    step(sim::FaultKind::LostAck, {0x06}, {command, "reply reply P 31 30 Card Status: " + kNoCard, "ack ACK"});
    step(sim::FaultKind::BadBcc, {0x06},
         {command, "ack ACK",
          "bad-frame bad frame: wrong check byte 6B, expected 94 (reply P 31 30 Card Status: " + kNoCard + ")", "ack ACK"});
    step(sim::FaultKind::Garbage, {0x04}, {command, "ack ACK", "noise noise: 5 bytes outside any frame", "eot EOT"});
    step(sim::FaultKind::ShortRemainder, {0x04},
         {command, "ack ACK", "bad-frame bad frame: cut short: 8 of 12 bytes came", "eot EOT"});
    step(sim::FaultKind::Negative, {0x06},
         {command, "ack ACK", "reply reply N 31 30 Card Status: Negative response:10 | Card jam", "ack ACK"});
    app.send({0x05});
    run.expected << "enq ENQ";
    EXPECT_GE(mon.waitForText(QStringLiteral("ENQ")), 0);
    step(sim::FaultKind::Silent, {}, {command, "timeout timeout: no acknowledgement within 3 s of the command"});
    app.send({0x04});
    run.expected << "eot EOT";
    EXPECT_GE(mon.waitForText(QStringLiteral("EOT"), static_cast<int>(mon.units().size()) - 1), 0);
  }
  const QString port = mon.app();
  for (const QStringList& args : {QStringList{"sensor-status"}, {"config"}, {"read-sn"}, {"counter-read"},
                                  {"move", "ic"}, {"entry", "allow"}, {"ic-type"}, {"rf-type"}, {"sle4442", "read-main"}})
    runCtl(QStringList{"--port", port} + args);
  EXPECT_GE(mon.waitForText(QStringLiteral("event: the application closed its port"),
                            static_cast<int>(mon.units().size()) - 1),
            0);
  run.exitStatus = mon.stop();
  run.units = mon.units();
  run.closing = mon.closing();
  return run;
}

}  // namespace

TEST(MonitorCli, EveryMisbehaviourOfTheReaderIsShownAsItHappens) {
  QTemporaryDir dir;
  const FaultRun run = RunFaults(dir.path(), dir.filePath(QStringLiteral("faults.pcapng")));
  EXPECT_EQ(run.exitStatus, 130);
  EXPECT_EQ(run.closing.value("exit_status").toInt(), 130);
  EXPECT_EQ(KindsAndTexts(run.units).mid(0, run.expected.size()), run.expected);
  const QJsonObject& command = run.units[2];  // after the start and the application's opening
  EXPECT_EQ(command.value("kind").toString(), "command");
  EXPECT_EQ(command.value("from").toString(), "app");
  EXPECT_EQ(command.value("bytes").toString(), "F2 00 00 03 43 31 30 03 B0");
  EXPECT_EQ(command.value("command").toString(), "31 30");
  EXPECT_EQ(command.value("name").toString(), "Card Status");
  EXPECT_EQ(command.value("address").toString(), "00");
  EXPECT_EQ(command.value("check").toString(), "ok");
  EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{6}Z$")
                  .match(command.value("time").toString())
                  .hasMatch());
  const QJsonObject& reply = run.units[4];
  EXPECT_EQ(reply.value("from").toString(), "reader");
  EXPECT_EQ(reply.value("reply").toString(), "P");
  EXPECT_EQ(reply.value("meaning").toString(), kNoCard);
  // The kvt730ctl round: each command named, each reply decoded as the windows decode it.
  const QStringList rest = KindsAndTexts(run.units).mid(run.expected.size());
  EXPECT_TRUE(rest.contains("reply reply P A2 30 Read SN: Serial number: KVT730MA10012345")) << rest.join("\n").toStdString();
  EXPECT_TRUE(rest.contains("reply reply N 32 31 Move card to IC card operation position: Negative response:A0 | "
                            "Card issuing machine stack (boxes) and the channels are non-card") ||
              rest.contains("reply reply P 32 31 Move card to IC card operation position: Move card to IC card "
                            "operation position success"));
  EXPECT_TRUE(rest.contains("command command 53 33 SLE4442 read main memory, data 00 B0 00 00 80"));
}

TEST(MonitorWireshark, TheDissectorReadsTheCaptureAsTheMonitorDecodedIt) {
  if (monitor_test::Tshark().isEmpty()) GTEST_SKIP() << "tshark is not installed (Debian package tshark)";
  QTemporaryDir dir;
  const QString capture = dir.filePath(QStringLiteral("faults.pcapng"));
  const FaultRun run = RunFaults(dir.path(), capture);
  QStringList monitor;
  for (const QJsonObject& u : run.units)
    monitor << QStringList{u.value("kind").toString(), u.value("text").toString(), u.value("name").toString(),
                           u.value("meaning").toString(), u.value("check").toString()}
                   .join(QLatin1Char('\t'));
  const QStringList wireshark =
      monitor_test::Dissect(capture, {"kvt730.kind", "kvt730.text", "kvt730.name", "kvt730.meaning", "kvt730.check"});
  ASSERT_EQ(wireshark.size(), monitor.size());
  for (int i = 0; i < monitor.size(); ++i) EXPECT_EQ(wireshark[i], monitor[i]) << "packet " << i + 1;
  EXPECT_GT(monitor.size(), 60);
  // The direction travels in the packet flags.
  const QStringList dirs = monitor_test::Dissect(capture, {"frame.p2p_dir", "kvt730.dir"});
  EXPECT_EQ(dirs.value(2), "0\tAPP>RDR");
  EXPECT_EQ(dirs.value(3), "1\tRDR>APP");
}
