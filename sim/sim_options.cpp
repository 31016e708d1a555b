#include "sim/sim_options.h"

#include <cerrno>
#include <cstdlib>

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

}  // namespace

std::string simUsage() {
  return "Usage: kvt730-sim [options]\n"
         "Simulates a KVT-730 card reader on a pseudo-terminal and prints\n"
         "\"DEVICE <path>\" for the tool to open. Runs until interrupted.\n"
         "With --listen it also serves the reader on a TCP socket (raw bytes, one\n"
         "client at a time, a new client replaces the old) and prints\n"
         "\"LISTEN tcp://HOST:PORT\" first.\n"
         "\n"
         "  --baud N               line speed the reader listens at (default 9600)\n"
         "  --address HEX          device address, 0 to FF (default 0)\n"
         "  --card none|front|inside|rf  card in the reader at start: inside stands at the\n"
         "                         IC contacts, rf at the RF position (default none)\n"
         "  --stacker N            cards in the stacker\n"
         "  --link PATH            make PATH a symlink to the device while running\n"
         "  --require-init         refuse commands until the first INITIALIZE\n"
         "  --listen tcp://HOST:PORT\n"
         "                         serve the reader on a TCP socket as well; port 0\n"
         "                         takes a free port (e.g. tcp://127.0.0.1:0)\n"
         "  --no-pty               with --listen: the socket alone, no pseudo-terminal\n"
         "  --ic-card KIND         chip of the cards: none, cpu-t0 (default), cpu-t1,\n"
         "                         cpu-noemv, sle4442, sle4428, 24c01 .. 24c512\n"
         "  --rf-card KIND         contactless side of the cards: none, s50 (default), s70,\n"
         "                         ultralight, typea, typeb, s50-mixed, s70-mixed (sectors\n"
         "                         under other keys and access conditions)\n"
         "  --pcsc-card            no reader: put a T=0 SIM into pcscd's virtual reader\n"
         "                         (vsmartcard vpcd) and serve it until interrupted\n"
         "  --vpcd-host HOST       where the virtual reader listens (default 127.0.0.1)\n"
         "  --vpcd-port N          its port (default 35963)\n"
         "  --vpcd-wait S          give up after S seconds without it (default 60)\n"
         "  --help                 this text\n"
         "  --version              program version\n";
}

bool parseSimOptions(const std::vector<std::string>& args, SimOptions* opts, std::string* error) {
  auto bad = [&](const std::string& msg) {
    if (error) *error = msg;
    return false;
  };
  for (size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::string value;
    bool hasValue = false;
    const auto eq = name.find('=');
    if (name.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = name.substr(eq + 1);
      name = name.substr(0, eq);
      hasValue = true;
    }
    auto takeValue = [&]() {
      if (hasValue) return true;
      if (i + 1 >= args.size()) return false;
      value = args[++i];
      return true;
    };

    if (name == "--help" || name == "-h") {
      opts->help = true;
    } else if (name == "--version") {
      opts->version = true;
    } else if (name == "--require-init") {
      opts->requireInit = true;
    } else if (name == "--no-pty") {
      opts->noPty = true;
    } else if (name == "--listen") {
      if (!takeValue() || !parseListenAddress(value, &opts->listenHost, &opts->listenPort))
        return bad("--listen needs tcp://HOST:PORT, for example tcp://127.0.0.1:0");
    } else if (name == "--baud") {
      long v = 0;
      if (!takeValue() || !parseNumber(value, 10, 4000000, &v) || speedFromBaud(static_cast<int>(v)) == B0)
        return bad("--baud needs a standard rate such as 9600 or 115200");
      opts->baud = static_cast<int>(v);
    } else if (name == "--address") {
      long v = 0;
      if (!takeValue() || !parseNumber(value, 16, 0xFF, &v))
        return bad("--address needs a hexadecimal value from 0 to FF");
      opts->address = static_cast<uint8_t>(v);
    } else if (name == "--card") {
      if (!takeValue()) return bad("--card needs none, front, inside or rf");
      opts->spot = InsideSpot::IcContacts;
      if (value == "none") opts->card = CardPos::None;
      else if (value == "front") opts->card = CardPos::Front;
      else if (value == "inside") opts->card = CardPos::Inside;
      else if (value == "rf") {
        opts->card = CardPos::Inside;
        opts->spot = InsideSpot::RfAntenna;
      } else return bad("--card needs none, front, inside or rf");
    } else if (name == "--stacker") {
      long v = 0;
      if (!takeValue() || !parseNumber(value, 10, 100000, &v)) return bad("--stacker needs a card count");
      opts->stacker = static_cast<int>(v);
    } else if (name == "--pcsc-card") {
      opts->pcscCard = true;
    } else if (name == "--vpcd-host") {
      if (!takeValue() || value.empty()) return bad("--vpcd-host needs a host name or address");
      opts->vpcdHost = value;
    } else if (name == "--vpcd-port") {
      long v = 0;
      if (!takeValue() || !parseNumber(value, 10, 65535, &v) || v == 0) return bad("--vpcd-port needs a port from 1 to 65535");
      opts->vpcdPort = static_cast<int>(v);
    } else if (name == "--vpcd-wait") {
      long v = 0;
      if (!takeValue() || !parseNumber(value, 10, 86400, &v)) return bad("--vpcd-wait needs seconds");
      opts->vpcdWait = static_cast<int>(v);
    } else if (name == "--ic-card") {
      if (!takeValue() || !isContactChipKind(value)) return bad("--ic-card needs a chip kind such as sle4442");
      opts->icCard = value;
    } else if (name == "--rf-card") {
      if (!takeValue() || !isRfCardKind(value)) return bad("--rf-card needs none, s50, s70, ultralight, typea, typeb, s50-mixed or s70-mixed");
      opts->rfCard = value;
    } else if (name == "--link") {
      if (!takeValue() || value.empty()) return bad("--link needs a path");
      opts->link = value;
    } else {
      return bad("unknown option " + args[i]);
    }
  }
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
