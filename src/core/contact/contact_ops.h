// SPDX-License-Identifier: MIT
#pragma once
// What the contact card operations share: the hex text of reply bytes, the memory-card
// status-word table and its "Transmit Command" box, and the road of a memory-card command
// that moves data between the reader and the 128 cells of the ICText grid.
#include <QStringList>
#include <functional>

#include "core/machine/operation.h"

namespace kvt {

constexpr int kIcGridCells = 128;
constexpr uint8_t kSleCommand = 0x53;   // "S": SLE4442, SLE4428, deactivating any memory card
constexpr uint8_t kEepromCommand = 0x54;  // "T": 24Cxx

// Two upper-case digits per byte, no separator.
QString JoinedHex(const QByteArray& bytes);

// "Error:Please Check The Data Effective" under "Caution".
Message DataErrorMessage();

// Text of a four-digit status word ("9000" -> "Execute OK"); "Unknow Error" when unknown.
QString StatusWordText(const QString& sw);
// The "Transmit Command" box: the table text, CR LF, `extra` and CR LF when given, the word.
Message StatusBox(const QString& sw, const std::optional<QString>& extra = std::nullopt);
// SW1 SW2 of a memory-card reply (bytes L-4 and L-3) as four digits.
QString MemoryStatusWord(const ReplyBuffer& r);
// Card data of a memory-card reply: bytes 6 to L-5.
QByteArray MemoryData(const ReplyBuffer& r);

// The APDU-style header of a memory command: 00, INS, P1, P2, length.
QByteArray MemoryHeader(uint8_t ins, uint8_t p1, uint8_t p2, uint8_t len);

// What a memory-card button hands back to the page.
struct GridOutcome : Outcome {
  bool clearGrid = false;  // empty cells 0 to 127 (reads do this before sending)
  QStringList cells;       // then write these texts into cells 0, 1, ... in order
};

// How the positive reply of a memory command is decoded.
enum class MemoryReply {
  Status,        // the status box only (verify, change code, writes)
  ToGrid,        // "9000": the data into the cells, then the box (reads)
  StatusAndData  // "9000": the box with the data as one hex line (security memory read)
};

// Builds the data of a memory command from the page's fields. nullopt: a field could not
// be converted (data error, nothing is sent). It may show warnings of its own.
using MemoryDataBuilder = std::function<std::optional<QByteArray>(Session&)>;

// Empties the window's grid at once: a read clears it before it sends, not when the reply
// has come. Without one, the outcome's clearGrid tells the caller to do it afterwards.
using GridClear = std::function<void()>;

// The road of a memory-card command: port check, log start, grid clearing for reads, the
// fields (a data error ends the operation before anything is sent), exchange, decoding,
// the closing line break.
GridOutcome RunMemoryCommand(Session& s, const QString& addressText, uint8_t cm, uint8_t pm, MemoryReply decode,
                             const MemoryDataBuilder& build, const GridClear& clearNow = {});

// Reads hex field texts as bytes; a text that is not a byte marks the reader failed.
class FieldBytes {
 public:
  uint8_t operator()(const QString& text);
  bool ok() const { return ok_; }

 private:
  bool ok_ = true;
};

// The data bytes of a write: cells 0 to n-1 joined as they are and read two characters at
// a time. nullopt when n runs past the grid or a pair is short or not hex.
std::optional<QByteArray> GridBytes(const QStringList& cells, int n);

// The power buttons of the SLE pages (the same three on both): "Activate" checks the
// answer to reset, "Inquire Status" names the powered card, "Deactivate" (also the 24CXX
// page's) powers the card down.
Outcome SleActivate(Session& s, const QString& addressText);
Outcome SleInquireStatus(Session& s, const QString& addressText);
Outcome MemoryCardDeactivate(Session& s, const QString& addressText);

}  // namespace kvt
