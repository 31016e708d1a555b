// SPDX-License-Identifier: MIT
#include "key_list.h"

#include <QList>
#include <algorithm>

#include "core/base/conversions.h"

namespace kvt {

const std::vector<MifareKey6>& DefaultMifareKeys() {
  static const std::vector<MifareKey6> keys = [] {
    std::vector<MifareKey6> k;
    for (const char* text : {"FFFFFFFFFFFF", "A0A1A2A3A4A5", "D3F7D3F7D3F7", "000000000000", "B0B1B2B3B4B5",
                             "4D3A99C351DD", "1A982C7E459A", "AABBCCDDEEFF"})
      k.push_back(*ParseHexText(QString::fromLatin1(text)));
    return k;
  }();
  return keys;
}

ParsedKeys ParseKeyFile(const QByteArray& file) {
  ParsedKeys r;
  const QList<QByteArray> lines = file.split('\n');
  for (int i = 0; i < lines.size(); ++i) {
    QByteArray line = lines[i];
    const int hash = static_cast<int>(line.indexOf('#'));
    if (hash >= 0) line.truncate(hash);
    line = line.trimmed();
    if (line.isEmpty()) continue;
    const auto key = line.size() == 12 ? ParseHexText(QString::fromLatin1(line)) : std::nullopt;
    if (!key || key->size() != 6) {
      r.keys.clear();
      r.error = QStringLiteral("line %1: expected a key of 12 hex digits").arg(i + 1);
      return r;
    }
    r.keys.push_back(*key);
  }
  return r;
}

std::vector<MifareKey6> MergeKeys(const std::vector<MifareKey6>& first, const std::vector<MifareKey6>& more) {
  std::vector<MifareKey6> out = first;
  for (const MifareKey6& k : more)
    if (std::find(out.begin(), out.end(), k) == out.end()) out.push_back(k);
  return out;
}

}  // namespace kvt
