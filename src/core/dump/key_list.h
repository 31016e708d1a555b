// SPDX-License-Identifier: MIT
#pragma once
// Candidate Mifare Classic keys for whole-card runs: the well-known defaults and key
// files of one 12-hex-digit key per line ("#" starts a comment; blank lines are skipped).
#include <QByteArray>
#include <QString>
#include <vector>

namespace kvt {

using MifareKey6 = QByteArray;  // six bytes

// FFFFFFFFFFFF, A0A1A2A3A4A5, D3F7D3F7D3F7, 000000000000, B0B1B2B3B4B5, 4D3A99C351DD,
// 1A982C7E459A, AABBCCDDEEFF, in that order.
const std::vector<MifareKey6>& DefaultMifareKeys();

struct ParsedKeys {
  std::vector<MifareKey6> keys;
  QString error;  // "line N: ..." for the first bad line
  bool ok() const { return error.isEmpty(); }
};
ParsedKeys ParseKeyFile(const QByteArray& file);

// `first` in order, then the keys of `more` not already there.
std::vector<MifareKey6> MergeKeys(const std::vector<MifareKey6>& first, const std::vector<MifareKey6>& more);

}  // namespace kvt
