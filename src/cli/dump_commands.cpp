// SPDX-License-Identifier: MIT
#include "dump_commands.h"

#include <QFile>

#include "core/base/conversions.h"
#include "core/base/text_file.h"
#include "core/dump/card_files.h"
#include "core/insight/mifare_access.h"
#include "exit_status.h"
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

// Prints the run's summary and its one message; the exit status: the failure, or the file
// that could not be written, else 0 when every block went through and 1 when the card
// refused some (or the run was stopped).
int finishRun(Context& c, const CardFileOutcome& o, const std::optional<QString>& dumpPath = std::nullopt) {
  for (const QString& line : o.lines) PrintLine(line);
  for (const QString& line : o.unreadNote) PrintLine(line);
  if (o.end.message) c.session.notifier.show(*o.end.message);
  if (dumpPath && o.end.stopped)
    PrintError(QStringLiteral("%1 was not written: the run was stopped before the card was read through").arg(*dumpPath));
  else if (dumpPath && o.end.status != OpStatus::Done)
    PrintError(QStringLiteral("%1 was not written").arg(*dumpPath));
  else if (!dumpPath && (o.end.stopped || (o.end.status != OpStatus::Done && !o.lines.isEmpty())))
    PrintError(QStringLiteral("stopped before the end of the card: %1 of %2 %3 were written")
                   .arg(o.done)
                   .arg(o.total)
                   .arg(o.unit));
  if (o.forceGoesOn)
    PrintError(QStringLiteral("%1 restore: nothing irreversible is done without --force").arg(c.options.command));
  if (o.fileError) {
    PrintError(*o.fileError);
    return kExitBadInput;
  }
  if (!o.written.isEmpty()) PrintField(QStringLiteral("Written"), o.written);
  if (o.end.stopped) return kExitNegative;
  if (o.end.status != OpStatus::Done) return ExitCodeFor(o.end.status);
  return o.complete ? kExitOk : kExitNegative;
}

// A restore's image, read and parsed before anything is opened; nullopt with *error set.
std::optional<CardImage> imageOf(const CardFileJob& job, const QString& path, QString* error) {
  const ParsedImage parsed = ReadImageFile(job, path);
  if (!parsed.ok()) {
    *error = parsed.error;
    return std::nullopt;
  }
  return parsed.image;
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
  CardFileJob job;
  job.family = CardFamily::Mifare;
  job.keys = *keys;
  if (is(sub, "dump")) {
    if (!operandCount(o, 1, 1, error)) return {};
    const QString path = o.operands[1];
    if (const auto bad = CheckCardFilePath(job, path)) {
      *error = QStringLiteral("mifare dump ") + *bad;
      return {};
    }
    if (o.size) {
      const QString size = o.size->toLower();
      if (size != QLatin1String("1k") && size != QLatin1String("4k")) {
        *error = QStringLiteral("--size %1: mifare dump takes 1k or 4k").arg(*o.size);
        return {};
      }
      job.sectors = size == QLatin1String("1k") ? 16 : 40;
    }
    return [path, job](Context& c) { return finishRun(c, DumpToFile(c.session, c.options.address, job, path, StopOn(c)), path); };
  }
  if (is(sub, "restore")) {
    if (!operandCount(o, 1, 1, error)) return {};
    job.trailers = o.trailers;
    job.lock = o.force ? TrailerLock::Allow : TrailerLock::Refuse;
    const auto image = imageOf(job, o.operands[1], error);
    if (!image) return {};
    return [job, image](Context& c) { return finishRun(c, RestoreImage(c.session, c.options.address, job, *image, StopOn(c))); };
  }
  return {};
}

Runner bindUltralight(const CliOptions& o, const QString& sub, QString* error) {
  if (!operandCount(o, 1, 1, error)) return {};
  const QString path = o.operands[1];
  CardFileJob job;
  job.family = CardFamily::Ultralight;
  if (const auto bad = CheckCardFilePath(job, path)) {
    *error = QStringLiteral("ultralight %1 %2").arg(sub, *bad);
    return {};
  }
  if (is(sub, "dump"))
    return [path, job](Context& c) { return finishRun(c, DumpToFile(c.session, c.options.address, job, path, StopOn(c)), path); };
  const auto image = imageOf(job, path, error);
  if (!image) return {};
  return [job, image](Context& c) { return finishRun(c, RestoreImage(c.session, c.options.address, job, *image, StopOn(c))); };
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
  CardFileJob job;
  job.family = CardFamily::Memory;
  job.memory = *card;
  // The card's last security-code try is spent only with --force.
  job.lastTry = o.force ? LastCodeTry::Allow : LastCodeTry::Refuse;
  if (const auto bad = CheckCardFilePath(job, path)) {
    *error = QStringLiteral("%1 %2 %3").arg(o.command, sub, *bad);
    return {};
  }
  if (is(sub, "dump"))
    return [path, job](Context& c) { return finishRun(c, DumpToFile(c.session, c.options.address, job, path, StopOn(c)), path); };
  // The security code as "verify" takes it: hex bytes, the transport code by default.
  job.code = QByteArray(codeBytes, char(0xFF));
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
    job.code = *parsed;
  }
  const auto image = imageOf(job, path, error);
  if (!image) return {};
  return [job, image](Context& c) { return finishRun(c, RestoreImage(c.session, c.options.address, job, *image, StopOn(c))); };
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
