// SPDX-License-Identifier: MIT
// Mifare Classic cards set up like cards in use: sectors under other keys and restrictive
// access conditions, so a whole-card dump finds some keys and not others, leaves blocks
// unread, and a trailer is locked for good.
//
// The first sectors of both cards (the sector, its keys A and B, the access bits):
//   0  FFFFFFFFFFFF / FFFFFFFFFFFF, FF 07 80 (transport); text in blocks 1 and 2
//   1  A0A1A2A3A4A5 / B0B1B2B3B4B5, 78 77 88: data read by A or B, written by B
//   2  5A1B3C4D2E6F / D3F7D3F7D3F7, 0F 00 FF: everything by key B only
//   3  0123456789AB / 9876543210FE, FF 07 80: keys that no default list holds
//   4  FFFFFFFFFFFF / C0FFEEC0FFEE, 39 61 EC: block 1 read by key B only, block 2 never
//   5  FFFFFFFFFFFF / FFFFFFFFFFFF, 77 8F 08: the trailer is locked for good
//   6  4D3A99C351DD / 1A982C7E459A, DD 27 82: block 1 a value block holding 1000
// Every other sector is in the transport configuration with a line of text in block 0.
// The 4K card's sector 32 (16 blocks) has FFFFFFFFFFFF for both keys and 9B 41 E6: blocks
// 0-4 free, 5-9 for key B only (which cannot serve, as it is readable), 10-14 never.
#pragma once

#include "sim/cards/mifare_classic.h"

namespace sim {

// UID 3E 71 C4 05 (S50) and 8B 24 F0 6D (S70).
std::shared_ptr<MifareClassic> makeMixedS50();
std::shared_ptr<MifareClassic> makeMixedS70();

}  // namespace sim
