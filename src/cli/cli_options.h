// SPDX-License-Identifier: MIT
#pragma once
// The command line: global options, the sub-command and its operands.
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "core/base/app_state.h"

namespace kvt::cli {

struct CliOptions {
  QString port;               // "--port NAME|DEVICE"; empty: COM1
  QStringList ports;          // "--ports LIST": run on each of these at once
  bool json = false;          // "--json": one JSON object per run instead of the text
  std::optional<QString> report;  // "--report FILE": script's JUnit XML, qualify's and wear's HTML
  QStringList portOverrides;  // "--port COMn=DEVICE", in the order given
  int baud = 9600;
  QString address = QStringLiteral("0");  // one upper-case hex digit
  bool simulate = false;
  bool log = false;
  bool version = false;
  int timeoutScale = 1;       // every wait divided by this (for tests)
  Variant variant = Variant::B;
  std::optional<int> initOption;  // "--option N" of init
  std::optional<int> repeat;      // "--repeat N" of script
  std::optional<QString> reader;  // "--reader NAME" of pcsc transmit
  std::optional<QString> keysFile;  // "--keys FILE" of mifare dump and restore
  std::optional<QString> size;      // "--size": 1k|4k (mifare dump), 24C01..24C512 (24cxx dump/restore)
  bool force = false;               // "--force": write access bits that lock a trailer for good
  bool trailers = false;            // "--trailers": mifare restore writes the trailers too
  // monitor: the reader side is --reader (as pcsc transmit's reader name), the application
  // side a new pseudo-terminal linked at --app-link or an existing port --app.
  std::optional<QString> appLink;   // "--app-link PATH"
  std::optional<QString> app;       // "--app PORT"
  std::optional<QString> pcap;      // "--pcap FILE": the capture in pcapng
  std::optional<QString> logFile;   // "--log FILE" of monitor: the exchange as a saved log
  // qualify and wear
  bool cardInside = false;          // "--card-inside": qualify moves the card in the reader
  QStringList path;                 // "--path LIST": ic, rf, front-hold, front, bin, in order
  std::optional<QString> junit;     // "--junit FILE" of qualify: one testcase per check
  std::optional<QString> metrics;   // "--metrics HOST:PORT": Prometheus text while the run lasts
  std::optional<qint64> cycles;     // "--cycles N" of wear
  bool untilFailure = false;        // "--until-failure" of wear
  int maxMotionMs = 3000;           // "--max-motion-ms MS" of wear: slower is a failure
  std::optional<qint64> every;      // "--every N" of wear: a summary each N cycles
  QString command;            // the sub-command, empty when none was given
  QStringList operands;       // what follows the sub-command
};

struct ParsedArgs {
  CliOptions options;
  QString error;  // empty when the command line is well formed
  QString help;   // the help text asked for (--help, -h, "help [COMMAND]"); printed instead of a run
  bool ok() const { return error.isEmpty(); }
};

// Options may stand before or after the sub-command; "--name value" and
// "--name=value" are both accepted. The operands of the sub-command are not
// checked here.
ParsedArgs ParseArgs(const QStringList& args);

// An option that only some commands take.
struct CommandOption {
  const char* name;                 // "--keys"
  std::vector<const char*> takers;  // a command, or a command and its first operand: "mifare dump"
  const char* takersText;           // for the messages: "mifare dump and mifare restore"

  bool takenBy(const QString& command, const QString& firstOperand) const;
};
const std::vector<CommandOption>& CommandOptions();

// monitor's "--log FILE" as the parser knows it (every other command's --log is a flag).
constexpr const char* kMonitorLogOption = "--log-file";
// The largest count --cycles and --every take.
constexpr qint64 kMaxCount = qint64(1) << 40;
// The moves of --path, as kvt730ctl move names them.
const QStringList& MotionNames();

// The accepted baud rates, in the order of the port setup dialog.
const QList<int>& AcceptedBauds();

}  // namespace kvt::cli
