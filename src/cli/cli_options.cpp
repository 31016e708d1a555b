#include "cli_options.h"

#include "cmdline/script_text.h"

#include "link/port_map.h"

namespace kvt::cli {

const QList<int>& AcceptedBauds() {
  static const QList<int> bauds = {9600, 19200, 38400, 57600, 115200};
  return bauds;
}

namespace {

bool IsHexDigit(const QString& t) {
  return t.size() == 1 && QStringLiteral("0123456789ABCDEF").contains(t[0].toUpper());
}

// One option with its value; returns the error text, or an empty text when applied.
QString Apply(CliOptions& o, const QString& name, const QString& value) {
  if (name == QLatin1String("--port")) {
    if (value.isEmpty()) return QStringLiteral("--port needs a port name or device");
    if (value.contains(QLatin1Char('='))) {
      if (!PortMap().parseOverride(value))
        return QStringLiteral("--port %1: expected COMn=DEVICE with n from 1 to %2")
            .arg(value)
            .arg(PortMap::kPorts);
      o.portOverrides << value;
    } else {
      o.port = value;
    }
  } else if (name == QLatin1String("--ports")) {
    QStringList names;
    for (const QString& part : value.split(QLatin1Char(','))) {
      const QString n = part.trimmed();
      if (n.isEmpty()) return QStringLiteral("--ports %1: expected port names separated by commas").arg(value);
      if (n.contains(QLatin1Char('=')))
        return QStringLiteral("--ports %1: map COMn to a device with --port COMn=DEVICE").arg(value);
      names << n;
    }
    o.ports = names;
  } else if (name == QLatin1String("--report")) {
    if (value.isEmpty()) return QStringLiteral("--report needs a file name");
    o.report = value;
  } else if (name == QLatin1String("--baud")) {
    bool ok = false;
    const int b = value.toInt(&ok);
    if (!ok || !AcceptedBauds().contains(b))
      return QStringLiteral("--baud %1: expected 9600, 19200, 38400, 57600 or 115200").arg(value);
    o.baud = b;
  } else if (name == QLatin1String("--address")) {
    if (!IsHexDigit(value)) return QStringLiteral("--address %1: expected one hex digit, 0 to F").arg(value);
    o.address = value.toUpper();
  } else if (name == QLatin1String("--variant")) {
    const QString v = value.toUpper();
    if (v == QLatin1String("B")) o.variant = Variant::B;
    else if (v == QLatin1String("M")) o.variant = Variant::M;
    else return QStringLiteral("--variant %1: expected B or M").arg(value);
  } else if (name == QLatin1String("--option")) {
    static const QStringList codes = {"0", "1", "3", "4", "5", "7"};
    if (!codes.contains(value)) return QStringLiteral("--option %1: expected 0, 1, 3, 4, 5 or 7").arg(value);
    o.initOption = value.toInt();
  } else if (name == QLatin1String("--reader")) {
    o.reader = value;
  } else if (name == QLatin1String("--keys")) {
    if (value.isEmpty()) return QStringLiteral("--keys needs a file name");
    o.keysFile = value;
  } else if (name == QLatin1String("--size")) {
    o.size = value;
  } else if (name == QLatin1String("--repeat")) {
    bool ok = false;
    const qlonglong n = value.toLongLong(&ok);
    if (!ok) return QStringLiteral("--repeat %1: not a whole number").arg(value);
    if (n < 1) return QStringLiteral("--repeat %1: The Value should > 0").arg(value);
    if (n > kMaxRepeatCount) return QStringLiteral("--repeat %1: The Value should <= %2").arg(value).arg(kMaxRepeatCount);
    o.repeat = static_cast<int>(n);
  } else if (name == QLatin1String("--timeout-scale")) {
    bool ok = false;
    const int n = value.toInt(&ok);
    if (!ok || n < 1 || n > 10000) return QStringLiteral("--timeout-scale %1: expected 1 to 10000").arg(value);
    o.timeoutScale = n;
  }
  return QString();
}

}  // namespace

ParsedArgs ParseArgs(const QStringList& args) {
  static const QStringList withValue = {"--repeat", "--port", "--baud", "--address", "--variant", "--option",
                                        "--timeout-scale", "--reader", "--keys", "--size", "--ports",
                                        "--report"};
  ParsedArgs r;
  CliOptions& o = r.options;
  for (int i = 0; i < args.size(); ++i) {
    const QString& a = args[i];
    if (a == QLatin1String("-h")) {
      o.help = true;
      continue;
    }
    if (!a.startsWith(QLatin1String("--"))) {
      if (o.command.isEmpty()) o.command = a;
      else o.operands << a;
      continue;
    }
    const int eq = a.indexOf(QLatin1Char('='));
    const QString name = eq < 0 ? a : a.left(eq);
    if (withValue.contains(name)) {
      QString value;
      if (eq >= 0) {
        value = a.mid(eq + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        r.error = QStringLiteral("%1 needs a value").arg(name);
        return r;
      }
      r.error = Apply(o, name, value);
      if (!r.ok()) return r;
      continue;
    }
    if (eq >= 0) {
      r.error = QStringLiteral("%1 takes no value").arg(name);
      return r;
    }
    if (name == QLatin1String("--simulate")) o.simulate = true;
    else if (name == QLatin1String("--log")) o.log = true;
    else if (name == QLatin1String("--json")) o.json = true;
    else if (name == QLatin1String("--help")) o.help = true;
    else if (name == QLatin1String("--version")) o.version = true;
    else if (name == QLatin1String("--force")) o.force = true;
    else if (name == QLatin1String("--trailers")) o.trailers = true;
    else {
      r.error = QStringLiteral("unknown option %1").arg(a);
      return r;
    }
  }
  if (o.initOption && o.command != QLatin1String("init")) {
    r.error = QStringLiteral("--option belongs to init");
  }
  if (o.repeat && o.command != QLatin1String("script")) {
    r.error = QStringLiteral("--repeat belongs to script");
  }
  if (o.report && o.command != QLatin1String("script")) {
    r.error = QStringLiteral("--report belongs to script");
  }
  if (!o.ports.isEmpty() && !o.port.isEmpty()) {
    r.error = QStringLiteral("--ports and --port %1 name the port twice: give the names in --ports only "
                             "(--port COMn=DEVICE still maps a name)")
                  .arg(o.port);
  }
  if (o.reader && (o.command != QLatin1String("pcsc") || o.operands.value(0) != QLatin1String("transmit"))) {
    r.error = QStringLiteral("--reader belongs to pcsc transmit");
  }
  const QString sub = o.operands.value(0);
  const bool mifareRun = o.command == QLatin1String("mifare") && (sub == QLatin1String("dump") || sub == QLatin1String("restore"));
  if (o.keysFile && !mifareRun) r.error = QStringLiteral("--keys belongs to mifare dump and mifare restore");
  if (o.trailers && !(mifareRun && sub == QLatin1String("restore")))
    r.error = QStringLiteral("--trailers belongs to mifare restore");
  if (o.force && o.command != QLatin1String("mifare"))
    r.error = QStringLiteral("--force belongs to mifare write and mifare restore");
  if (o.size && !(o.command == QLatin1String("mifare") && sub == QLatin1String("dump")) &&
      o.command != QLatin1String("24cxx"))
    r.error = QStringLiteral("--size belongs to mifare dump and 24cxx dump/restore");
  return r;
}

}  // namespace kvt::cli
