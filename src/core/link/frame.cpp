// SPDX-License-Identifier: MIT
#include "frame.h"

#include "core/base/conversions.h"

namespace kvt {

QByteArray BuildFrame(uint8_t address, uint8_t cm, uint8_t pm, const QByteArray& data) {
  const int len = 3 + data.size();
  QByteArray f;
  f.reserve(8 + data.size());
  f.append(static_cast<char>(STX));
  f.append(static_cast<char>(address));
  f.append(static_cast<char>((len >> 8) & 0xFF));
  f.append(static_cast<char>(len & 0xFF));
  f.append('C');
  f.append(static_cast<char>(cm));
  f.append(static_cast<char>(pm));
  f.append(data);
  f.append(static_cast<char>(ETX));
  f.append('\0');
  f[f.size() - 1] = static_cast<char>(CalcBCC(f));
  return f;
}

QByteArray ReplyBuffer::data() const {
  const int end = std::min<int>(len - 3, bytes.size() - 1);  // last data index
  if (end < 6) return {};
  return bytes.mid(6, end - 6 + 1);
}

}  // namespace kvt
