// SPDX-License-Identifier: MIT
#pragma once
// A whole card to a file and back, as both the windows' buttons and kvt730ctl's dump and
// restore commands run it: the file checked (dump) or read whole and parsed (restore)
// before anything is sent, the run, its summary lines, the dump written whole or not at all.
//
// A dump into a format that cannot mark a byte as not read (.mfd, .eml, .bin) writes the
// list of such bytes beside the file (unread_list.h); a restore from that file reads the
// list too and leaves those bytes of the card as they are. Without a list every byte of
// the file counts as read.
#include <QStringList>
#include <optional>
#include <vector>

#include "core/rf/mifare_ops.h"
#include "dump_formats.h"
#include "dump_support.h"
#include "key_list.h"
#include "memory_dump_ops.h"

namespace kvt {

enum class CardFamily { Mifare, Ultralight, Memory };

struct CardFileJob {
  CardFamily family = CardFamily::Mifare;
  MemoryCardModel memory;                              // Memory: which card and size
  std::vector<MifareKey6> keys = DefaultMifareKeys();  // Mifare: candidate keys, in order
  std::optional<int> sectors;                          // Mifare dump: 16 or 40 when a size was named
  bool trailers = false;                               // Mifare restore: the trailers too
  bool askTrailers = false;                            // Mifare restore: ask whether to write them
  TrailerLock lock = TrailerLock::Ask;                 // Mifare restore: trailers that lock for good
  QByteArray code;                                     // Memory restore: the security code (if any)
  LastCodeTry lastTry = LastCodeTry::Ask;              // SLE4442 restore: the card's last code try
};

struct CardFileOutcome {
  RunEnd end;              // how the run ended; its one message, if any
  bool complete = false;   // every block went through
  QStringList lines;       // the summary: one line per sector, or one for the card
  QString written;         // the dump file written, empty when none was
  std::optional<QString> fileError;  // the dump file could not be written
  QString unit;            // what the run counts: "blocks", "pages" or "bytes"
  int done = 0;            // units read whole (dump) or written (restore)
  int total = 0;           // units the run meant to read or write
  bool refused = false;    // the card refused some
  bool notInFile = false;  // restore: the file does not hold some (never read by its dump)
  QStringList unreadNote;  // dump: what was not read whole and how the file keeps that
  bool forceGoesOn = false;  // refused only because the next step cannot be undone
};

// A file name this family reads and writes: Mifare .mfd, .mct or .eml, Ultralight .bin or
// .eml, the memory cards .bin (case ignored). nullopt when fine, else what is wrong with it.
std::optional<QString> CheckCardFilePath(const CardFileJob& job, const QString& path);

// The whole image file of a restore, read and parsed for this family, with the list of
// bytes its dump did not read (when the list is there beside it).
ParsedImage ReadImageFile(const CardFileJob& job, const QString& path);

// Reads the card, then writes `path` whole once the run got through (also when the card
// refused some blocks: those bytes are written as unread, and listed beside the file when
// its format cannot mark them).
CardFileOutcome DumpToFile(Session& s, const QString& addressText, const CardFileJob& job, const QString& path,
                           const RunControl& control = {});

// The questions of a restore, before anything is sent: for a Mifare card, whether to write
// the trailers (when job.askTrailers; Yes / No / Cancel, "No" the default) and the second
// question for each trailer of the image that would lock for good (job.lock). Updates
// `job` with the answers; nullopt: go on, else how the restore ended (cancelled, or
// refused with its message), nothing sent.
std::optional<RunEnd> AskBeforeRestore(Session& s, CardFileJob& job, const CardImage& image);

// Writes an image read by ReadImageFile back to the card.
CardFileOutcome RestoreImage(Session& s, const QString& addressText, const CardFileJob& job, const CardImage& image,
                             const RunControl& control = {});

}  // namespace kvt
