#include "sim/sim_options.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdlib>
#include <functional>

#include "sim/cards/contact_chip.h"
#include "sim/cards/contact_commands.h"
#include "sim/cards/rf_card.h"
#include "sim/cards/rf_commands.h"
#include "sim/serial_speed.h"
#include "sim/tcp_host.h"

namespace sim {
namespace {

bool parseNumber(const std::string& text, int base, long max, long* value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, base);
  if (errno != 0 || *end != '\0' || v < 0 || v > max) return false;
  *value = v;
  return true;
}

// An option: its name, the value's name and the line in the help, what it
// needs (the message when the value is missing or will not do) and how it is stored.
// A flag has no value and sets `flag`.
struct SimOption {
  const char* name;
  const char* value;
  const char* help;
  const char* needs;
  std::function<bool(const std::string&, SimOptions&)> take;  // false: the value will not do
  bool SimOptions::*flag = nullptr;
};

SimOption flag(const char* name, const char* help, bool SimOptions::*field) {
  return {name, nullptr, help, nullptr, nullptr, field};
}

// Stores a number from 0 to `max` (`base` 10 or 16) in `field`.
std::function<bool(const std::string&, SimOptions&)> number(int base, long max, int SimOptions::*field) {
  return [=](const std::string& text, SimOptions& o) {
    long v = 0;
    if (!parseNumber(text, base, max, &v)) return false;
    o.*field = static_cast<int>(v);
    return true;
  };
}

const std::vector<SimOption>& simOptions() {
  static const std::vector<SimOption> table = {
      {"--baud", "N", "line speed the reader listens at (default 9600)",
       "--baud needs a standard rate such as 9600 or 115200",
       [](const std::string& t, SimOptions& o) {
         long v = 0;
         if (!parseNumber(t, 10, 4000000, &v) || speedFromBaud(static_cast<int>(v)) == B0) return false;
         o.baud = static_cast<int>(v);
         return true;
       }},
      {"--address", "HEX", "device address, 0 to FF (default 0)", "--address needs a hexadecimal value from 0 to FF",
       [](const std::string& t, SimOptions& o) {
         long v = 0;
         if (!parseNumber(t, 16, 0xFF, &v)) return false;
         o.address = static_cast<uint8_t>(v);
         return true;
       }},
      {"--card", "none|front|inside|rf",
       "card in the reader at start: inside stands at the\nIC contacts, rf at the RF position (default none)",
       "--card needs none, front, inside or rf",
       [](const std::string& t, SimOptions& o) {
         o.spot = t == "rf" ? InsideSpot::RfAntenna : InsideSpot::IcContacts;
         if (t == "none") o.card = CardPos::None;
         else if (t == "front") o.card = CardPos::Front;
         else if (t == "inside" || t == "rf") o.card = CardPos::Inside;
         else return false;
         return true;
       }},
      {"--stacker", "N", "cards in the stacker", "--stacker needs a card count", number(10, 100000, &SimOptions::stacker)},
      {"--link", "PATH", "make PATH a symlink to the device while running", "--link needs a path",
       [](const std::string& t, SimOptions& o) {
         o.link = t;
         return !t.empty();
       }},
      flag("--require-init", "refuse commands until the first INITIALIZE", &SimOptions::requireInit),
      {"--listen", "tcp://HOST:PORT",
       "serve the reader on a TCP socket as well; port 0\ntakes a free port (e.g. tcp://127.0.0.1:0)",
       "--listen needs tcp://HOST:PORT, for example tcp://127.0.0.1:0",
       [](const std::string& t, SimOptions& o) { return parseListenAddress(t, &o.listenHost, &o.listenPort); }},
      flag("--no-pty", "with --listen: the socket alone, no pseudo-terminal", &SimOptions::noPty),
      {"--ic-card", "KIND",
       "chip of the cards: none, cpu-t0 (default), cpu-t1,\ncpu-noemv, sle4442, sle4428, 24c01 .. 24c512",
       "--ic-card needs a chip kind such as sle4442",
       [](const std::string& t, SimOptions& o) {
         o.icCard = t;
         return isContactChipKind(t);
       }},
      {"--rf-card", "KIND",
       "contactless side of the cards: none, s50 (default), s70,\nultralight, typea, typeb, s50-mixed, s70-mixed "
       "(sectors\nunder other keys and access conditions)",
       "--rf-card needs none, s50, s70, ultralight, typea, typeb, s50-mixed or s70-mixed",
       [](const std::string& t, SimOptions& o) {
         o.rfCard = t;
         return isRfCardKind(t);
       }},
      flag("--pcsc-card",
           "no reader: put a T=0 SIM into pcscd's virtual reader\n(vsmartcard vpcd) and serve it until interrupted",
           &SimOptions::pcscCard),
      {"--vpcd-host", "HOST", "where the virtual reader listens (default 127.0.0.1)",
       "--vpcd-host needs a host name or address",
       [](const std::string& t, SimOptions& o) {
         o.vpcdHost = t;
         return !t.empty();
       }},
      {"--vpcd-port", "N", "its port (default 35963)", "--vpcd-port needs a port from 1 to 65535",
       [](const std::string& t, SimOptions& o) { return number(10, 65535, &SimOptions::vpcdPort)(t, o) && o.vpcdPort != 0; }},
      {"--vpcd-wait", "S", "give up after S seconds without it (default 60)", "--vpcd-wait needs seconds",
       number(10, 86400, &SimOptions::vpcdWait)},
  };
  return table;
}

// Puts the help text's usage line before the description, and the options after.
class SimHelp : public CLI::Formatter {
 public:
  SimHelp() { column_width(25); }
  std::string make_help(const CLI::App* app, std::string, CLI::AppFormatMode mode) const override {
    return "Usage: kvt730-sim [options]\n" + app->get_description() + make_groups(app, mode);
  }
};

// Every option of the program, stored into `o` as the command line is read.
void describe(CLI::App& app, SimOptions& o) {
  app.formatter(std::make_shared<SimHelp>());
  app.description(
      "Simulates a KVT-730 card reader on a pseudo-terminal and prints\n"
      "\"DEVICE <path>\" for the tool to open. Runs until interrupted.\n"
      "With --listen it also serves the reader on a TCP socket (raw bytes, one\n"
      "client at a time, a new client replaces the old) and prints\n"
      "\"LISTEN tcp://HOST:PORT\" first.\n");
  app.allow_extras();  // reported as unknown options below, in this program's words
  for (const SimOption& v : simOptions()) {
    if (v.flag) {
      app.add_flag(v.name, o.*v.flag, v.help);
      continue;
    }
    const std::string needs = v.needs;
    const auto take = v.take;
    app.add_option_function<std::string>(
           v.name,
           [&o, needs, take](const std::string& value) {
             if (!take(value, o)) throw CLI::ValidationError(needs);
           },
           v.help)
        ->option_text(v.value)
        ->trigger_on_parse();
  }
  app.set_help_flag();  // a plain flag: a mistake elsewhere on the line still counts
  app.add_flag("-h,--help", o.help, "this text");
  app.add_flag("--version", o.version, "program version");
}

}  // namespace

