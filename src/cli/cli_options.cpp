// SPDX-License-Identifier: MIT
#include "cli_options.h"

#include <CLI/CLI.hpp>
#include <functional>

#include "commands.h"
#include "core/cmdline/script_text.h"
#include "core/link/port_map.h"
#include "usage.h"

namespace kvt::cli {

const QStringList& MotionNames() {
  static const QStringList names = {"ic", "rf", "front-hold", "front", "bin"};
  return names;
}

const QList<int>& AcceptedBauds() {
  static const QList<int> bauds = {9600, 19200, 38400, 57600, 115200};
  return bauds;
}

const std::vector<CommandOption>& CommandOptions() {
  static const std::vector<CommandOption> table = {
      {"--option", {"init"}, "init"},
      {"--repeat", {"script"}, "script"},
      {"--report", {"script", "qualify", "wear"}, "script, qualify and wear"},
      {"--reader", {"pcsc transmit", "monitor"}, "pcsc transmit and monitor"},
      {"--app-link", {"monitor"}, "monitor"},
      {"--app", {"monitor"}, "monitor"},
      {"--pcap", {"monitor"}, "monitor"},
      {kMonitorLogOption, {"monitor"}, "monitor"},
      {"--card-inside", {"qualify"}, "qualify"},
      {"--path", {"qualify", "wear"}, "qualify and wear"},
      {"--junit", {"qualify"}, "qualify"},
      {"--metrics", {"qualify", "wear"}, "qualify and wear"},
      {"--cycles", {"wear"}, "wear"},
      {"--until-failure", {"wear"}, "wear"},
      {"--max-motion-ms", {"wear"}, "wear"},
      {"--every", {"wear"}, "wear"},
      {"--keys", {"mifare dump", "mifare restore"}, "mifare dump and mifare restore"},
      {"--size", {"mifare dump", "24cxx dump", "24cxx restore"}, "mifare dump and 24cxx dump/restore"},
      {"--trailers", {"mifare restore"}, "mifare restore"},
      {"--force", {"mifare write", "mifare restore", "sle4442 restore"},
       "mifare write, mifare restore and sle4442 restore"},
  };
  return table;
}

bool CommandOption::takenBy(const QString& command, const QString& firstOperand) const {
  for (const char* taker : takers) {
    const QString t = QLatin1String(taker);
    if (t == command || t == command + QLatin1Char(' ') + firstOperand) return true;
  }
  return false;
}

namespace {

std::string ToStd(const QString& s) { return s.toLocal8Bit().toStdString(); }
QString FromStd(const std::string& s) { return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size())); }

bool IsHexDigit(const QString& t) {
  return t.size() == 1 && QStringLiteral("0123456789ABCDEF").contains(t[0].toUpper());
}

// An option with a value, checked and stored by `take` as it is read: `take` gives the
// problem, or an empty text. Given twice, the later one counts.
void Valued(CLI::App& app, const char* name, const char* value, const char* help,
            std::function<QString(const QString&)> take) {
  app.add_option_function<std::string>(
         name,
         [take](const std::string& v) {
           const QString problem = take(FromStd(v));
           if (!problem.isEmpty()) throw CLI::ValidationError(ToStd(problem));
         },
         help)
      ->option_text(value)
      ->trigger_on_parse();
}

QString TakePort(CliOptions& o, const QString& value) {
  if (value.isEmpty()) return QStringLiteral("--port needs a port name or device");
  if (!value.contains(QLatin1Char('='))) {
    o.port = value;
    return QString();
  }
  if (!PortMap().parseOverride(value))
    return QStringLiteral("--port %1: expected COMn=DEVICE with n from 1 to %2").arg(value).arg(PortMap::kPorts);
  o.portOverrides << value;
  return QString();
}

QString TakePorts(CliOptions& o, const QString& value) {
  QStringList names;
  for (const QString& part : value.split(QLatin1Char(','))) {
    const QString n = part.trimmed();
    if (n.isEmpty()) return QStringLiteral("--ports %1: expected port names separated by commas").arg(value);
    if (n.contains(QLatin1Char('=')))
      return QStringLiteral("--ports %1: map COMn to a device with --port COMn=DEVICE").arg(value);
    names << n;
  }
  o.ports = names;
  return QString();
}

// A whole number from min to max, for "--name".
QString TakeCount(const char* name, const QString& value, qint64 min, qint64 max, qint64* out) {
  bool ok = false;
  const qlonglong n = value.toLongLong(&ok);
  if (!ok || n < min || n > max) return QStringLiteral("%1 %2: expected a whole number from %3 to %4").arg(QLatin1String(name), value).arg(min).arg(max);
  *out = n;
  return QString();
}

