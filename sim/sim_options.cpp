// SPDX-License-Identifier: MIT
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

// An option with a value, stored by `take` as it is read; `needs` is the message when the
// value is missing or will not do (take gives false).
void valued(CLI::App& app, const char* name, const char* value, const char* help, const std::string& needs,
            std::function<bool(const std::string&)> take) {
  app.add_option_function<std::string>(
         name,
         [needs, take](const std::string& v) {
           if (!take(v)) throw CLI::ValidationError(needs);
         },
         help)
      ->option_text(value)
      ->trigger_on_parse();
}

// Stores a number from 0 to `max` (`base` 10 or 16) in `field`.
std::function<bool(const std::string&)> number(int base, long max, int& field) {
  return [base, max, &field](const std::string& text) {
    long v = 0;
    if (!parseNumber(text, base, max, &v)) return false;
    field = static_cast<int>(v);
    return true;
  };
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
  app.allow_extras();  // reported as unknown options, in this program's words
  valued(app, "--baud", "N", "line speed the reader listens at (default 9600)",
         "--baud needs a standard rate such as 9600 or 115200",
         [&o](const std::string& t) { return number(10, 4000000, o.baud)(t) && speedFromBaud(o.baud) != B0; });
  valued(app, "--address", "HEX", "device address, 0 to FF (default 0)",
         "--address needs a hexadecimal value from 0 to FF", [&o](const std::string& t) {
           long v = 0;
           if (!parseNumber(t, 16, 0xFF, &v)) return false;
           o.address = static_cast<uint8_t>(v);
           return true;
         });
  valued(app, "--card", "none|front|inside|rf",
         "card in the reader at start: inside stands at the\nIC contacts, rf at the RF position (default none)",
         "--card needs none, front, inside or rf", [&o](const std::string& t) {
           o.spot = t == "rf" ? InsideSpot::RfAntenna : InsideSpot::IcContacts;
           o.card = t == "front" ? CardPos::Front : t == "inside" || t == "rf" ? CardPos::Inside : CardPos::None;
           return t == "none" || t == "front" || t == "inside" || t == "rf";
         });
  valued(app, "--stacker", "N", "cards in the stacker", "--stacker needs a card count", number(10, 100000, o.stacker));
  valued(app, "--link", "PATH", "make PATH a symlink to the device while running", "--link needs a path",
         [&o](const std::string& t) { return !(o.link = t).empty(); });
  app.add_flag("--require-init", o.requireInit, "refuse commands until the first INITIALIZE");
  valued(app, "--motion-ms", "MS", "a card move takes MS milliseconds, give or take 5 %\n(default 0: at once)",
         "--motion-ms needs milliseconds from 0 to 60000", number(10, 60000, o.motion.motionMs));
  valued(app, "--wear-ms", "N", "every 1,000 moves made add N ms to a move (default 0)",
         "--wear-ms needs milliseconds from 0 to 60000", number(10, 60000, o.motion.wearMsPer1000));
  valued(app, "--jam-rate", "P", "a move jams with chance P (0 to 1), answered with\nthe negative reply 10, card jam",
         "--jam-rate needs a chance from 0 to 1, such as 0.01", [&o](const std::string& t) {
           char* end = nullptr;
           errno = 0;
           const double p = std::strtod(t.c_str(), &end);
           if (t.empty() || errno != 0 || *end != '\0' || !(p >= 0 && p <= 1)) return false;
           o.motion.jamRate = p;
           return true;
         });
  valued(app, "--seed", "S", "seed of the move times' spread and of the jams\n(default 1)",
         "--seed needs a whole number from 0 to 4294967295", [&o](const std::string& t) {
           char* end = nullptr;
           errno = 0;
           const unsigned long long v = std::strtoull(t.c_str(), &end, 10);
           if (t.empty() || t[0] == '-' || errno != 0 || *end != '\0' || v > 0xFFFFFFFFull) return false;
           o.motion.seed = static_cast<uint32_t>(v);
           return true;
         });
  valued(app, "--listen", "tcp://HOST:PORT",
         "serve the reader on a TCP socket as well; port 0\ntakes a free port (e.g. tcp://127.0.0.1:0)",
         "--listen needs tcp://HOST:PORT, for example tcp://127.0.0.1:0",
         [&o](const std::string& t) { return parseListenAddress(t, &o.listenHost, &o.listenPort); });
  app.add_flag("--no-pty", o.noPty, "with --listen: the socket alone, no pseudo-terminal");
  valued(app, "--ic-card", "KIND",
         "chip of the cards: none, cpu-t0 (default), cpu-t1,\ncpu-noemv, sle4442, sle4428, 24c01 .. 24c512",
         "--ic-card needs a chip kind such as sle4442",
         [&o](const std::string& t) { return isContactChipKind(o.icCard = t); });
  valued(app, "--rf-card", "KIND",
         "contactless side of the cards: none, s50 (default), s70,\nultralight, typea, typeb, s50-mixed, s70-mixed "
         "(sectors\nunder other keys and access conditions)",
         "--rf-card needs none, s50, s70, ultralight, typea, typeb, s50-mixed or s70-mixed",
         [&o](const std::string& t) { return isRfCardKind(o.rfCard = t); });
  app.add_flag("--pcsc-card", o.pcscCard,
               "no reader: put a T=0 SIM into pcscd's virtual reader\n(vsmartcard vpcd) and serve it until interrupted");
  valued(app, "--vpcd-host", "HOST", "where the virtual reader listens (default 127.0.0.1)",
         "--vpcd-host needs a host name or address", [&o](const std::string& t) { return !(o.vpcdHost = t).empty(); });
  valued(app, "--vpcd-port", "N", "its port (default 35963)", "--vpcd-port needs a port from 1 to 65535",
         [&o](const std::string& t) { return number(10, 65535, o.vpcdPort)(t) && o.vpcdPort != 0; });
  valued(app, "--vpcd-wait", "S", "give up after S seconds without it (default 60)", "--vpcd-wait needs seconds",
         number(10, 86400, o.vpcdWait));
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
  // "--name=" is an empty value, which CLI11 would take from the next argument instead, and
  // a value missing at the end is one too: the option's own message names the mistake.
  std::vector<std::string> line;
  for (const std::string& a : args) {
    const bool empty = a.size() > 3 && a.rfind("--", 0) == 0 && a.back() == '=';
    line.push_back(empty ? a.substr(0, a.size() - 1) : a);
    if (empty) line.emplace_back();
  }
  const CLI::Option* last = line.empty() ? nullptr : app.get_option_no_throw(line.back());
  if (last && last->get_expected_max() > 0) line.emplace_back();
  try {
    app.parse(std::vector<std::string>(line.rbegin(), line.rend()));  // CLI11 takes them last first
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
  reader.setMotion(opts.motion);
  if (!opts.icCard.empty()) setContactCardKind(reader.state(), opts.icCard);
  if (!opts.rfCard.empty()) setRfCardKind(reader.state(), opts.rfCard);
}

}  // namespace sim
