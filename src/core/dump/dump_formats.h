// SPDX-License-Identifier: MIT
#pragma once
// Whole-card images and the files they travel in. Pure: no reader, no file system.
//
//   .mfd  Mifare Classic, binary: 1024 (1K) or 4096 (4K) bytes, block after block
//   .mct  MIFARE Classic Tool text: "+Sector: N", then one line of 32 hex digits per
//         block, "--" for each byte not read; a sector read not at all is the single
//         line "*No keys found or dead sector"
//   .eml  emulator text: one block per line, 32 hex digits (64 or 256 lines)
//   .eml  Ultralight emulator text: one page per line, 8 hex digits (16 lines)
//   .bin  raw bytes: Ultralight (64 bytes, 16 pages) and the memory cards
//
// Binary and .eml files have no way to mark a byte as not read: such bytes are written as
// 00, and every byte read back from them counts as known (unread_list.h keeps the list of
// such bytes beside the file).
#include <QBitArray>
#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace kvt {

// The bytes of a card and, for each, whether it was read.
class CardImage {
 public:
  CardImage() = default;
  explicit CardImage(int size) : bytes_(size, '\0'), known_(size, false) {}
  // Every byte known.
  static CardImage fromBytes(const QByteArray& bytes);

  int size() const { return static_cast<int>(bytes_.size()); }
  const QByteArray& bytes() const { return bytes_; }
  bool known(int i) const { return i >= 0 && i < size() && known_.testBit(i); }
  bool allKnown(int offset, int n) const;
  uint8_t at(int i) const { return i >= 0 && i < size() ? static_cast<uint8_t>(bytes_[i]) : 0; }
  QByteArray mid(int offset, int n) const { return bytes_.mid(offset, n); }
  // Stores data at offset (cut at the end of the image) and marks it known.
  void set(int offset, const QByteArray& data);
  // Marks n bytes from offset as not read; their values stay.
  void forget(int offset, int n);
  // The runs of bytes not read: first and last offset of each, in order.
  QList<std::pair<int, int>> unknownRanges() const;
  bool operator==(const CardImage& o) const { return bytes_ == o.bytes_ && known_ == o.known_; }

 private:
  QByteArray bytes_;
  QBitArray known_;
};

// Mifare Classic sector layout: sectors 0 to 31 have 4 blocks, 32 to 39 have 16.
namespace mifare {
constexpr int kBlockBytes = 16;
constexpr int k1kBytes = 1024;
constexpr int k4kBytes = 4096;
int SectorCount(int imageBytes);  // 16 for 1K, 40 for 4K, 0 otherwise
int BlocksIn(int sector);
int FirstBlock(int sector);
int TrailerBlock(int sector);  // absolute block number of the sector's trailer
}  // namespace mifare

enum class DumpFormat { Mfd, Mct, Eml, Bin };
// Whether the format can say that a byte was not read (.mct only).
inline bool MarksUnread(DumpFormat f) { return f == DumpFormat::Mct; }
// By the file name's extension (case ignored); nullopt for any other.
std::optional<DumpFormat> FormatForPath(const QString& path);

struct ParsedImage {
  CardImage image;
  QString error;  // empty when the file was read
  bool ok() const { return error.isEmpty(); }
};

// Mifare images: 1024 or 4096 bytes.
QByteArray WriteMfd(const CardImage& image);
QByteArray WriteMct(const CardImage& image);
QByteArray WriteEml(const CardImage& image);
ParsedImage ParseMfd(const QByteArray& file);
ParsedImage ParseMct(const QByteArray& file);
ParsedImage ParseEml(const QByteArray& file);
// A Mifare image in the format its file name names; an error for any other extension.
ParsedImage ParseMifareFile(const QString& path, const QByteArray& file);
std::optional<QByteArray> WriteMifareFile(const QString& path, const CardImage& image);

// Ultralight images: 64 bytes as 16 lines of 8 hex digits.
QByteArray WriteUltralightEml(const CardImage& image);
ParsedImage ParseUltralightEml(const QByteArray& file);

// Raw bytes of exactly `size` bytes (Ultralight, memory cards).
QByteArray WriteBin(const CardImage& image);
ParsedImage ParseBin(const QByteArray& file, int size);

}  // namespace kvt
