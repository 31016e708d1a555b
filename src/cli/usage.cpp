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
      "  --ports LIST         run on every port of LIST (names, devices or addresses separated\n"
      "                       by commas) at once; each line starts with its port\n"
      "  --baud N             9600 (default), 19200, 38400, 57600 or 115200\n"
      "  --address HEX        device address 0..F (default 0)\n"
      "  --simulate           run a simulated reader in this process on COM1 (with --ports:\n"
      "                       one on each COMn of the list)\n"
      "  --variant B|M        reader variant: sensor rows and scan order (default B)\n"
      "  --log                print the communication log after the operation\n"
      "  --json               print one JSON object per run (per port) on one line instead\n"
      "  --timeout-scale N    divide every wait by N (for tests)\n"
      "  --repeat N           script: run the script N times (default 1)\n"
      "  --report FILE        script: write a JUnit XML report of the lines to FILE\n"
      "  --reader NAME        pcsc transmit: the smart-card reader (default: the first listed)\n"
      "  --keys FILE          mifare dump/restore: more candidate keys, one 12-hex-digit key a line\n"
      "                       (# starts a comment)\n"
      "  --size SIZE          mifare dump: 1k or 4k (default: what the card says);\n"
      "                       24cxx dump/restore: 24C01 .. 24C512 (needed)\n"
      "  --trailers           mifare restore: write the sector trailers too\n"
      "  --force              mifare write/restore: write access bits that lock a trailer for good\n"
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
      "Whole cards (dump: card to file, restore: file to card; one summary line per sector):\n"
      "  mifare access HEX6                      decode trailer bytes 6-8 (e.g. FF0780); needs no reader\n"
      "  mifare dump OUT [--keys F] [--size S]   OUT ends in .mfd, .mct or .eml\n"
      "  mifare restore IN [--keys F] [--trailers] [--force]\n"
      "                                          data blocks back (never block 0 of sector 0)\n"
      "  ultralight dump OUT | restore IN        64-byte .bin; restore writes pages 4 to 15\n"
      "  sle4442 dump OUT | restore IN [PSC]     256 bytes (PSC: three bytes, default FFFFFF)\n"
      "  sle4428 dump OUT | restore IN [PSC]     1024 bytes (PSC: two bytes, default FFFF)\n"
      "  24cxx dump OUT | restore IN --size S    S: 24C01 .. 24C512\n"
      "Whole-card runs end 0 when every block went through, 1 when the card refused some.\n"
      "\n"
      "Exit status: 0 done, 1 negative reply (or a reply of no known kind), 2 exchange failure,\n"
      "3 bad input, 4 port error, "
      "5 smart-card service error (pcsc), 130 stopped by Ctrl-C or SIGTERM.\n"
      "With --ports: 130 when the run was stopped, else the highest status of the ports.\n");
  return t;
}

}  // namespace kvt::cli
