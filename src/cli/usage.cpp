#include "usage.h"

#include "commands.h"

namespace kvt::cli {

QString UsageText() {
  QString t = QStringLiteral(
      "Usage: kvt730ctl [options] COMMAND [operands]\n"
      "Drives a KVT-730 card reader on a serial port: one operation per run.\n"
      "\n"
      "Options:\n"
      "  --port NAME|DEVICE   port to open: COM1..COM16 through the port map, or a device\n"
      "                       path (default COM1)\n"
      "  --port COMn=DEVICE   map COMn to DEVICE (repeatable)\n"
      "                       DEVICE may also be a network port: tcp://HOST:PORT (raw bytes)\n"
      "                       or rfc2217://HOST:PORT (Telnet, line set from --baud)\n"
      "  --baud N             9600 (default), 19200, 38400, 57600 or 115200\n"
      "  --address HEX        device address 0..F (default 0)\n"
      "  --simulate           run a simulated reader in this process on COM1\n"
      "  --variant B|M        reader variant: sensor rows and scan order (default B)\n"
      "  --log                print the communication log after the operation\n"
      "  --timeout-scale N    divide every wait by N (for tests)\n"
      "  --repeat N           script: run the script N times (default 1)\n"
      "  --reader NAME        pcsc transmit: the smart-card reader (default: the first listed)\n"
      "  --help, --version\n"
      "\n"
      "Commands:\n");
  for (const CommandEntry& c : Commands()) {
    QString head = QStringLiteral("  %1 %2").arg(QLatin1String(c.name), QLatin1String(c.synopsis)).trimmed();
    head = QStringLiteral("  ") + head;
    t += head.leftJustified(40) + QLatin1String(c.summary) + QLatin1Char('\n');
  }
  t += QStringLiteral(
      "\n"
      "Exit status: 0 done, 1 negative reply, 2 exchange failure, 3 bad input, 4 port error,\n"
      "5 smart-card service error (pcsc).\n");
  return t;
}

}  // namespace kvt::cli
