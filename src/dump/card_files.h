#pragma once
// A whole card to a file and back, as both the windows' buttons and kvt730ctl's dump and
// restore commands run it: the file checked (dump) or read whole and parsed (restore)
// before anything is sent, the run, its summary lines, the dump written whole or not at all.
#include <QStringList>
#include <optional>
#include <vector>

#include "dump/dump_formats.h"
#include "dump/dump_support.h"
#include "dump/key_list.h"
#include "dump/memory_dump_ops.h"
#include "rf/mifare_ops.h"

namespace kvt {

enum class CardFamily { Mifare, Ultralight, Memory };

struct CardFileJob {
  CardFamily family = CardFamily::Mifare;
  MemoryCardModel memory;                              // Memory: which card and size
  std::vector<MifareKey6> keys = DefaultMifareKeys();  // Mifare: candidate keys, in order
  std::optional<int> sectors;                          // Mifare dump: 16 or 40 when a size was named
  bool trailers = false;                               // Mifare restore: the trailers too
  TrailerLock lock = TrailerLock::Ask;                 // Mifare restore: trailers that lock for good
  QByteArray code;                                     // Memory restore: the security code (if any)
};

struct CardFileOutcome {
  RunEnd end;              // how the run ended; its one message, if any
  bool complete = false;   // every block went through
  QStringList lines;       // the summary: one line per sector, or one for the card
  QString written;         // the dump file written, empty when none was
  std::optional<QString> fileError;  // the dump file could not be written
};

// A dump file name this family writes (Mifare: .mfd, .mct or .eml; else any name, .bin).
// nullopt when fine, else what is wrong with it.
std::optional<QString> CheckDumpPath(const CardFileJob& job, const QString& path);

// The whole image file of a restore, read and parsed for this family.
ParsedImage ReadImageFile(const CardFileJob& job, const QString& path);

// Reads the card, then writes `path` whole once the run got through (also when the card
// refused some blocks: those bytes are written as unread).
CardFileOutcome DumpToFile(Session& s, const QString& addressText, const CardFileJob& job, const QString& path,
                           const RunControl& control = {});

// Writes an image read by ReadImageFile back to the card.
CardFileOutcome RestoreImage(Session& s, const QString& addressText, const CardFileJob& job, const CardImage& image,
                             const RunControl& control = {});

}  // namespace kvt
