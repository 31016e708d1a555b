// SPDX-License-Identifier: MIT
#pragma once
// A whole Mifare Classic card to an image and back. The card is activated first (its
// answer tells 1K from 4K); each sector's keys are found with the reader's key check
// ("Check password", INS 0x20) over the candidate keys, key A first, then key B; then
// every block is read (or written) with a key the sector's access bits allow. Nothing is
// shown per block: the run ends with one summary, returned as plain data.
#include <vector>

#include "core/rf/mifare_ops.h"
#include "dump_formats.h"
#include "dump_support.h"
#include "key_list.h"

namespace kvt {

struct MifareDumpOptions {
  std::vector<MifareKey6> keys = DefaultMifareKeys();  // candidates, tried in this order
  std::optional<int> sectors;  // 16 (1K) or 40 (4K) when the user named a size; else the card's
};

struct MifareSectorDump {
  int sector = 0;
  std::optional<MifareKey6> keyA, keyB;
  int blocksRead = 0;
  int blocks = 0;
};
// "Sector 05: key A FFFFFFFFFFFF, key B unknown, 4/4 blocks" (the sector number in hex,
// as the sector lists show it).
QString SectorDumpLine(const MifareSectorDump& d);

struct MifareDumpResult : RunEnd {
  CardImage image;  // the keys found are written into the trailers; bytes not read are unknown
  std::vector<MifareSectorDump> sectors;
  // Every block of every sector was read (and the run was not stopped).
  bool complete() const;
};
MifareDumpResult MifareDump(Session& s, const QString& addressText, const MifareDumpOptions& options,
                            const RunControl& control = {});

struct MifareRestoreOptions {
  std::vector<MifareKey6> keys = DefaultMifareKeys();  // tried after the keys in the image's trailers
  bool trailers = false;                              // also write the trailers (last in each sector)
  TrailerLock lock = TrailerLock::Ask;                // trailers that would lock for good
};

struct MifareSectorRestore {
  int sector = 0;
  QList<int> written, refused, missing;  // block numbers in the sector; missing: not whole in the image
  int planned = 0;                       // blocks the restore meant to write
  bool noKey = false;                    // no candidate key opened the sector
};
// "Sector 05: wrote 2/3 blocks; refused by the card: 2; not in the file: 1".
QString SectorRestoreLine(const MifareSectorRestore& r);

struct MifareRestoreResult : RunEnd {
  std::vector<MifareSectorRestore> sectors;
  bool lockRefused = false;  // refused because a trailer would lock for good (TrailerLock::Refuse)
  bool complete() const;
};
// Writes the image's data blocks back (never block 0 of sector 0; trailers only when
// asked, through GuardTrailerWrite's checks, all made before anything is sent). A card of
// another size than the image is refused once it has answered the activation.
MifareRestoreResult MifareRestore(Session& s, const QString& addressText, const CardImage& image,
                                  const MifareRestoreOptions& options, const RunControl& control = {});

}  // namespace kvt
