#pragma once
// Whole memory cards (SLE4442, SLE4428, 24Cxx) to an image and back, through the same
// memory commands as the "IC CARD" pages: the card is powered up first, read in pieces of
// 0x80 bytes and written in pieces of 0x20, so a piece the card refuses (a protected byte
// that differs) costs little. The SLE cards take their security code before a restore.
#include "dump/dump_formats.h"
#include "dump/dump_support.h"

namespace kvt {

enum class MemoryCardKind { Sle4442, Sle4428, Eeprom24 };

struct MemoryCardModel {
  MemoryCardKind kind = MemoryCardKind::Sle4442;
  int size = 256;  // bytes
  QString name;    // "SLE4442", "SLE4428", "24C01" .. "24C512"
};
// "SLE4442", "SLE4428" or a 24Cxx model name "24C01" .. "24C512" (case ignored).
std::optional<MemoryCardModel> MemoryCardByName(const QString& name);

struct MemoryDumpResult : RunEnd {
  CardImage image;
  QList<int> refused;  // start addresses of the pieces the card refused
  int bytesRead = 0;
  bool complete() const;
};
MemoryDumpResult MemoryDump(Session& s, const QString& addressText, const MemoryCardModel& card,
                            const RunControl& control = {});

struct MemoryRestoreResult : RunEnd {
  QList<int> refused;  // start addresses of the pieces the card refused
  int bytesWritten = 0;
  int size = 0;
  bool complete() const;
};
// `image` must hold the card's size (refused before anything is sent otherwise). `code`
// is the security code the SLE cards are given first (3 bytes SLE4442, 2 bytes SLE4428);
// a code the card does not take ends the run before anything is written.
MemoryRestoreResult MemoryRestore(Session& s, const QString& addressText, const MemoryCardModel& card,
                                  const CardImage& image, const QByteArray& code, const RunControl& control = {});

// "Bytes read: 256/256"; with "; refused by the card at 0080" when some pieces were not.
QString MemoryDumpLine(const MemoryDumpResult& r);
QString MemoryRestoreLine(const MemoryRestoreResult& r);

}  // namespace kvt
