// SPDX-License-Identifier: MIT
// kvt730ctl as a user runs it: a separate process, its printed lines and its exit status.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <unistd.h>
#include <QSerialPort>

#include "ctl_process.h"
#include "scripted_reader.h"
#include "test_files.h"

using ctl_test::CtlRun;
using ctl_test::SimProcess;

namespace {

CtlRun Ctl(const QStringList& args) { return ctl_test::runCtl(args); }

const QString kNoSuchPort =
    QStringLiteral("Caution | Comm Port Selection Invalid, Please Select Right Comm. Port");
const QString kCardStatusEmpty = QStringLiteral(
    "Card Status | Card Status Success / No card in card channel / Enough cards in stacker / The error card bin "
    "is not full");

struct Case {
  QStringList args;
  QStringList lines;
};

TEST(CliSimulate, EachOperationPrintsWhatTheWindowShows) {
  const std::vector<Case> cases = {
      {{"card-status"}, {kCardStatusEmpty}},
      {{"init"},
       {"INITIALIZE | INITIALIZE Success / Initialize Information: KVT-730 READY / Fireware Ver:KVT730-RAVI V1.05"}},
      {{"move", "front"}, {"Move card to the front | Move card to the front success"}},
      {{"move", "ic"}, {"Move card to IC card operation position | Move card to IC card operation position success"}},
      {{"move", "rf"}, {"Move card to RF card operation position | Move card to RF card operation position success"}},
      {{"move", "bin"}, {"Move card to the error card bin | Move card to the error card bin success"}},
      {{"entry", "allow"}, {"Allowed | Allowed success"}},
      {{"entry", "forbid"}, {"Prohibition | Prohibition success"}},
      {{"read-sn"}, {"Serial number: KVT730MA10012345"}},
      {{"config"},
       {"Card machiner identifies words: KVT-730", "Software code: V100",
        "Support the type of card operation: Supports RF and contactless IC card Read/Write",
        "Communication Interface: RS-232 Interface",
        "IC Card Module Type: KVT Standard IC Card Read/Write Module",
        "RF Card Module Type: KVT Standard RF Card Read/Write Module",
        "SAM Card Module Type: Support two SAM card operation",
        "Dispense card component type: Drawing card issuer Components"}},
      {{"counter-read"}, {"Counter: 000", "Read Counter | Read Counter Success"}},
      {{"counter-init", "7"}, {"Counter: 007", "InitializeI Counter | InitializeI Counter Success"}},
      {{"probe"}, {"Probe: OK"}},
      {{"scan"}, {"Scan: Found KVT-730-M AT COM1 Baut Rate 9600", "Comm Port Number: COM1", "Baud Rate: 9600 bits/s"}},
      {{"send", "43", "31", "30"}, {"Reply: 50 31 30 30 32 30"}},
  };
  for (const Case& c : cases) {
    const CtlRun r = Ctl(QStringList{"--simulate"} + c.args);
    EXPECT_EQ(r.code, 0) << c.args.join(' ').toStdString() << "\n" << r.err.toStdString();
    EXPECT_EQ(r.lines, c.lines) << c.args.join(' ').toStdString();
  }
}

TEST(CliSimulate, SensorRowsFollowTheVariant) {
  const CtlRun b = Ctl({"--simulate", "sensor-status"});
  ASSERT_EQ(b.code, 0);
  ASSERT_EQ(b.lines.size(), 12);
  EXPECT_EQ(b.lines[0], "Sensor 1 (PSS1): Off");
  EXPECT_EQ(b.lines[6], "Sensor 7 (PSS7): On");  // entry gate open
  EXPECT_EQ(b.lines[11], "Sensor KS2 (KS2): On");

  const CtlRun m = Ctl({"--simulate", "--variant", "M", "sensor-status"});
  ASSERT_EQ(m.code, 0);
  EXPECT_EQ(m.lines, b.lines.mid(0, 8));
}

TEST(CliSimulate, NegativeReplyGivesItsTextAndStatusOne) {
  const CtlRun r = Ctl({"--simulate", "send", "437A30"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.lines, (QStringList{"Negative response:00 | A given command code is unidentified",
                                    "Reply: 4E 7A 30 30 30"}));
}

// Bad input is refused before any port is touched: the device does not exist, yet
// the status is 3 and not the port error.
TEST(CliBadInput, NothingIsOpenedOrSent) {
  const std::vector<QStringList> cases = {
      {"counter-init", "7x"}, {"counter-init", "-1"}, {"send", "4G"}, {"send", "43", "3"},
      {"send", "31", "30", "30"}, {"send", "43", "31"}, {"--address", "G", "card-status"},
      {"--address", "10", "card-status"}, {"init", "--option", "2"},
      {"move", "sideways"}, {"entry"}, {"card-status", "now"}, {}, {"--port", "COM17=/dev/null", "probe"},
      {"--port"}};
  for (const QStringList& args : cases) {
    const CtlRun r = Ctl(QStringList{"--port", "/dev/nonexistent"} + args);
    EXPECT_EQ(r.code, 3) << args.join(' ').toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << args.join(' ').toStdString();
    EXPECT_TRUE(r.err.startsWith("kvt730ctl: ")) << args.join(' ').toStdString();
  }
}

TEST(CliScriptedReader, RepliesTheSimulatorNeverSends) {
  // A whole reply of neither kind: the exchange completed, the reader did not agree.
  {
    ctl_test::ScriptedReader reader({QByteArray("X10020")});
    const CtlRun r = Ctl({"--port", reader.device(), "card-status"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.lines.isEmpty());
  }
  // INITIALIZE carried out, the version request refused: no box, no negative line, a word
  // on stderr that the version did not come.
  ctl_test::ScriptedReader reader({QByteArray("P00020KVT-730 READY"), QByteArray("N\xDC" "100", 5)});
  const CtlRun r = Ctl({"--port", reader.device(), "init"});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(r.lines.isEmpty()) << r.lines.join('\n').toStdString();
  EXPECT_TRUE(r.err.contains("firmware version")) << r.err.toStdString();
  EXPECT_EQ(reader.commandsSeen(), 2);
}

TEST(CliScriptedReader, AReplyShortOfItsCheckByteIsNoReply) {
  // The remainder is LEN + 2 bytes: text, ETX and the check byte. Without the last one the
  // exchange fails as a missing remainder, for the button operations and for scripts alike.
  ctl_test::ScriptedReader reader({QByteArray("P10020")});
  reader.dropCheckByte = true;
  const CtlRun status = Ctl({"--port", reader.device(), "--timeout-scale", "10", "card-status"});
  EXPECT_EQ(status.code, 2);
  EXPECT_EQ(status.lines, QStringList{"Caution | Error:Please Check The Data Effective"});
  QTemporaryDir dir;
  ASSERT_TRUE(test_files::writeFile(dir.filePath("S.TXT"), "C10\n"));
  const CtlRun run = Ctl({"--port", reader.device(), "--timeout-scale", "10", "script", dir.filePath("S.TXT")});
  EXPECT_EQ(run.code, 2);
  EXPECT_TRUE(run.lines.contains("Caution | Error:Please Check The Data Effective")) << run.lines.join('\n').toStdString();
}

TEST(CliPort, MissingAndBusyDevices) {
  const CtlRun missing = Ctl({"--port", "/dev/nonexistent", "card-status"});
  EXPECT_EQ(missing.code, 4);
  EXPECT_EQ(missing.lines, QStringList{kNoSuchPort});

  SimProcess sim({"--stacker", "0"});
  ASSERT_FALSE(sim.device().isEmpty());
  QSerialPort holder(sim.device());
  ASSERT_TRUE(holder.open(QIODevice::ReadWrite));
  const CtlRun busy = Ctl({"--port", sim.device(), "card-status"});
  EXPECT_EQ(busy.code, 4);
  EXPECT_EQ(busy.lines,
            QStringList{"Caution | Comm. Port is Used for Some Equipment, Please Select Other One"});
  holder.close();
  // Free again: the reader answers, refusing to move a card out of its empty stacker.
  const CtlRun refused = Ctl({"--port", sim.device(), "move", "ic"});
  EXPECT_EQ(refused.code, 1);
  EXPECT_EQ(refused.lines, QStringList{"Negative response:A0 | Card issuing machine stack (boxes) and the "
                                       "channels are non-card"});
}

TEST(CliPort, ADeviceThisUserMayNotOpenIsNotCalledBusy) {
  // The simulator's pseudo-terminal belongs to root and the group tty (mode 620): an
  // ordinary user may not open it. As root, kvt730ctl is run as "nobody".
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run kvt730ctl as another user";
  QProcess probe;
  probe.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", "--", KVT730CTL_PATH, "--version"});
  if (!probe.waitForFinished(10000) || probe.exitCode() != 0)
    GTEST_SKIP() << "kvt730ctl cannot run as nobody here (setpriv missing or the build tree is private)";
  SimProcess sim;
  ASSERT_FALSE(sim.device().isEmpty());
  const QString group = QFileInfo(sim.device()).group();
  QProcess p;
  p.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", "--", KVT730CTL_PATH, "--port",
                      sim.device(), "card-status"});
  ASSERT_TRUE(p.waitForFinished(30000));
  EXPECT_EQ(p.exitCode(), 4);
  EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()),
            "Caution | Comm. Port Access Denied, Please Join Group " + group + " Or Select Other One\n");
}

