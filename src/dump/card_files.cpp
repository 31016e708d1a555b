#include "dump/card_files.h"

#include <QFile>

#include "base/text_file.h"
#include "dump/mifare_dump_ops.h"
#include "dump/ultralight_dump_ops.h"

namespace kvt {

std::optional<QString> CheckDumpPath(const CardFileJob& job, const QString& path) {
  if (path.isEmpty()) return QStringLiteral("no file name");
  const auto format = FormatForPath(path);
  if (job.family == CardFamily::Mifare && (!format || *format == DumpFormat::Bin))
    return QStringLiteral("%1: the file name ends in .mfd, .mct or .eml").arg(path);
  return std::nullopt;
}

ParsedImage ReadImageFile(const CardFileJob& job, const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {CardImage(), QStringLiteral("%1: %2").arg(path, f.errorString())};
  const QByteArray bytes = f.readAll();
  ParsedImage parsed;
  switch (job.family) {
    case CardFamily::Mifare: parsed = ParseMifareFile(path, bytes); break;
    case CardFamily::Ultralight: parsed = ParseBin(bytes, kUltralightImageBytes); break;
    case CardFamily::Memory: parsed = ParseBin(bytes, job.memory.size); break;
  }
  if (!parsed.ok()) {
    const QString what = job.family == CardFamily::Memory ? QStringLiteral("%1 (%2)").arg(path, job.memory.name) : path;
    parsed.error = QStringLiteral("%1: %2").arg(what, parsed.error);
  }
  return parsed;
}

CardFileOutcome DumpToFile(Session& s, const QString& addressText, const CardFileJob& job, const QString& path,
                           const RunControl& control) {
  CardFileOutcome o;
  QByteArray bytes;
  switch (job.family) {
    case CardFamily::Mifare: {
      MifareDumpOptions options;
      options.keys = job.keys;
      options.sectors = job.sectors;
      const MifareDumpResult r = MifareDump(s, addressText, options, control);
      for (const MifareSectorDump& d : r.sectors) o.lines << SectorDumpLine(d);
      o.end = r;
      o.complete = r.complete();
      bytes = WriteMifareFile(path, r.image).value_or(QByteArray());
      break;
    }
    case CardFamily::Ultralight: {
      const UltralightDumpResult r = UltralightDump(s, addressText, control);
      if (r.status == OpStatus::Done) o.lines << UltralightDumpLine(r);
      o.end = r;
      o.complete = r.complete();
      bytes = WriteBin(r.image);
      break;
    }
    case CardFamily::Memory: {
      const MemoryDumpResult r = MemoryDump(s, addressText, job.memory, control);
      if (r.status == OpStatus::Done) o.lines << MemoryDumpLine(r);
      o.end = r;
      o.complete = r.complete();
      bytes = WriteBin(r.image);
      break;
    }
  }
  // A failed or stopped run leaves the old file as it was.
  if (o.end.status != OpStatus::Done || o.end.stopped) return o;
  FileError error;
  if (WriteWholeFile(path, bytes, &error)) o.written = path;
  else o.fileError = QStringLiteral("cannot write %1: %2").arg(path, error.text);
  return o;
}

CardFileOutcome RestoreImage(Session& s, const QString& addressText, const CardFileJob& job, const CardImage& image,
                             const RunControl& control) {
  CardFileOutcome o;
  switch (job.family) {
    case CardFamily::Mifare: {
      MifareRestoreOptions options;
      options.keys = job.keys;
      options.trailers = job.trailers;
      options.lock = job.lock;
      const MifareRestoreResult r = MifareRestore(s, addressText, image, options, control);
      for (const MifareSectorRestore& sector : r.sectors) o.lines << SectorRestoreLine(sector);
      o.end = r;
      o.complete = r.complete();
      break;
    }
    case CardFamily::Ultralight: {
      const UltralightRestoreResult r = UltralightRestore(s, addressText, image, control);
      if (r.status == OpStatus::Done) o.lines << UltralightRestoreLine(r);
      o.end = r;
      o.complete = r.complete();
      break;
    }
    case CardFamily::Memory: {
      const MemoryRestoreResult r = MemoryRestore(s, addressText, job.memory, image, job.code, control);
      if (r.status == OpStatus::Done) o.lines << MemoryRestoreLine(r);
      o.end = r;
      o.complete = r.complete();
      break;
    }
  }
  return o;
}

}  // namespace kvt
