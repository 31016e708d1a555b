// SPDX-License-Identifier: MIT
#include "sle4428_ops.h"

#include "core/base/conversions.h"
#include "core/link/engine.h"

namespace kvt {

std::optional<uint8_t> Sle4428HighNibble(const QString& highText) {
  const QString t = highText.trimmed();
  if (t.isEmpty()) return std::nullopt;
  return ReadHexByte(t.size() >= 2 ? t.mid(1, 1) : t.left(1));
}

GridOutcome RunSle4428(Session& s, const QString& addressText, Sle4428Op op, const Sle4428Fields& f,
                       const QStringList& cells, const GridClear& clearNow) {
  const MemoryReply decode =
      op == Sle4428Op::ReadMain || op == Sle4428Op::ReadProtection ? MemoryReply::ToGrid : MemoryReply::Status;

  const MemoryDataBuilder build = [&](Session& session) -> std::optional<QByteArray> {
    FieldBytes field;
    QByteArray data;
    switch (op) {
      case Sle4428Op::CheckCode:
      case Sle4428Op::ChangeCode:
        data = MemoryHeader(op == Sle4428Op::CheckCode ? 0x20 : 0x24, 0x00, 0x00, 0x02);
        data += char(field(f.pass1));
        data += char(field(f.pass2));
        break;
      case Sle4428Op::ReadMain:
        data = MemoryHeader(0xB0, field(f.high), field(f.low), field(f.length));
        break;
      case Sle4428Op::ReadProtection:
        data = MemoryHeader(0xB0, 0x10, field(f.low), field(f.length));
        break;
      case Sle4428Op::Write:
      case Sle4428Op::WriteProtected: {
        const uint8_t high = field(f.high);
        if (!field.ok()) return std::nullopt;
        if (high > 3) session.notifier.warn(kCaution, QStringLiteral("Address out of range"));
        const uint8_t n = field(f.length);
        if (!field.ok()) return std::nullopt;
        const auto bytes = GridBytes(cells, n);
        if (!bytes) return std::nullopt;
        const auto h = Sle4428HighNibble(f.high);
        if (!h) return std::nullopt;
        const uint8_t p1 = static_cast<uint8_t>((op == Sle4428Op::Write ? 0x00 : 0x20) + *h);
        data = MemoryHeader(0xD0, p1, field(f.low), n) + *bytes;
        break;
      }
    }
    if (!field.ok()) return std::nullopt;
    return data;
  };
  return RunMemoryCommand(s, addressText, kSleCommand, '4', decode, build, clearNow);
}

}  // namespace kvt
