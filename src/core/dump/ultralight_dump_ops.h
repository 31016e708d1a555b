// SPDX-License-Identifier: MIT
#pragma once
// A whole Mifare Ultralight card (16 pages of 4 bytes) to an image and back. The card is
// activated first; pages are read one by one; a restore writes the user pages 4 to 15
// only (the serial number, lock and one-time pages stay as they are).
#include "dump_formats.h"
#include "dump_support.h"

namespace kvt {

constexpr int kUltralightImageBytes = 64;

struct UltralightDumpResult : RunEnd {
  CardImage image;    // 64 bytes; pages not read are unknown
  QList<int> unread;  // pages the card refused
  int pagesRead = 0;
  bool complete() const { return status == OpStatus::Done && !stopped && pagesRead == 16; }
};
UltralightDumpResult UltralightDump(Session& s, const QString& addressText, const RunControl& control = {});

struct UltralightRestoreResult : RunEnd {
  QList<int> written, refused, missing;  // missing: pages the image does not hold whole
  bool complete() const { return status == OpStatus::Done && !stopped && written.size() == 12; }
};
// `image` must hold 64 bytes (refused before anything is sent otherwise). Pages the image
// does not hold whole are left on the card as they are.
UltralightRestoreResult UltralightRestore(Session& s, const QString& addressText, const CardImage& image,
                                          const RunControl& control = {});

// "Pages read: 16/16", with "; refused by the card: 8, 9" when some were not.
QString UltralightDumpLine(const UltralightDumpResult& r);
// "Pages written: 12/12" (pages 4 to 15), with the refused pages and those not in the file
// when some were not.
QString UltralightRestoreLine(const UltralightRestoreResult& r);

}  // namespace kvt