// A value that names a file or a port; only its absence is wrong here.
QString TakeName(const char* name, const QString& value, std::optional<QString>* out) {
  *out = value;
  return value.isEmpty() ? QStringLiteral("%1 needs a value").arg(QLatin1String(name)) : QString();
}

QString TakePath(CliOptions& o, const QString& value) {
  QStringList moves;
  for (const QString& part : value.split(QLatin1Char(','))) {
    const QString m = part.trimmed().toLower();
    if (!MotionNames().contains(m))
      return QStringLiteral("--path %1: expected moves from %2, separated by commas").arg(value, MotionNames().join(QLatin1Char(',')));
    moves << m;
  }
  o.path = moves;
  return QString();
}

QString TakeMetrics(CliOptions& o, const QString& value) {
  const int colon = value.lastIndexOf(QLatin1Char(':'));
  bool ok = false;
  const int port = colon > 0 ? value.mid(colon + 1).toInt(&ok) : -1;
  if (!ok || port < 0 || port > 65535)
    return QStringLiteral("--metrics %1: expected HOST:PORT (port 0 lets the system choose one)").arg(value);
  o.metrics = value;
  return QString();
}

QString TakeRepeat(CliOptions& o, const QString& value) {
  bool ok = false;
  const qlonglong n = value.toLongLong(&ok);
  if (!ok) return QStringLiteral("--repeat %1: not a whole number").arg(value);
  if (n < 1) return QStringLiteral("--repeat %1: The Value should > 0").arg(value);
  if (n > kMaxRepeatCount) return QStringLiteral("--repeat %1: The Value should <= %2").arg(value).arg(kMaxRepeatCount);
  o.repeat = static_cast<int>(n);
  return QString();
}