std::string simUsage() {
  SimOptions unused;
  CLI::App app;
  describe(app, unused);
  return app.help();
}

bool parseSimOptions(const std::vector<std::string>& args, SimOptions* opts, std::string* error) {
  auto bad = [&](const std::string& msg) {
    if (error) *error = msg;
    return false;
  };
  CLI::App app;
  describe(app, *opts);
  // "--name=" is an empty value, which CLI11 would take from the next argument instead.
  std::vector<std::string> line;
  for (const std::string& a : args) {
    const bool empty = a.size() > 3 && a.rfind("--", 0) == 0 && a.back() == '=';
    line.push_back(empty ? a.substr(0, a.size() - 1) : a);
    if (empty) line.emplace_back();
  }
  try {
    app.parse(std::vector<std::string>(line.rbegin(), line.rend()));  // CLI11 takes them last first
  } catch (const CLI::ArgumentMismatch& e) {
    // A value is taken whatever it looks like, so only the last option can lack one.
    const std::string name = args.back().substr(0, args.back().find('='));
    for (const SimOption& v : simOptions())
      if (name == v.name && v.needs) return bad(v.needs);
    return bad(e.what());
  } catch (const CLI::ParseError& e) {
    return bad(e.what());
  }
  for (const std::string& extra : app.remaining())
    if (extra != "--") return bad("unknown option " + extra);
  if (opts->noPty && opts->listenHost.empty()) return bad("--no-pty needs --listen");
  if (opts->noPty && !opts->link.empty()) return bad("--link needs the pseudo-terminal; drop --no-pty");
  return true;
}

void applySimOptions(const SimOptions& opts, Reader& reader) {
  reader.setBaud(opts.baud);
  reader.setAddress(opts.address);
  reader.setCardPosition(opts.card, opts.spot);
  if (opts.stacker >= 0) reader.setStackerCards(opts.stacker);
  reader.setRequireInitialize(opts.requireInit);
  if (!opts.icCard.empty()) setContactCardKind(reader.state(), opts.icCard);
  if (!opts.rfCard.empty()) setRfCardKind(reader.state(), opts.rfCard);
}

}  // namespace sim
