// SPDX-License-Identifier: MIT
#pragma once
// Whole memory cards (SLE4442, SLE4428, 24Cxx) to an image and back, through the same
// memory commands as the "IC CARD" pages: the card is powered up first, read in pieces of
// 0x80 bytes and written in pieces of 0x20, so a piece the card refuses (a protected byte
// that differs) costs little. The SLE cards take their security code before a restore.
#include "dump_formats.h"
#include "dump_support.h"

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

// What an SLE4442 restore does when the card has one security-code try left, where a
// wrong code locks the card for good.
enum class LastCodeTry {
  Ask,     // a question, "No" its default; only "Yes" presents the code
  Allow,   // present it (kvt730ctl's --force)
  Refuse,  // refuse with a message, the code not presented
};

struct MemoryRestoreResult : RunEnd {
  QList<int> refused;   // start addresses of the pieces the card refused
  QList<int> missing;   // start addresses of the pieces with bytes not in the file
  int bytesWritten = 0;
  int bytesMissing = 0;  // bytes the image does not hold (never read by its dump)
  int size = 0;
  std::optional<int> triesLeft;  // SLE4442: security-code tries left after the run (of 3)
  bool lastTryRefused = false;   // refused only because one try was left and not allowed
  bool complete() const;
};
// `image` must hold the card's size (refused before anything is sent otherwise). `code`
// is the security code the SLE cards are given first (3 bytes SLE4442, 2 bytes SLE4428);
// a code the card does not take ends the run before anything is written. On an SLE4442
// the error counter is read first: no try left ends the run, one try left goes by
// `lastTry`, and after a wrong code the message says how many tries are left. Bytes the
// image does not hold are left on the card as they are.
MemoryRestoreResult MemoryRestore(Session& s, const QString& addressText, const MemoryCardModel& card,
                                  const CardImage& image, const QByteArray& code, const RunControl& control = {},
                                  LastCodeTry lastTry = LastCodeTry::Ask);

// Security-code tries left from an SLE4442 error counter byte (its three low bits).
int Sle4442TriesLeft(uint8_t errorCounter);

// "Bytes read: 256/256"; with "; refused by the card at 0080" when some pieces were not.
QString MemoryDumpLine(const MemoryDumpResult& r);
// "Bytes written: 224/256", with "; refused by the card at 0000" and "; not in the file at
// 0080" where it applies.
QString MemoryRestoreLine(const MemoryRestoreResult& r);
// "Security code tries left: 2 of 3" (SLE4442).
QString TriesLeftLine(int tries);

}  // namespace kvt
