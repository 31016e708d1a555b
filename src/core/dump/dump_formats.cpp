// SPDX-License-Identifier: MIT
#include "dump_formats.h"

#include <QFileInfo>
#include <QList>

#include "core/base/conversions.h"

namespace kvt {

namespace {

const QByteArray kDeadSector = "*No keys found or dead sector";

// The file's lines without their line ends; blank lines at the end are dropped.
QList<QByteArray> fileLines(const QByteArray& file) {
  QList<QByteArray> lines = file.split('\n');
  for (QByteArray& l : lines)
    if (l.endsWith('\r')) l.chop(1);
  while (!lines.isEmpty() && lines.last().trimmed().isEmpty()) lines.removeLast();
  return lines;
}

// One block line of 32 characters: hex digit pairs, or "--" for a byte not read when
// `unknownAllowed`. False when the line is anything else.
bool parseBlockLine(const QByteArray& line, bool unknownAllowed, QByteArray* bytes, QBitArray* known) {
  if (line.size() != 2 * mifare::kBlockBytes) return false;
  QByteArray digits = line;
  known->fill(true, mifare::kBlockBytes);
  for (int i = 0; i < mifare::kBlockBytes; ++i) {
    if (line.mid(2 * i, 2) != "--") continue;
    if (!unknownAllowed) return false;
    digits.replace(2 * i, 2, "00");
    known->clearBit(i);
  }
  const auto parsed = ParseHexText(QString::fromLatin1(digits));
  if (!parsed || parsed->size() != mifare::kBlockBytes) return false;
  *bytes = *parsed;
  return true;
}

QString blockText(const CardImage& image, int block) {
  QString line;
  for (int i = 0; i < mifare::kBlockBytes; ++i) {
    const int at = block * mifare::kBlockBytes + i;
    line += image.known(at) ? HexByte(image.at(at)) : QStringLiteral("--");
  }
  return line;
}

QString sizeError(int size) {
  return QStringLiteral("a Mifare Classic image holds 1024 or 4096 bytes, this one %1").arg(size);
}

// Emulator text: `width` bytes a line as lower-case hex digits.
QByteArray writeHexLines(const CardImage& image, int width) {
  QString text;
  for (int line = 0; line < image.size() / width; ++line) {
    QString digits;
    for (int i = 0; i < width; ++i) digits += HexByte(image.at(line * width + i));
    text += digits.toLower() + QLatin1Char('\n');
  }
  return text.toLatin1();
}

// Lines of exactly 2 * width hex digits, as many as one of `lineCounts` (else countError
// with the count).
ParsedImage parseHexLines(const QByteArray& file, int width, const QList<int>& lineCounts, const QString& countError) {
  ParsedImage r;
  const QList<QByteArray> lines = fileLines(file);
  const int count = static_cast<int>(lines.size());
  if (!lineCounts.contains(count)) {
    r.error = countError.arg(count);
    return r;
  }
  QByteArray all;
  for (int i = 0; i < count; ++i) {
    const QByteArray line = lines[i].trimmed();
    const auto bytes = line.size() == 2 * width ? ParseHexText(QString::fromLatin1(line)) : std::nullopt;
    if (!bytes || bytes->size() != width) {
      r.error = QStringLiteral("line %1: expected %2 hex digits").arg(i + 1).arg(2 * width);
      return r;
    }
    all += *bytes;
  }
  r.image = CardImage::fromBytes(all);
  return r;
}

}  // namespace

CardImage CardImage::fromBytes(const QByteArray& bytes) {
  CardImage image(static_cast<int>(bytes.size()));
  image.set(0, bytes);
  return image;
}

bool CardImage::allKnown(int offset, int n) const {
  for (int i = offset; i < offset + n; ++i)
    if (!known(i)) return false;
  return n > 0;
}

void CardImage::forget(int offset, int n) {
  for (int i = std::max(offset, 0); i < offset + n && i < size(); ++i) known_.clearBit(i);
}

QList<std::pair<int, int>> CardImage::unknownRanges() const {
  QList<std::pair<int, int>> ranges;
  for (int i = 0; i < size(); ++i) {
    if (known(i)) continue;
    if (!ranges.isEmpty() && ranges.last().second == i - 1) ranges.last().second = i;
    else ranges.append({i, i});
  }
  return ranges;
}

void CardImage::set(int offset, const QByteArray& data) {
  for (int i = 0; i < data.size() && offset + i < size(); ++i) {
    if (offset + i < 0) continue;
    bytes_[offset + i] = data[i];
    known_.setBit(offset + i);
  }
}

namespace mifare {
int SectorCount(int imageBytes) {
  if (imageBytes == k1kBytes) return 16;
  if (imageBytes == k4kBytes) return 40;
  return 0;
}
int BlocksIn(int sector) { return sector < 32 ? 4 : 16; }
int FirstBlock(int sector) { return sector < 32 ? sector * 4 : 128 + (sector - 32) * 16; }
int TrailerBlock(int sector) { return FirstBlock(sector) + BlocksIn(sector) - 1; }
}  // namespace mifare

std::optional<DumpFormat> FormatForPath(const QString& path) {
  const QString ext = QFileInfo(path).suffix().toLower();
  if (ext == QLatin1String("mfd")) return DumpFormat::Mfd;
  if (ext == QLatin1String("mct")) return DumpFormat::Mct;
  if (ext == QLatin1String("eml")) return DumpFormat::Eml;
  if (ext == QLatin1String("bin")) return DumpFormat::Bin;
  return std::nullopt;
}

QByteArray WriteMfd(const CardImage& image) { return image.bytes(); }

ParsedImage ParseMfd(const QByteArray& file) {
  ParsedImage r;
  if (mifare::SectorCount(static_cast<int>(file.size())) == 0) r.error = sizeError(static_cast<int>(file.size()));
  else r.image = CardImage::fromBytes(file);
  return r;
}

QByteArray WriteMct(const CardImage& image) {
  QString text;
  const int sectors = mifare::SectorCount(image.size());
  for (int s = 0; s < sectors; ++s) {
    text += QStringLiteral("+Sector: %1\n").arg(s);
    const int first = mifare::FirstBlock(s), n = mifare::BlocksIn(s);
    bool any = false;
    for (int i = 0; i < n * mifare::kBlockBytes && !any; ++i) any = image.known(first * mifare::kBlockBytes + i);
    if (!any) {
      text += QString::fromLatin1(kDeadSector) + QLatin1Char('\n');
      continue;
    }
    for (int b = first; b < first + n; ++b) text += blockText(image, b) + QLatin1Char('\n');
  }
  return text.toLatin1();
}

ParsedImage ParseMct(const QByteArray& file) {
  ParsedImage r;
  const QList<QByteArray> lines = fileLines(file);
  // First pass: the sectors and where their lines start.
  QList<int> heads;
  for (int i = 0; i < lines.size(); ++i)
    if (lines[i].startsWith("+Sector:")) heads << i;
  if (heads.isEmpty() || heads.first() != 0) {
    r.error = QStringLiteral("line 1: expected \"+Sector: 0\"");
    return r;
  }
  const int sectors = static_cast<int>(heads.size());
  if (sectors != 16 && sectors != 40) {
    r.error = QStringLiteral("%1 sectors: a Mifare Classic image holds 16 (1K) or 40 (4K)").arg(sectors);
    return r;
  }
  CardImage image(sectors == 16 ? mifare::k1kBytes : mifare::k4kBytes);
  for (int s = 0; s < sectors; ++s) {
    const int head = heads[s];
    const QByteArray number = lines[head].mid(8).trimmed();
    bool ok = false;
    if (number.toInt(&ok) != s || !ok) {
      r.error = QStringLiteral("line %1: expected \"+Sector: %2\"").arg(head + 1).arg(s);
      return r;
    }
    const int end = s + 1 < sectors ? heads[s + 1] : static_cast<int>(lines.size());
    const int n = mifare::BlocksIn(s);
    if (end - head == 2 && lines[head + 1].trimmed() == kDeadSector) continue;  // nothing read
    if (end - head - 1 != n) {
      r.error = QStringLiteral("line %1: sector %2 needs %3 block lines, it has %4")
                    .arg(head + 1)
                    .arg(s)
                    .arg(n)
                    .arg(end - head - 1);
      return r;
    }
    for (int k = 0; k < n; ++k) {
      QByteArray bytes;
      QBitArray known;
      if (!parseBlockLine(lines[head + 1 + k].trimmed(), true, &bytes, &known)) {
        r.error = QStringLiteral("line %1: expected 32 hex digits, \"--\" for a byte not read").arg(head + 2 + k);
        return r;
      }
      const int offset = (mifare::FirstBlock(s) + k) * mifare::kBlockBytes;
      for (int i = 0; i < mifare::kBlockBytes; ++i)
        if (known.testBit(i)) image.set(offset + i, bytes.mid(i, 1));
    }
  }
  r.image = image;
  return r;
}

QByteArray WriteEml(const CardImage& image) { return writeHexLines(image, mifare::kBlockBytes); }

ParsedImage ParseEml(const QByteArray& file) {
  return parseHexLines(file, mifare::kBlockBytes, {64, 256},
                       QStringLiteral("%1 block lines: a Mifare Classic image holds 64 (1K) or 256 (4K)"));
}

QByteArray WriteUltralightEml(const CardImage& image) { return writeHexLines(image, 4); }

ParsedImage ParseUltralightEml(const QByteArray& file) {
  return parseHexLines(file, 4, {16}, QStringLiteral("%1 page lines: an Ultralight image holds 16"));
}

ParsedImage ParseMifareFile(const QString& path, const QByteArray& file) {
  const auto format = FormatForPath(path);
  if (format == DumpFormat::Mfd) return ParseMfd(file);
  if (format == DumpFormat::Mct) return ParseMct(file);
  if (format == DumpFormat::Eml) return ParseEml(file);
  ParsedImage r;
  r.error = QStringLiteral("%1: a Mifare Classic file ends in .mfd, .mct or .eml").arg(path);
  return r;
}

std::optional<QByteArray> WriteMifareFile(const QString& path, const CardImage& image) {
  const auto format = FormatForPath(path);
  if (format == DumpFormat::Mfd) return WriteMfd(image);
  if (format == DumpFormat::Mct) return WriteMct(image);
  if (format == DumpFormat::Eml) return WriteEml(image);
  return std::nullopt;
}

QByteArray WriteBin(const CardImage& image) { return image.bytes(); }

ParsedImage ParseBin(const QByteArray& file, int size) {
  ParsedImage r;
  if (file.size() != size) r.error = QStringLiteral("expected %1 bytes, the file holds %2").arg(size).arg(file.size());
  else r.image = CardImage::fromBytes(file);
  return r;
}

}  // namespace kvt
