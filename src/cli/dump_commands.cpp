#include "dump_commands.h"

#include <QFile>

#include "app/conversions.h"
#include "app/text_file.h"
#include "dump/memory_dump_ops.h"
#include "dump/mifare_dump_ops.h"
#include "dump/ultralight_dump_ops.h"
#include "exit_status.h"
#include "insight/mifare_access.h"
#include "output.h"

namespace kvt::cli {

namespace {

bool is(const QString& a, const char* b) { return a == QLatin1String(b); }

// The whole file, or nullopt with *error set.
std::optional<QByteArray> readFile(const QString& path, QString* error) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    *error = QStringLiteral("%1: %2").arg(path, f.errorString());
    return std::nullopt;
  }
  return f.readAll();
}

bool operandCount(const CliOptions& o, int min, int max, QString* error) {
  const int n = static_cast<int>(o.operands.size()) - 1;
  if (n >= min && n <= max) return true;
  *error = QStringLiteral("%1 %2: wrong number of operands").arg(o.command, o.operands.value(0));
  return false;
}

// The candidate keys: the defaults, then those of --keys.
std::optional<std::vector<MifareKey6>> candidateKeys(const CliOptions& o, QString* error) {
  if (!o.keysFile) return DefaultMifareKeys();
  const auto file = readFile(*o.keysFile, error);
  if (!file) return std::nullopt;
  const ParsedKeys parsed = ParseKeyFile(*file);
  if (!parsed.ok()) {
    *error = QStringLiteral("%1: %2").arg(*o.keysFile, parsed.error);
    return std::nullopt;
  }
  return MergeKeys(DefaultMifareKeys(), parsed.keys);
}

// Ctrl-C stops a whole-card run between blocks, as the window's Stop does.
RunControl StopOn(Context& c) {
  RunControl control;
  control.stopRequested = [&c] { return c.stopRequested(); };
  return control;
}

// The run's exit status: its failure, else 0 when every block went through, 1 when the
// card refused some.
int runExit(Context& c, const RunEnd& end, bool complete) {
  if (end.message) c.session.notifier.show(*end.message);
  if (end.stopped) return kExitNegative;
  if (end.status != OpStatus::Done) return ExitCodeFor(end.status);
  return complete ? kExitOk : kExitNegative;
}

// Writes the image file once the run got through; the exit status.
int saveDump(Context& c, const RunEnd& end, bool complete, const QString& path, const QByteArray& bytes) {
  const int rc = runExit(c, end, complete);
  if (end.status != OpStatus::Done) {
    PrintError(QStringLiteral("%1 was not written").arg(path));
    return rc;
  }
  if (end.stopped) {
    PrintError(
        QStringLiteral("%1 was not written: the run was stopped before the card was read through").arg(path));
    return rc;
  }
  FileError fileError;
  if (!WriteWholeFile(path, bytes, &fileError)) {
    PrintError(QStringLiteral("cannot write %1: %2").arg(path, fileError.text));
    return kExitBadInput;
  }
  PrintField(QStringLiteral("Written"), path);
  return rc;
}

Runner bindMifare(const CliOptions& o, const QString& sub, QString* error) {
  if (is(sub, "access")) {
    if (!operandCount(o, 1, 1, error)) return {};
    const auto bits = ParseHexText(o.operands[1]);
    if (!bits || bits->size() != 3) {
      *error = QStringLiteral("mifare access %1: expected trailer bytes 6 to 8 as 6 hex digits, e.g. FF0780")
                   .arg(o.operands[1]);
      return {};
    }
    const QByteArray b = *bits;
    return [b](Context&) {
      for (const QString& line : AccessLines(b)) PrintLine(line);
      return int(kExitOk);
    };
  }
  const auto keys = candidateKeys(o, error);
  if (!keys) return {};
  if (is(sub, "dump")) {
    if (!operandCount(o, 1, 1, error)) return {};
    const QString path = o.operands[1];
    if (!WriteMifareFile(path, CardImage(mifare::k1kBytes))) {
      *error = QStringLiteral("mifare dump %1: the file name ends in .mfd, .mct or .eml").arg(path);
      return {};
    }
    MifareDumpOptions options;
    options.keys = *keys;
    if (o.size) {
      const QString size = o.size->toLower();
      if (size != QLatin1String("1k") && size != QLatin1String("4k")) {
        *error = QStringLiteral("--size %1: mifare dump takes 1k or 4k").arg(*o.size);
        return {};
      }
      options.sectors = size == QLatin1String("1k") ? 16 : 40;
    }
    return [path, options](Context& c) {
      const MifareDumpResult r = MifareDump(c.session, c.options.address, options, StopOn(c));
      for (const MifareSectorDump& d : r.sectors) PrintLine(SectorDumpLine(d));
      return saveDump(c, r, r.complete(), path, *WriteMifareFile(path, r.image));
    };
  }
  if (is(sub, "restore")) {
    if (!operandCount(o, 1, 1, error)) return {};
    const QString path = o.operands[1];
    const auto file = readFile(path, error);
    if (!file) return {};
    const ParsedImage parsed = ParseMifareFile(path, *file);
    if (!parsed.ok()) {
      *error = QStringLiteral("%1: %2").arg(path, parsed.error);
      return {};
    }
    MifareRestoreOptions options;
    options.keys = *keys;
    options.trailers = o.trailers;
    options.lock = o.force ? TrailerLock::Allow : TrailerLock::Refuse;
    const CardImage image = parsed.image;
    return [image, options](Context& c) {
      const MifareRestoreResult r = MifareRestore(c.session, c.options.address, image, options, StopOn(c));
      for (const MifareSectorRestore& s : r.sectors) PrintLine(SectorRestoreLine(s));
      return runExit(c, r, r.complete());
    };
  }
  return {};
}

