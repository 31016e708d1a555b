// SPDX-License-Identifier: MIT
#include "eeprom24_ops.h"

namespace kvt {

namespace {

// The size character of activate and status: "1" 24C01 ... "9" 24C256, ":" 24C512.
QString sizeName(uint8_t c) {
  static const char* const names[] = {"24C01", "24C02", "24C04", "24C08", "24C16",
                                      "24C32", "24C64", "24C128", "24C256", "24C512"};
  return c >= '1' && c <= ':' ? QString::fromLatin1(names[c - '1']) : QString();
}

}  // namespace

Outcome Eeprom24Activate(Session& s, const QString& addressText) {
  Outcome o = RunCommand(s, addressText, kEepromCommand, '0', QByteArray(1, '0'));
  const QString name = sizeName(o.reply.at(6));
  if (o.status == OpStatus::Done && !name.isEmpty())
    o.message = Message{MessageIcon::Information, QStringLiteral("Activate"), name + QStringLiteral(" Activate Success")};
  return o;
}

Outcome Eeprom24InquireStatus(Session& s, const QString& addressText) {
  Outcome o = RunCommand(s, addressText, kEepromCommand, '2');
  if (o.status != OpStatus::Done) return o;
  const uint8_t c = o.reply.at(6);
  QString text;
  if (c == '0') text = QStringLiteral("Non_card(24CXXX) actived");
  else if (c >= '1' && c <= '9') text = sizeName(c) + QStringLiteral(" actived");  // no line for the 24C512
  else return o;
  o.message = Message{MessageIcon::Information, QStringLiteral("Inquire Status)"), text};
  return o;
}

GridOutcome Eeprom24Read(Session& s, const QString& addressText, const Eeprom24Fields& f,
                         const GridClear& clearNow) {
  return RunMemoryCommand(
      s, addressText, kEepromCommand, '3', MemoryReply::ToGrid,
      [&](Session&) -> std::optional<QByteArray> {
        FieldBytes field;
        const QByteArray data = MemoryHeader(0xB0, field(f.high), field(f.low), field(f.length));
        if (!field.ok()) return std::nullopt;
        return data;
      },
      clearNow);
}

GridOutcome Eeprom24Write(Session& s, const QString& addressText, const Eeprom24Fields& f, const QStringList& cells) {
  return RunMemoryCommand(s, addressText, kEepromCommand, '3', MemoryReply::Status,
                          [&](Session&) -> std::optional<QByteArray> {
                            FieldBytes field;
                            const uint8_t n = field(f.length);
                            if (!field.ok()) return std::nullopt;
                            const auto bytes = GridBytes(cells, n);
                            if (!bytes) return std::nullopt;
                            const QByteArray data = MemoryHeader(0xD0, field(f.high), field(f.low), n);
                            if (!field.ok()) return std::nullopt;
                            return data + *bytes;
                          });
}

}  // namespace kvt
