// SPDX-License-Identifier: MIT
#include "sle4442_ops.h"

namespace kvt {

GridOutcome RunSle4442(Session& s, const QString& addressText, Sle4442Op op, const Sle4442Fields& f,
                       const QStringList& cells, const GridClear& clearNow) {
  MemoryReply decode = MemoryReply::Status;
  if (op == Sle4442Op::ReadSecurity) decode = MemoryReply::StatusAndData;
  if (op == Sle4442Op::ReadMain || op == Sle4442Op::ReadProtection) decode = MemoryReply::ToGrid;

  const MemoryDataBuilder build = [&](Session&) -> std::optional<QByteArray> {
    FieldBytes field;
    QByteArray data;
    switch (op) {
      case Sle4442Op::Verify:
      case Sle4442Op::ChangeCode:
        data = op == Sle4442Op::Verify ? MemoryHeader(0x20, 0x03, 0x01, 0x03) : MemoryHeader(0xD0, 0x02, 0x01, 0x03);
        data += char(field(f.pass1));
        data += char(field(f.pass2));
        data += char(field(f.pass3));
        break;
      case Sle4442Op::ReadSecurity:
        data = MemoryHeader(0xB0, 0x02, 0x00, 0x04);
        break;
      case Sle4442Op::ReadMain:
      case Sle4442Op::ReadProtection:
        data = MemoryHeader(0xB0, op == Sle4442Op::ReadMain ? 0x00 : 0x01, field(f.address), field(f.length));
        break;
      case Sle4442Op::WriteMain:
      case Sle4442Op::WriteProtection: {
        const uint8_t n = field(f.length);
        const uint8_t add = field(f.address);
        if (!field.ok()) return std::nullopt;
        const auto bytes = GridBytes(cells, n);
        if (!bytes) return std::nullopt;
        data = MemoryHeader(0xD0, op == Sle4442Op::WriteMain ? 0x00 : 0x01, add, n) + *bytes;
        break;
      }
    }
    if (!field.ok()) return std::nullopt;
    return data;
  };
  return RunMemoryCommand(s, addressText, kSleCommand, '3', decode, build, clearNow);
}

}  // namespace kvt
