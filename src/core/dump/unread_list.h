// SPDX-License-Identifier: MIT
#pragma once
// The bytes a dump could not read, kept in a small text file beside an image file whose
// format cannot mark them (.mfd, .eml, .bin): "card.mfd" -> "card.mfd.unread". The list
// names the SHA-256 of the image file's bytes, so a list left beside another version of
// the file is found out instead of trusted. Pure: no file system.
//
//   # Bytes of card.mfd that the dump could not read: the file holds 00 there.
//   # A restore from card.mfd leaves these bytes of the card as they are.
//   sha256 0f1e2d...(64 hex digits)
//   unread 192-255
//   unread 314-319
//
// Offsets are decimal, the first and the last byte of each run; "#" starts a comment.
#include <QByteArray>
#include <QString>

#include "dump_formats.h"

namespace kvt {

// The list's path beside an image file.
QString UnreadListPath(const QString& imagePath);

// The list of the bytes of `image` not read, for the image file `fileName` whose bytes are
// `fileBytes`.
QByteArray WriteUnreadList(const CardImage& image, const QByteArray& fileBytes, const QString& fileName);

// Marks the bytes the list names as not read in `image`, read from the file `fileBytes`.
// Empty when done; else what is wrong with the list ("line 4: ...", or that it belongs to
// other file bytes), and the image is left as it was.
QString ApplyUnreadList(const QByteArray& list, const QByteArray& fileBytes, CardImage* image);

}  // namespace kvt
