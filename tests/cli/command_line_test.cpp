// SPDX-License-Identifier: MIT
// How kvt730ctl reads its command line: where options may stand, their two spellings, the
// mistakes refused before anything is opened, and the help of the program and of a command.
#include <gtest/gtest.h>

#include <QRegularExpression>

#include "ctl_process.h"

using ctl_test::CtlRun;
using ctl_test::runCtl;

namespace {

struct Accepted {
  QStringList args;
  int code;
  QString shows;  // a line on stdout or stderr
};

TEST(CommandLine, OptionsStandBeforeOrAfterTheCommandInBothSpellings) {
  const std::vector<Accepted> cases = {
      // The address reaches the frame and the scale the wait: a reader that never answers.
      {{"card-status", "--simulate", "--address=1", "--timeout-scale=100"},
       2,
       "Caution | Time is out, cancel communication process"},
      {{"--simulate", "--address", "1", "--timeout-scale", "100", "probe"}, 2, "Probe: ERROR"},
      {{"--simulate", "card-status", "--log"}, 0, "SD: F2 00 00 03 43 31 30 03 B0 \r"},
      {{"--option=7", "--simulate", "init"},
       0,
       "INITIALIZE | INITIALIZE Success / Initialize Information: KVT-730 READY / Fireware Ver:KVT730-RAVI V1.05"},
      {{"sw", "6A82", "--port=/dev/nonexistent"}, 0, "SW 6A82: File or application not found"},
      // After "--" everything is an operand; after the command a command name is one too.
      {{"--port", "/dev/nonexistent", "counter-init", "--", "-1"},
       3,
       "kvt730ctl: counter-init -1: the counter takes decimal digits only"},
      {{"--port", "/dev/nonexistent", "card-status", "read-sn"}, 3, "kvt730ctl: card-status takes no operands"},
  };
  for (const Accepted& c : cases) {
    const CtlRun r = runCtl(c.args);
    const QStringList shown = QString::fromUtf8(r.out).split(QLatin1Char('\n')) + r.err.split(QLatin1Char('\n'));
    EXPECT_EQ(r.code, c.code) << c.args.join(' ').toStdString() << "\n" << r.err.toStdString();
    EXPECT_TRUE(shown.contains(c.shows)) << c.args.join(' ').toStdString() << "\n" << r.out.toStdString();
  }
}

TEST(CommandLine, MistakesAreNamedAndNothingIsOpened) {
  const std::vector<std::pair<QStringList, QString>> cases = {
      {{"card-status", "--bogus"}, "unknown option --bogus"},
      {{"card-status", "-x"}, "unknown option -x"},
      {{"frobnicate", "--log"}, "unknown command frobnicate"},
      {{"card-status", "--baud"}, "--baud needs a value"},
      {{"card-status", "--baud=1234"}, "--baud 1234: expected 9600, 19200, 38400, 57600 or 115200"},
      {{"--baud", "1234", "--address", "G", "probe"}, "--baud 1234: expected 9600, 19200, 38400, 57600 or 115200"},
      {{"card-status", "--option", "1"}, "--option belongs to init"},
      {{"--reader", "x", "pcsc", "list"}, "--reader belongs to pcsc transmit and monitor"},
      {{"card-status", "--cycles", "5"}, "--cycles belongs to wear"},
      // monitor's --log names a file; a bare --log there lacks it.
      {{"monitor", "--reader", "COM1", "--log"}, "--log needs a value"},
      {{"wear", "--path", "ic,up"}, "--path ic,up: expected moves from ic,rf,front-hold,front,bin, separated by commas"},
      {{"mifare", "read", "1", "1", "--force"}, "--force belongs to mifare write, mifare restore and sle4442 restore"},
      {{"24cxx", "read", "--size=24C02"}, "--size belongs to mifare dump and 24cxx dump/restore"},
      {{"mifare", "dump", "c.mfd", "--trailers"}, "--trailers belongs to mifare restore"},
      {{"mifare", "access", "778F"}, "mifare access 778F: expected trailer bytes 6 to 8 as 6 hex digits, e.g. FF0780"},
      {{"mifare", "restore", "x.mfd", "--keys"}, "--keys needs a value"},
      // An empty value is still the option's own, not the next argument.
      {{"--keys=", "mifare", "dump", "x.mfd"}, "--keys needs a file name"},
      {{"card-status", "--log=1"}, "--log takes no value"},
      {{"--help", "--bogus"}, "unknown option --bogus"},
      {{"help", "frobnicate"}, "unknown command frobnicate"},
      {{"script", "/dev/null", "--repeat", "2.7"}, "--repeat 2.7: not a whole number"},
      {{"script", "/dev/null", "--repeat", "0"}, "--repeat 0: The Value should > 0"},
      {{"script", "/dev/null", "--repeat", "99999999999"}, "--repeat 99999999999: The Value should <= 2147483647"},
  };
  for (const auto& [args, problem] : cases) {
    const CtlRun r = runCtl(QStringList{"--port", "/dev/nonexistent"} + args);
    EXPECT_EQ(r.code, 3) << args.join(' ').toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << args.join(' ').toStdString();
    EXPECT_EQ(r.err, "kvt730ctl: " + problem + "\nkvt730ctl: see kvt730ctl --help\n");
  }
}

// The option lines of a help text: "--name VALUE" as the line starts.
QStringList OptionHeads(const QStringList& lines) {
  QStringList heads;
  for (const QString& line : lines)
    if (line.startsWith(QLatin1String("  -"))) heads << line.mid(2).section(QLatin1String("  "), 0, 0);
  return heads;
}

TEST(CommandLine, HelpListsEveryOptionAndCommandAndEachCommandItsOwn) {
  const CtlRun all = runCtl({"--help"}, /*keepEmptyLines=*/true);
  EXPECT_EQ(all.code, 0);
  EXPECT_EQ(all.lines.value(0), "Usage: kvt730ctl [options] COMMAND [operands]");
  EXPECT_EQ(OptionHeads(all.lines),
            (QStringList{"--port NAME|DEVICE", "--port COMn=DEVICE", "--ports LIST", "--baud N", "--address HEX",
                         "--simulate", "--variant B|M", "--log", "--json", "--timeout-scale N", "-h,--help",
                         "--version", "--option N", "--repeat N", "--report FILE", "--reader NAME", "--keys FILE",
                         "--size SIZE", "--trailers", "--force", "--app-link PATH", "--app PORT", "--pcap FILE",
                         "--log FILE", "--card-inside", "--path LIST", "--junit FILE", "--metrics HOST:PORT",
                         "--cycles N", "--until-failure", "--max-motion-ms MS", "--every N"}));
  // The command list ends at the first empty line; the whole-card forms follow it.
  QStringList commands = all.lines.mid(all.lines.indexOf("Commands:") + 1);
  commands = commands.mid(0, commands.indexOf(QString()));
  for (const char* name : {"init", "card-status", "sensor-status", "move", "entry", "read-sn", "config", "counter-read",
                           "counter-init", "probe", "scan", "send", "script", "pcsc", "ic-type", "sle4442", "sle4428",
                           "24cxx", "cpu", "sam", "rf-type", "rf", "mifare", "ultralight", "atr", "sw", "help"}) {
    EXPECT_EQ(commands.filter(QRegularExpression(QStringLiteral("^  %1( |$)").arg(name))).size(), 1) << name;
  }

  const CtlRun mifare = runCtl({"mifare", "--help"});
  EXPECT_EQ(mifare.code, 0);
  EXPECT_EQ(mifare.lines.value(0), "Usage: kvt730ctl [options] mifare SUB [operands]");
  EXPECT_TRUE(mifare.lines.contains("  mifare dump OUT [--keys F] [--size S]   OUT ends in .mfd, .mct or .eml"));
  EXPECT_EQ(OptionHeads(mifare.lines), (QStringList{"--keys FILE", "--size SIZE", "--trailers", "--force"}));
  const CtlRun script = runCtl({"help", "script"});
  EXPECT_EQ(OptionHeads(script.lines), (QStringList{"--repeat N", "--report FILE"}));
  EXPECT_EQ(script.out, runCtl({"--port", "COM3", "script", "-h"}).out);
  EXPECT_EQ(runCtl({"card-status", "--help"}).lines,
            (QStringList{"Usage: kvt730ctl [options] card-status", "card position, stacker and error card bin",
                         "The options of every command: kvt730ctl --help"}));
}

}  // namespace