void AddOptions(CLI::App& app, CliOptions& o, bool& help) {
  app.option_defaults()->group(kOptionsGroup);
  Valued(app, "--port", "NAME|DEVICE",
         "port to open: COM1..COM16 through the port map, or a device\n"
         "path (default COM1)\n"
         "--port COMn=DEVICE\tmap COMn to DEVICE (repeatable)\n"
         "DEVICE may also be a network port: tcp://HOST:PORT (raw bytes)\n"
         "or rfc2217://HOST:PORT (Telnet, line set from --baud)",
         [&o](const QString& v) { return TakePort(o, v); });
  Valued(app, "--ports", "LIST",
         "run on every port of LIST (names, devices or addresses separated\n"
         "by commas) at once; each line starts with its port",
         [&o](const QString& v) { return TakePorts(o, v); });
  Valued(app, "--baud", "N", "9600 (default), 19200, 38400, 57600 or 115200", [&o](const QString& v) {
    bool ok = false;
    o.baud = v.toInt(&ok);
    return ok && AcceptedBauds().contains(o.baud)
               ? QString()
               : QStringLiteral("--baud %1: expected 9600, 19200, 38400, 57600 or 115200").arg(v);
  });
  Valued(app, "--address", "HEX", "device address 0..F (default 0)", [&o](const QString& v) {
    o.address = v.toUpper();
    return IsHexDigit(v) ? QString() : QStringLiteral("--address %1: expected one hex digit, 0 to F").arg(v);
  });
  app.add_flag("--simulate", o.simulate,
               "run a simulated reader in this process on COM1 (with --ports:\none on each COMn of the list)");
  Valued(app, "--variant", "B|M", "reader variant: sensor rows and scan order (default B)", [&o](const QString& v) {
    const QString upper = v.toUpper();
    if (upper != QLatin1String("B") && upper != QLatin1String("M"))
      return QStringLiteral("--variant %1: expected B or M").arg(v);
    o.variant = upper == QLatin1String("B") ? Variant::B : Variant::M;
    return QString();
  });
  app.add_flag("--log", o.log, "print the communication log after the operation");
  app.add_flag("--json", o.json, "print one JSON object per run (per port) on one line instead");
  Valued(app, "--timeout-scale", "N", "divide every wait by N (for tests)", [&o](const QString& v) {
    bool ok = false;
    o.timeoutScale = v.toInt(&ok);
    return ok && o.timeoutScale >= 1 && o.timeoutScale <= 10000
               ? QString()
               : QStringLiteral("--timeout-scale %1: expected 1 to 10000").arg(v);
  });
  // A plain flag, so that a mistake elsewhere on the line is still reported.
  app.set_help_flag();
  app.add_flag("-h,--help", help, "this text; after a command, the help of that command");
  app.add_flag("--version", o.version, "the program's version");

  app.option_defaults()->group(kCommandOptionsGroup);
  Valued(app, "--option", "N", "init: what to do with a card inside: 0, 1, 3, 4, 5 or 7 (default 0)", [&o](const QString& v) {
    static const QStringList codes = {"0", "1", "3", "4", "5", "7"};
    o.initOption = v.toInt();
    return codes.contains(v) ? QString() : QStringLiteral("--option %1: expected 0, 1, 3, 4, 5 or 7").arg(v);
  });
  Valued(app, "--repeat", "N", "script: run the script N times (default 1)",
         [&o](const QString& v) { return TakeRepeat(o, v); });
  Valued(app, "--report", "FILE", "script: a JUnit XML report of the lines; qualify, wear: an HTML\nreport of the run (one file, to keep with the unit)", [&o](const QString& v) {
    o.report = v;
    return v.isEmpty() ? QStringLiteral("--report needs a file name") : QString();
  });
  Valued(app, "--reader", "NAME", "pcsc transmit: the smart-card reader (default: the first listed);\nmonitor: the reader's port (as --port takes it)",
         [&o](const QString& v) {
           o.reader = v;
           return QString();
         });
  Valued(app, "--keys", "FILE",
         "mifare dump/restore: more candidate keys, one 12-hex-digit key a line\n(# starts a comment)",
         [&o](const QString& v) {
           o.keysFile = v;
           return v.isEmpty() ? QStringLiteral("--keys needs a file name") : QString();
         });
  Valued(app, "--size", "SIZE",
         "mifare dump: 1k or 4k (default: what the card says);\n24cxx dump/restore: 24C01 .. 24C512 (needed)",
         [&o](const QString& v) {
           o.size = v;
           return QString();
         });
  app.add_flag("--trailers", o.trailers, "mifare restore: write the sector trailers too");
  app.add_flag("--force", o.force,
               "mifare write/restore: write access bits that lock a trailer for good;\n"
               "sle4442 restore: present the security code with one try left");
  Valued(app, "--app-link", "PATH", "monitor: a new pseudo-terminal for the application, linked at PATH",
         [&o](const QString& v) { return TakeName("--app-link", v, &o.appLink); });
  Valued(app, "--app", "PORT", "monitor: the application's side is this port (as --port takes it)",
         [&o](const QString& v) { return TakeName("--app", v, &o.app); });
  Valued(app, "--pcap", "FILE", "monitor: write the capture to FILE (pcapng)",
         [&o](const QString& v) { return TakeName("--pcap", v, &o.pcap); });
  Valued(app, kMonitorLogOption, "FILE", "monitor: write the exchange to FILE as a saved communication log",
         [&o](const QString& v) { return TakeName("--log", v, &o.logFile); });
  app.add_flag("--card-inside", o.cardInside, "qualify: a card is in the reader; its path is checked");
  Valued(app, "--path", "LIST",
         "qualify, wear: the moves, from ic, rf, front-hold, front, bin,\nseparated by commas",
         [&o](const QString& v) { return TakePath(o, v); });
  Valued(app, "--junit", "FILE", "qualify: a JUnit XML report, one testcase per check",
         [&o](const QString& v) { return TakeName("--junit", v, &o.junit); });
  Valued(app, "--metrics", "HOST:PORT", "qualify, wear: serve Prometheus metrics at\nhttp://HOST:PORT/metrics during the run",
         [&o](const QString& v) { return TakeMetrics(o, v); });
  Valued(app, "--cycles", "N", "wear: move the card along the path N times", [&o](const QString& v) {
    qint64 n = 0;
    const QString problem = TakeCount("--cycles", v, 1, kMaxCount, &n);
    o.cycles = n;
    return problem;
  });
  app.add_flag("--until-failure", o.untilFailure, "wear: stop at the first failure");
  Valued(app, "--max-motion-ms", "MS", "wear: a slower motion is a failure (default 3000)", [&o](const QString& v) {
    qint64 n = 0;
    const QString problem = TakeCount("--max-motion-ms", v, 1, 3600000, &n);
    o.maxMotionMs = static_cast<int>(n);
    return problem;
  });
  Valued(app, "--every", "N", "wear: print the summary every N cycles too", [&o](const QString& v) {
    qint64 n = 0;
    const QString problem = TakeCount("--every", v, 1, kMaxCount, &n);
    o.every = n;
    return problem;
  });
}

// The command a line names: the first word that is neither an option nor an option's value.
QString CommandWord(const CLI::App& app, const QStringList& args, qsizetype end) {
  for (qsizetype i = 0; i < end; ++i) {
    const QString& a = args[i];
    if (!a.startsWith(QLatin1Char('-'))) return a;
    if (a.contains(QLatin1Char('='))) continue;
    const CLI::Option* known = app.get_option_no_throw(ToStd(a));
    if (known && known->get_expected_max() > 0) ++i;  // its value
  }
  return QString();
}

// Every command takes what follows it as operands; its binder checks them.
void AddCommand(CLI::App& app, const char* name, const char* summary, const char* synopsis,
                std::vector<std::string>& operands) {
  app.add_subcommand(name, summary)->add_option("operands", operands)->option_text(synopsis);
}

