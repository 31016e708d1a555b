// SPDX-License-Identifier: MIT
#pragma once
// The access conditions of a Mifare Classic sector, read from bytes 6 to 8 of its trailer:
// who may read and write the data blocks and the trailer's parts. Pure: no reader involved.
//
// Byte 6 holds the inverted C2 (high nibble) and C1 (low nibble) bits, byte 7 C1 (high)
// and the inverted C3 (low), byte 8 C3 (high) and C2 (low); bit n of each nibble belongs
// to block group n, group 3 being the trailer.
//
// Rights are printed as the card's table gives them. Where the trailer lets key B be read
// (trailer conditions 000, 010 and 001) key B cannot authenticate (the card refuses every
// access after an authentication with it), so what the table grants to key B alone is
// granted to nobody and "A|B" means key A only; the decoder says so in a note line.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

namespace kvt {

// Who may do something: key A, key B, either, or neither.
enum class Keys : uint8_t { Never = 0, A = 1, B = 2, AB = 3 };
QString KeysText(Keys k);  // "never", "A", "B", "A|B"

struct DataRights {
  Keys read, write, increment, decrement;  // decrement also covers transfer and restore
};
struct TrailerRights {
  Keys keyARead, keyAWrite, accessRead, accessWrite, keyBRead, keyBWrite;
};

// C1 C2 C3 of one block group as a number 0 to 7 (C1 the most significant bit).
DataRights DataRightsFor(int c);
TrailerRights TrailerRightsFor(int c);

struct AccessBits {
  std::array<int, 4> groups{};  // C1 C2 C3 of groups 0, 1, 2 and the trailer (3)
  bool valid = false;           // every inverted copy matches
  QString problem;              // when not valid: which copies do not match
};

// Bytes 6, 7 and 8 of a trailer (`bits` must hold at least 3 bytes; more are ignored).
// Groups are taken from the non-inverted bits even when the copies disagree.
AccessBits DecodeAccessBits(const QByteArray& bits);
bool AccessBitsValid(const QByteArray& bits);
// The three bytes for these groups, inverted copies included.
QByteArray EncodeAccessBits(const std::array<int, 4>& groups);

// Key B may be read under the trailer's conditions, so it is no key.
bool KeyBReadable(const AccessBits& a);
// Valid bits under which no key can ever write the access bits again.
bool TrailerLocksForGood(const QByteArray& bits);

// The lines that describe the bits: one per data block (or per group of five blocks of a
// 16-block sector: "Blocks 0-4: ..."), the trailer, the key B note where it applies ("Key
// B: readable, so it cannot authenticate: rights given to key B alone are given to nobody
// (block 1 read, write), and A|B means key A only"), the lock line where it applies, and
// "Access bits: valid" or "Access bits: invalid (...)".
QStringList AccessLines(const QByteArray& bits, bool bigSector = false);
// The same lines with the verdict first: "Access bits: valid" (or invalid and why), then
// "Trailer: locked for good..." where it applies, then the rights.
QStringList AccessDetails(const QByteArray& bits, bool bigSector = false);

}  // namespace kvt
