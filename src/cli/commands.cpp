// SPDX-License-Identifier: MIT
#include "commands.h"

#include "contact_commands.h"
#include "core/base/conversions.h"
#include "core/link/frame.h"
#include "core/link/port_setup.h"
#include "core/link/probe.h"
#include "core/machine/initialize_ops.h"
#include "core/machine/movement_ops.h"
#include "core/machine/status_ops.h"
#include "core/machine/unit_ops.h"
#include "exit_status.h"
#include "insight_commands.h"
#include "monitor_commands.h"
#include "output.h"
#include "pcsc_commands.h"
#include "qualify_commands.h"
#include "result_lines.h"
#include "rf_commands.h"
#include "script_command.h"
#include "sub_commands.h"

namespace kvt::cli {

namespace {

bool Arity(const CliOptions& o, int min, int max, QString* error) {
  if (o.operands.size() >= min && o.operands.size() <= max) return true;
  *error = max == 0 ? QStringLiteral("%1 takes no operands").arg(o.command)
                    : QStringLiteral("%1: wrong number of operands").arg(o.command);
  return false;
}

// A command without operands whose runner needs nothing from the command line.
std::function<Runner(const CliOptions&, QString*)> Plain(Runner run) {
  return [run](const CliOptions& o, QString* error) { return Arity(o, 0, 0, error) ? run : Runner(); };
}

Runner BindInit(const CliOptions& o, QString* error) {
  if (!Arity(o, 0, 0, error)) return {};
  const int code = '0' + o.initOption.value_or(0);
  return [code](Context& c) {
    const Outcome out = Initialize(c.session, c.options.address, [code] { return code; });
    int rc = Finish(c, out);
    // INITIALIZE was carried out, but the firmware version did not come.
    if (rc == kExitOk && !out.message) {
      PrintError(QStringLiteral("init: the firmware version request got no positive reply"));
      rc = kExitExchange;
    }
    return rc;
  };
}

struct Target {
  const char* word;
  Movement movement;
};

Runner BindMovement(const CliOptions& o, QString* error, const std::vector<Target>& targets) {
  if (!Arity(o, 1, 1, error)) return {};
  QStringList words;
  for (const Target& t : targets) {
    words << QString::fromLatin1(t.word);
    if (o.operands[0] == QLatin1String(t.word)) {
      const Movement m = t.movement;
      return [m](Context& c) { return Finish(c, MoveCard(c.session, c.options.address, m)); };
    }
  }
  *error = QStringLiteral("%1 %2: expected %3").arg(o.command, o.operands[0], words.join(QLatin1Char('|')));
  return {};
}

Runner BindCounterInit(const CliOptions& o, QString* error) {
  if (!Arity(o, 1, 1, error)) return {};
  const QString digits = o.operands[0];
  for (QChar ch : digits) {
    if (ch < QLatin1Char('0') || ch > QLatin1Char('9')) {
      *error = QStringLiteral("counter-init %1: the counter takes decimal digits only").arg(digits);
      return {};
    }
  }
  return [digits](Context& c) {
    const CounterOutcome out = InitCounter(c.session, c.options.address, digits);
    return Finish(c, out, [&] { PrintCounter(*out.counterText); });
  };
}

Runner BindSend(const CliOptions& o, QString* error) {
  if (o.operands.isEmpty()) {
    *error = QStringLiteral("send needs the frame text in hex, from the \"C\" on (e.g. 43 31 30)");
    return {};
  }
  const QString text = o.operands.join(QLatin1Char(' '));
  const auto body = ParseHexText(text);
  if (!body) {
    *error = QStringLiteral("send %1: not a sequence of two-digit hex bytes").arg(text);
    return {};
  }
  if (body->size() < 3 || static_cast<uint8_t>(body->at(0)) != 0x43) {
    *error = QStringLiteral("send %1: the text starts with 43 (\"C\"), the command code and the parameter code")
                 .arg(text);
    return {};
  }
  if (body->size() - 3 > kMaxFrameData) {
    *error = QStringLiteral("send: at most %1 data bytes fit in a frame").arg(kMaxFrameData);
    return {};
  }
  const QByteArray b = *body;
  return [b](Context& c) {
    const Outcome out = RunCommand(c.session, c.options.address, static_cast<uint8_t>(b[1]),
                                   static_cast<uint8_t>(b[2]), b.mid(3));
    if (out.reply.len > 0) PrintReplyText(out.reply);
    return Finish(c, out);
  };
}

int RunProbe(Context& c) {
  Session& s = c.session;
  const QString verdict =
      VerifyProbe(s.port, s.log, static_cast<uint8_t>(c.options.address.toInt(nullptr, 16)), s.timeouts());
  PrintField(QStringLiteral("Probe"), verdict);
  return verdict == QLatin1String("OK") ? kExitOk : kExitExchange;
}

int RunScan(Context& c) {
  const ScanOutcome out = PortSetupScan(c.session, c.options.address);
  PrintField(QStringLiteral("Scan"), out.result.label);
  if (!out.result.found) return kExitExchange;
  PrintField(QStringLiteral("Comm Port Number"), out.portText);
  PrintField(QStringLiteral("Baud Rate"), out.baudText);
  return kExitOk;
}

// A port lost under a run is told on stderr, as the windows tell it on their status line.
void TellLostPorts(std::vector<CommandEntry>& t) {
  for (CommandEntry& entry : t) {
    if (!entry.opensPort) continue;
    entry.bind = [bind = entry.bind](const CliOptions& o, QString* error) -> Runner {
      Runner run = bind(o, error);
      if (!run) return run;
      return [run](Context& c) {
        c.session.linkWatch.listener = [](const QString& news) { PrintError(news); };
        return run(c);
      };
    };
  }
}

std::vector<CommandEntry> MakeTable() {
  std::vector<CommandEntry> t;
  t.push_back({"init", "[--option 0|1|3|4|5|7]", "INITIALIZE (option: what to do with a card inside), then the firmware version", true, BindInit});
  t.push_back({"card-status", "", "card position, stacker and error card bin", true,
               Plain([](Context& c) { return Finish(c, CardStatus(c.session, c.options.address)); })});
  t.push_back({"sensor-status", "", "every sensor (12 rows on variant B, 8 on M)", true,
               Plain([](Context& c) {
                 const Outcome out = SensorStatus(c.session, c.options.address);
                 return Finish(c, out, [&] { PrintSensorRows(c.session.state, c.options.variant); });
               })});
  t.push_back({"move", "front|front-hold|ic|rf|bin", "move the card", true,
               [](const CliOptions& o, QString* e) {
                 return BindMovement(o, e,
                                     {{"front", Movement::Front},
                                      {"front-hold", Movement::FrontHold},
                                      {"ic", Movement::IC},
                                      {"rf", Movement::RF},
                                      {"bin", Movement::ErrorBin}});
               }});
  t.push_back({"entry", "allow|forbid", "allow or forbid card entry", true,
               [](const CliOptions& o, QString* e) {
                 return BindMovement(o, e, {{"allow", Movement::AllowEntry}, {"forbid", Movement::ForbidEntry}});
               }});
  t.push_back({"read-sn", "", "the unit's serial number", true, Plain([](Context& c) {
                 const Outcome out = ReadSN(c.session, c.options.address);
                 return Finish(c, out, [&] { PrintSerialNumber(c.session.state); });
               })});
  t.push_back({"config", "", "the unit configuration record, decoded", true, Plain([](Context& c) {
                 const Outcome out = ReadConfig(c.session, c.options.address);
                 return Finish(c, out, [&] { PrintConfigRows(c.session.state); });
               })});
  t.push_back({"counter-read", "", "the capture card counter", true, Plain([](Context& c) {
                 const CounterOutcome out = ReadCounter(c.session, c.options.address);
                 return Finish(c, out, [&] { PrintCounter(*out.counterText); });
               })});
  t.push_back({"counter-init", "DIGITS", "set the capture card counter (padded to three digits)", true,
               BindCounterInit});
  t.push_back({"probe", "", "the port setup's verify probe alone: OK or ERROR", true, Plain(RunProbe)});
  t.push_back({"scan", "[--variant B|M]", "search COM1 to COM16 at every baud rate of the variant", false,
               Plain(RunScan)});
  t.push_back({"send", "HEX...", "send a raw command: the frame text from \"C\" on, in hex", true, BindSend});
  t.push_back({"script", "FILE [--repeat N]", "run a command-line script N times (default 1), print the blocks",
               true, BindScript});
  t.push_back({"pcsc", "list | transmit APDU...",
               "smart-card service: list the readers, or connect and send APDUs (hex, one per operand)", false,
               BindPcsc});
  AddContactCommands(t);
  AddRfCommands(t);
  AddInsightCommands(t);
  AddMonitorCommands(t);
  AddQualifyCommands(t);
  TellLostPorts(t);
  return t;
}

}  // namespace

const std::vector<CommandEntry>& Commands() {
  static const std::vector<CommandEntry> table = MakeTable();
  return table;
}

const CommandEntry* FindCommand(const QString& name) {
  for (const CommandEntry& c : Commands())
    if (name == QLatin1String(c.name)) return &c;
  return nullptr;
}

}  // namespace kvt::cli