// What the parts of the line say together: an option on a command that does not take it,
// or the port named twice.
QString CheckCombination(const CLI::App& app, const CliOptions& o) {
  for (const CommandOption& c : CommandOptions())
    if (app.get_option(c.name)->count() > 0 && !c.takenBy(o.command, o.operands.value(0)))
      return QStringLiteral("%1 belongs to %2").arg(QLatin1String(c.name), QLatin1String(c.takersText));
  if (!o.ports.isEmpty() && !o.port.isEmpty())
    return QStringLiteral("--ports and --port %1 name the port twice: give the names in --ports only "
                          "(--port COMn=DEVICE still maps a name)")
        .arg(o.port);
  return QString();
}

}  // namespace

ParsedArgs ParseArgs(const QStringList& args) {
  ParsedArgs r;
  CliOptions& o = r.options;
  bool help = false;
  std::vector<std::string> operands;
  CLI::App app(std::string(), "kvt730ctl");
  app.allow_extras();            // unknown options and commands are named below
  app.require_subcommand(0, 1);  // after the command, a command name is an operand
  app.fallthrough();             // the program's options after the command too
  DescribeUsage(app);  // before the commands, which take their help layout from the program
  AddOptions(app, o, help);
  for (const CommandEntry& c : Commands()) AddCommand(app, c.name, c.summary, c.synopsis, operands);
  AddCommand(app, "help", "this text, or the help of one command", "[COMMAND]", operands);

  // "--name=" is an empty value, which CLI11 would take from the next argument instead; a
  // flag takes no value at all. After "--" everything is an operand.
  std::vector<std::string> line;
  const qsizetype end = args.contains(QStringLiteral("--")) ? args.indexOf(QStringLiteral("--")) : args.size();
  // monitor's "--log FILE" writes a file; everywhere else "--log" is a flag.
  const bool monitor = CommandWord(app, args, end) == QLatin1String("monitor");
  for (qsizetype i = 0; i < args.size(); ++i) {
    QString arg = args[i];
    if (monitor && i < end && (arg == QLatin1String("--log") || arg.startsWith(QLatin1String("--log="))))
      arg.replace(0, 5, QLatin1String(kMonitorLogOption));
    const QString name = arg.section(QLatin1Char('='), 0, 0);
    const CLI::Option* known =
        i < end && name != args[i] && name.startsWith(QLatin1String("--")) ? app.get_option_no_throw(ToStd(name)) : nullptr;
    if (known && known->get_expected_max() == 0) {
      r.error = QStringLiteral("%1 takes no value").arg(name);
      return r;
    }
    line.push_back(ToStd(known && arg.endsWith(QLatin1Char('=')) ? name : arg));
    if (known && arg.endsWith(QLatin1Char('='))) line.emplace_back();
  }
  std::vector<std::string> reversed(line.rbegin(), line.rend());  // CLI11 takes the arguments last first
  try {
    app.parse(reversed);
  } catch (const CLI::ArgumentMismatch&) {
    // A value is taken whatever it looks like, so only the last option can lack one.
    r.error = QStringLiteral("%1 needs a value").arg(args.last().section(QLatin1Char('='), 0, 0));
    if (r.error.startsWith(QLatin1String(kMonitorLogOption))) r.error.replace(0, qstrlen(kMonitorLogOption), QLatin1String("--log"));
    return r;
  } catch (const CLI::ParseError& e) {
    r.error = FromStd(e.what());
    return r;
  }
  for (const std::string& extra : app.remaining()) {
    if (extra == "--") continue;  // CLI11 keeps the end-of-options mark among the extras
    const bool option = extra.size() > 1 && extra[0] == '-';
    r.error = (option ? QStringLiteral("unknown option %1") : QStringLiteral("unknown command %1")).arg(FromStd(extra));
    return r;
  }
  const std::vector<CLI::App*> chosen = app.get_subcommands();
  if (!chosen.empty()) o.command = FromStd(chosen.front()->get_name());
  for (const std::string& a : operands) o.operands << FromStd(a);
  r.error = CheckCombination(app, o);
  if (!r.ok()) return r;

  if (o.command == QLatin1String("help")) {
    if (o.operands.size() > 1) r.error = QStringLiteral("help takes one command name at most");
    else if (o.operands.isEmpty()) r.help = FromStd(app.get_formatter()->make_help(&app, app.get_name(), CLI::AppFormatMode::Normal));
    else if (!FindCommand(o.operands[0])) r.error = QStringLiteral("unknown command %1").arg(o.operands[0]);
    else r.help = FromStd(app.get_subcommand(ToStd(o.operands[0]))->help(app.get_name()));
  } else if (help) {
    r.help = FromStd(app.help());
  }
  return r;
}

}  // namespace kvt::cli