TEST(CliSeparateSimulator, ScanFindsTheReaderAtItsSpeed) {
  SimProcess sim({"--baud", "38400"});
  ASSERT_FALSE(sim.device().isEmpty());
  // COM1..COM4 lead nowhere, COM5 to the reader; the machine's own serial ports stay untouched.
  QStringList map;
  for (int n = 1; n <= 4; ++n) map << "--port" << QStringLiteral("COM%1=/dev/nonexistent%1").arg(n);
  map << "--port" << "COM5=" + sim.device();

  for (const char* variant : {"B", "M"}) {
    const CtlRun r = Ctl(map + QStringList{"--variant", variant, "scan"});
    EXPECT_EQ(r.code, 0) << variant;
    EXPECT_EQ(r.lines, (QStringList{"Scan: Found KVT-730-M AT COM5 Baut Rate 38400", "Comm Port Number: COM5",
                                      "Baud Rate: 38400 bits/s"}));
  }

  // The found settings work; the default speed meets a reader that hears only noise.
  EXPECT_EQ(Ctl(map + QStringList{"--port", "COM5", "--baud", "38400", "read-sn"}).code, 0);
  EXPECT_EQ(Ctl(map + QStringList{"--port", "COM5", "--timeout-scale", "100", "read-sn"}).code, 2);

  QStringList nowhere;
  for (int n = 1; n <= 16; ++n) nowhere << "--port" << QStringLiteral("COM%1=/dev/nonexistent%1").arg(n);
  const CtlRun none = Ctl(nowhere + QStringList{"scan"});
  EXPECT_EQ(none.code, 2);
  EXPECT_EQ(none.lines, QStringList{"Scan: No Found KVT-730-M"});
}

}  // namespace
