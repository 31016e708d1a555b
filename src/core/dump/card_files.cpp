// SPDX-License-Identifier: MIT
#include "card_files.h"

#include <QFile>
#include <QFileInfo>

#include "core/base/conversions.h"
#include "core/base/text_file.h"
#include "core/link/log_format.h"
#include "core/rf/ultralight_ops.h"
#include "mifare_dump_ops.h"
#include "ultralight_dump_ops.h"
#include "unread_list.h"

namespace kvt {

namespace {

const QString kRestoreTitle = QStringLiteral("Restore Card");

// "sector 03 blocks 0, 1, 2; sector 04 blocks 1, 2" / "pages 8, 9" / "bytes 0080-00FF".
QString notReadWhole(CardFamily family, const CardImage& image) {
  QStringList parts;
  if (family == CardFamily::Mifare) {
    for (int sector = 0; sector < mifare::SectorCount(image.size()); ++sector) {
      QList<int> blocks;
      for (int b = 0; b < mifare::BlocksIn(sector); ++b)
        if (!image.allKnown((mifare::FirstBlock(sector) + b) * mifare::kBlockBytes, mifare::kBlockBytes)) blocks << b;
      if (!blocks.isEmpty())
        parts << QStringLiteral("sector %1 blocks %2").arg(HexByte(static_cast<uint8_t>(sector)), NumberList(blocks));
    }
    return parts.join(QStringLiteral("; "));
  }
  if (family == CardFamily::Ultralight) {
    QList<int> pages;
    for (int p = 0; p < kUltralightPages; ++p)
      if (!image.allKnown(p * kUltralightPageBytes, kUltralightPageBytes)) pages << p;
    return QStringLiteral("pages ") + NumberList(pages);
  }
  for (const auto& [first, last] : image.unknownRanges())
    parts << QStringLiteral("%1-%2").arg(first, 4, 16, QLatin1Char('0')).arg(last, 4, 16, QLatin1Char('0')).toUpper();
  return QStringLiteral("bytes ") + parts.join(QStringLiteral(", "));
}

// What the dump could not read whole and how `path` keeps that.
QStringList unreadNote(CardFamily family, const CardImage& image, const QString& path) {
  if (image.unknownRanges().isEmpty()) return {};
  QStringList note{QStringLiteral("Not read whole: %1.").arg(notReadWhole(family, image))};
  const auto format = FormatForPath(path);
  if (format && MarksUnread(*format)) return note;
  QString how = QStringLiteral("A .%1 file cannot mark bytes not read: they are 00 in %2, and %3 beside it lists "
                               "them, so that a restore from it leaves them alone.")
                    .arg(QFileInfo(path).suffix().toLower(), QFileInfo(path).fileName(),
                         QFileInfo(UnreadListPath(path)).fileName());
  if (family == CardFamily::Mifare) how += QStringLiteral(" A .mct file marks them in the file itself.");
  return note << how;
}

// The blocks a Mifare restore of this image means to write: all but block 0 of sector 0,
// and the trailers only when asked for.
int mifarePlanned(int sectors, bool trailers) {
  int n = 0;
  for (int sector = 0; sector < sectors; ++sector) n += mifare::BlocksIn(sector) - (trailers ? 0 : 1);
  return n - 1;
}

QByteArray imageFileBytes(const CardFileJob& job, const QString& path, const CardImage& image) {
  if (job.family == CardFamily::Mifare) return WriteMifareFile(path, image).value_or(QByteArray());
  if (job.family == CardFamily::Ultralight && FormatForPath(path) == DumpFormat::Eml) return WriteUltralightEml(image);
  return WriteBin(image);
}

// Writes the image file and, when its format cannot mark them, the list of the bytes not
// read beside it. The list goes first: should the image then fail, the list names bytes
// of another file and a restore refuses it. A list left from an older dump is removed.
void writeFiles(const CardFileJob& job, const QString& path, const CardImage& image, CardFileOutcome& o) {
  const QByteArray bytes = imageFileBytes(job, path, image);
  const auto format = FormatForPath(path);
  const bool listed = format && !MarksUnread(*format) && !image.unknownRanges().isEmpty();
  const QString listPath = UnreadListPath(path);
  FileError error;
  if (listed && !WriteWholeFile(listPath, WriteUnreadList(image, bytes, path), &error)) {
    o.fileError = QStringLiteral("cannot write %1: %2").arg(listPath, error.text);
    return;
  }
  if (!WriteWholeFile(path, bytes, &error)) {
    o.fileError = QStringLiteral("cannot write %1: %2").arg(path, error.text);
    return;
  }
  o.written = path;
  QFile old(listPath);
  if (!listed && old.exists() && !old.remove())
    o.fileError = QStringLiteral("cannot remove %1, the list of an older dump: %2").arg(listPath, old.errorString());
}

// How a run of any family ended, and the units it meant to go through and went through.
template <class Result>
void tally(CardFileOutcome& o, const Result& r, const QString& unit, int total, int done) {
  o.end = r;
  o.complete = r.complete();
  o.unit = unit;
  o.total = total;
  o.done = done;
}

}  // namespace

std::optional<QString> CheckCardFilePath(const CardFileJob& job, const QString& path) {
  if (path.isEmpty()) return QStringLiteral("no file name");
  const auto format = FormatForPath(path);
  switch (job.family) {
    case CardFamily::Mifare:
      if (!format || *format == DumpFormat::Bin)
        return QStringLiteral("%1: a Mifare Classic file ends in .mfd, .mct or .eml").arg(path);
      break;
    case CardFamily::Ultralight:
      if (format != DumpFormat::Bin && format != DumpFormat::Eml)
        return QStringLiteral("%1: an Ultralight file ends in .bin or .eml").arg(path);
      break;
    case CardFamily::Memory:
      if (format != DumpFormat::Bin)
        return QStringLiteral("%1: the image file of a %2 ends in .bin").arg(path, job.memory.name);
      break;
  }
  return std::nullopt;
}

ParsedImage ReadImageFile(const CardFileJob& job, const QString& path) {
  if (const auto bad = CheckCardFilePath(job, path)) return {CardImage(), *bad};
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {CardImage(), QStringLiteral("%1: %2").arg(path, f.errorString())};
  const QByteArray bytes = f.readAll();
  const DumpFormat format = *FormatForPath(path);
  ParsedImage parsed;
  switch (job.family) {
    case CardFamily::Mifare: parsed = ParseMifareFile(path, bytes); break;
    case CardFamily::Ultralight:
      parsed = format == DumpFormat::Eml ? ParseUltralightEml(bytes) : ParseBin(bytes, kUltralightImageBytes);
      break;
    case CardFamily::Memory: parsed = ParseBin(bytes, job.memory.size); break;
  }
  if (!parsed.ok()) {
    const QString what = job.family == CardFamily::Memory ? QStringLiteral("%1 (%2)").arg(path, job.memory.name) : path;
    parsed.error = QStringLiteral("%1: %2").arg(what, parsed.error);
    return parsed;
  }
  if (MarksUnread(format)) return parsed;
  QFile list(UnreadListPath(path));
  if (!list.exists()) return parsed;
  const QString bad =
      list.open(QIODevice::ReadOnly) ? ApplyUnreadList(list.readAll(), bytes, &parsed.image) : list.errorString();
  if (!bad.isEmpty())
    parsed.error = QStringLiteral("%1: %2. Dump the card again, or delete %1 to write every byte of %3.")
                       .arg(list.fileName(), bad, path);
  return parsed;
}

CardFileOutcome DumpToFile(Session& s, const QString& addressText, const CardFileJob& job, const QString& path,
                           const RunControl& control) {
  CardFileOutcome o;
  CardImage image;
  switch (job.family) {
    case CardFamily::Mifare: {
      MifareDumpOptions options;
      options.keys = job.keys;
      options.sectors = job.sectors;
      const MifareDumpResult r = MifareDump(s, addressText, options, control);
      int blocks = 0;
      for (const MifareSectorDump& d : r.sectors) {
        o.lines << SectorDumpLine(d);
        blocks += d.blocksRead;
      }
      image = r.image;
      tally(o, r, QStringLiteral("blocks"), image.size() / mifare::kBlockBytes, blocks);
      break;
    }
    case CardFamily::Ultralight: {
      const UltralightDumpResult r = UltralightDump(s, addressText, control);
      if (r.pagesRead || !r.unread.isEmpty()) o.lines << UltralightDumpLine(r);
      image = r.image;
      tally(o, r, QStringLiteral("pages"), kUltralightPages, r.pagesRead);
      break;
    }
    case CardFamily::Memory: {
      const MemoryDumpResult r = MemoryDump(s, addressText, job.memory, control);
      if (r.bytesRead || !r.refused.isEmpty()) o.lines << MemoryDumpLine(r);
      image = r.image;
      tally(o, r, QStringLiteral("bytes"), job.memory.size, r.bytesRead);
      break;
    }
  }
  // A failed or stopped run leaves the old file as it was.
  if (o.end.status != OpStatus::Done || o.end.stopped) return o;
  o.unreadNote = unreadNote(job.family, image, path);
  writeFiles(job, path, image, o);
  return o;
}

std::optional<RunEnd> AskBeforeRestore(Session& s, CardFileJob& job, const CardImage& image) {
  if (job.family != CardFamily::Mifare) return std::nullopt;
  RunEnd end;
  if (job.askTrailers) {
    const QString question = QStringLiteral("Write the sector trailers (keys and access bits) from the file too?");
    const Answer a = s.notifier.askSafe({kRestoreTitle, question, {}, true});
    if (a == Answer::Cancel) {
      end.status = OpStatus::Cancelled;
      return end;
    }
    job.trailers = a == Answer::Yes;
    job.askTrailers = false;
  }
  if (!job.trailers || job.lock != TrailerLock::Ask) return std::nullopt;
  // Each trailer that would lock for good is asked about now, before the run starts.
  for (int sector = 0; sector < mifare::SectorCount(image.size()); ++sector) {
    const int offset = mifare::TrailerBlock(sector) * mifare::kBlockBytes;
    if (!image.allKnown(offset, mifare::kBlockBytes)) continue;
    if (const auto refusal = GuardTrailerWrite(s, sector, image.mid(offset, mifare::kBlockBytes), TrailerLock::Ask)) {
      end.status = refusal->status;
      end.message = refusal->message;
      return end;
    }
  }
  job.lock = TrailerLock::Allow;  // every one of them was answered "Yes"
  return std::nullopt;
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
      int blocks = 0;
      for (const MifareSectorRestore& sector : r.sectors) {
        o.lines << SectorRestoreLine(sector);
        blocks += static_cast<int>(sector.written.size());
        o.refused = o.refused || !sector.refused.isEmpty();
        o.notInFile = o.notInFile || !sector.missing.isEmpty();
      }
      tally(o, r, QStringLiteral("blocks"), mifarePlanned(mifare::SectorCount(image.size()), job.trailers), blocks);
      o.forceGoesOn = r.lockRefused;
      break;
    }
    case CardFamily::Ultralight: {
      const UltralightRestoreResult r = UltralightRestore(s, addressText, image, control);
      if (r.status == OpStatus::Done) o.lines << UltralightRestoreLine(r);
      tally(o, r, QStringLiteral("pages"), kUltralightPages - 4, static_cast<int>(r.written.size()));
      o.refused = !r.refused.isEmpty();
      o.notInFile = !r.missing.isEmpty();
      break;
    }
    case CardFamily::Memory: {
      const MemoryRestoreResult r =
          MemoryRestore(s, addressText, job.memory, image, job.code, control, job.lastTry);
      if (r.status == OpStatus::Done) o.lines << MemoryRestoreLine(r);
      if (r.status == OpStatus::Done && r.triesLeft)
        o.lines << QStringLiteral("Security code tries left before the restore: %1 of 3").arg(*r.triesLeft);
      tally(o, r, QStringLiteral("bytes"), job.memory.size, r.bytesWritten);
      o.refused = !r.refused.isEmpty();
      o.notInFile = !r.missing.isEmpty();
      o.forceGoesOn = r.lastTryRefused;
      break;
    }
  }
  return o;
}

}  // namespace kvt