Runner bindUltralight(const CliOptions& o, const QString& sub, QString* error) {
  if (!operandCount(o, 1, 1, error)) return {};
  const QString path = o.operands[1];
  if (is(sub, "dump")) {
    return [path](Context& c) {
      const UltralightDumpResult r = UltralightDump(c.session, c.options.address, StopOn(c));
      if (r.status == OpStatus::Done) PrintLine(UltralightDumpLine(r));
      return saveDump(c, r, r.complete(), path, WriteBin(r.image));
    };
  }
  const auto file = readFile(path, error);
  if (!file) return {};
  const ParsedImage parsed = ParseBin(*file, kUltralightImageBytes);
  if (!parsed.ok()) {
    *error = QStringLiteral("%1: %2").arg(path, parsed.error);
    return {};
  }
  const CardImage image = parsed.image;
  return [image](Context& c) {
    const UltralightRestoreResult r = UltralightRestore(c.session, c.options.address, image, StopOn(c));
    if (r.status == OpStatus::Done) PrintLine(UltralightRestoreLine(r));
    return runExit(c, r, r.complete());
  };
}

Runner bindMemory(const CliOptions& o, const QString& sub, QString* error) {
  std::optional<MemoryCardModel> card;
  if (is(o.command, "24cxx")) {
    card = o.size ? MemoryCardByName(*o.size) : std::nullopt;
    if (!card || card->kind != MemoryCardKind::Eeprom24) {
      *error = QStringLiteral("24cxx %1 needs --size 24C01, 24C02, 24C04, 24C08, 24C16, 24C32, 24C64, 24C128, "
                              "24C256 or 24C512")
                   .arg(sub);
      return {};
    }
  } else {
    card = MemoryCardByName(o.command);
  }
  const int codeBytes = card->kind == MemoryCardKind::Sle4442 ? 3 : card->kind == MemoryCardKind::Sle4428 ? 2 : 0;
  if (!operandCount(o, 1, is(sub, "restore") && codeBytes ? 1 + codeBytes : 1, error)) return {};
  const QString path = o.operands[1];
  const MemoryCardModel model = *card;
  if (is(sub, "dump")) {
    return [path, model](Context& c) {
      const MemoryDumpResult r = MemoryDump(c.session, c.options.address, model, StopOn(c));
      if (r.status == OpStatus::Done) PrintLine(MemoryDumpLine(r));
      return saveDump(c, r, r.complete(), path, WriteBin(r.image));
    };
  }
  // The security code as "verify" takes it: hex bytes, the transport code by default.
  QByteArray code(codeBytes, char(0xFF));
  if (o.operands.size() > 2) {
    const QString text = o.operands.mid(2).join(QLatin1Char(' '));
    const auto parsed = ParseHexText(text);
    if (!parsed || parsed->size() != codeBytes) {
      *error = QStringLiteral("%1 restore: the security code is %2 bytes in hex, got \"%3\"")
                   .arg(o.command)
                   .arg(codeBytes)
                   .arg(text);
      return {};
    }
    code = *parsed;
  }
  const auto file = readFile(path, error);
  if (!file) return {};
  const ParsedImage parsed = ParseBin(*file, model.size);
  if (!parsed.ok()) {
    *error = QStringLiteral("%1 (%2): %3").arg(path, model.name, parsed.error);
    return {};
  }
  const CardImage image = parsed.image;
  return [model, image, code](Context& c) {
    const MemoryRestoreResult r = MemoryRestore(c.session, c.options.address, model, image, code, StopOn(c));
    if (r.status == OpStatus::Done) PrintLine(MemoryRestoreLine(r));
    return runExit(c, r, r.complete());
  };
}

}  // namespace

std::optional<Runner> BindDumpCommand(const CliOptions& o, QString* error) {
  const QString sub = o.operands.value(0);
  const bool run = is(sub, "dump") || is(sub, "restore");
  if (is(o.command, "mifare") && (run || is(sub, "access"))) return bindMifare(o, sub, error);
  if (is(o.command, "ultralight") && run) return bindUltralight(o, sub, error);
  if ((is(o.command, "sle4442") || is(o.command, "sle4428") || is(o.command, "24cxx")) && run)
    return bindMemory(o, sub, error);
  return std::nullopt;
}

bool RunsOffline(const CliOptions& o) { return is(o.command, "mifare") && is(o.operands.value(0), "access"); }

}  // namespace kvt::cli
