// SPDX-License-Identifier: MIT
#pragma once
// The "S50/S70" page: the sector keys ("Password operation commands"), one 16-byte block
// ("Read / Write RF Card Data") and the value blocks ("PURSE COMMAND") of a Mifare
// Classic card. All go out as the contactless card command (rf_ops.h).
#include "rf_ops.h"

namespace kvt {

constexpr int kRfSectors = 40;       // SecNumberCombo: "00" to "27"
constexpr int kRfBlocks = 16;        // BlockNumberCombo, PurseBlockCombbox: "00" to "0F"
constexpr int kRfBlockBytes = 16;    // SRFTextLIST cells
constexpr int kRfKeyBytes = 6;       // SRFPASSWORDLIST cells
constexpr uint32_t kMaxPurseValue = 2147483647;

// The trailer of a sector: block 3, or block 15 from sector 32 on.
bool IsSectorTrailer(int sector, int block);
// Purse commands work on neither the manufacturer block (sector 0, block 0) nor a trailer.
bool PurseBlockAllowed(int sector, int block);

enum class MifareKeyOp {
  Download,  // StoreKeyToEEBtn "Download password to EEPROM": 00 D0 KT SEC 06 KEY
  Load,      // ReadKeyFromEEBtn "Load password from the EEPROM": 00 21 KT SEC
  Check,     // RFCheckPasswordBtn "Check password": 00 20 KT SEC 06 KEY
  Change,    // RFChangePasswordBtn "Change Password": 00 D5 00 SEC 06 KEY
};
// `keyCells` are the six SRFPASSWORDLIST texts (not read by Load). An empty cell is
// refused with "Please input the data first", nothing sent.
Outcome MifareKey(Session& s, const QString& addressText, MifareKeyOp op, int sector, bool keyB,
                  const QStringList& keyCells);

struct BlockReadOutcome : Outcome {
  QStringList cells;  // with "9000": the texts of SRFTextLIST cells 0 to 15
  QStringList accessLines;  // a trailer read with "9000": what its access bits allow
};
// RFreadBtn "Read Block Data": 00 B0 SEC BLK CNT.
BlockReadOutcome MifareReadBlock(Session& s, const QString& addressText, int sector, int block, int count);
// What a trailer write does when its new access bits would lock the trailer for good.
enum class TrailerLock {
  Ask,     // a second question naming the sector, "No" its default; only "Yes" writes
  Allow,   // write without asking (the command line's --force)
  Refuse,  // refuse with a message, nothing sent
};

// The guard of a trailer write, after its confirmation: access bits (bytes 6 to 8 of the
// 16-byte block) whose inverted copies disagree are refused ("Caution", BadInput, nothing
// sent), bits that lock the trailer for good are handled by `lock`. nullopt: go on.
std::optional<Outcome> GuardTrailerWrite(Session& s, int sector, const QByteArray& block, TrailerLock lock);

// RFwriteBtn "Write Block Data": 00 D1 SEC BLK CNT and the 16 cells. Refuses a cell
// without two digits and the manufacturer block; asks before writing a trailer, then
// guards its access bits (GuardTrailerWrite).
Outcome MifareWriteBlock(Session& s, const QString& addressText, int sector, int block, int count,
                         const QStringList& cells, TrailerLock lock = TrailerLock::Ask);

enum class PurseOp {
  Initialize,  // INITRFCmd: 00 D2 SEC PBLK 04 V0..V3
  Increment,   // INCRFCmd: 00 D3
  Decrement,   // DECRFCmd: 00 D4
};
// `valueText` is PurseValueText: decimal, 0 to 2147483647.
Outcome PurseChange(Session& s, const QString& addressText, PurseOp op, int sector, int block,
                    const QString& valueText);

struct PurseReadOutcome : Outcome {
  std::optional<QString> valueText;  // with "9000": the new text of PurseValueText
};
// ReadValueRfCmd "Read": 00 B1 SEC PBLK.
PurseReadOutcome PurseRead(Session& s, const QString& addressText, int sector, int block);

}  // namespace kvt
