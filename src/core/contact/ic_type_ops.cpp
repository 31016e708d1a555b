// SPDX-License-Identifier: MIT
#include "ic_type_ops.h"

#include "core/link/log_format.h"

namespace kvt {

const IcTypeInfo kIcTypes[13] = {
    {"10", "T=0 CPU Card", IcPage::CpuSam},  {"11", "T=1 CPU Card", IcPage::CpuSam},
    {"20", "SLE4442 Card", IcPage::Sle4442}, {"21", "SLE4428 Card", IcPage::Sle4428},
    {"30", "24C01 Card", IcPage::Eeprom24},  {"31", "24C02 Card", IcPage::Eeprom24},
    {"32", "24C04 Card", IcPage::Eeprom24},  {"33", "24C08 Card", IcPage::Eeprom24},
    {"34", "24C16 Card", IcPage::Eeprom24},  {"35", "24C32 Card", IcPage::Eeprom24},
    {"36", "24C64 Card", IcPage::Eeprom24},  {"37", "24C128 Card", IcPage::Eeprom24},
    {"38", "24C256 Card", IcPage::Eeprom24},
};

namespace {

const IcTypeInfo* find(const QString& code) {
  for (const IcTypeInfo& t : kIcTypes)
    if (code == QLatin1String(t.code)) return &t;
  return nullptr;
}

}  // namespace

QString IcTypeText(const QString& code) {
  if (code == QLatin1String("00")) return QStringLiteral("Unknow Type");
  const IcTypeInfo* t = find(code);
  return t ? QString::fromLatin1(t->text) : QStringLiteral("Unknow Error");
}

IcTypeOutcome IcCardType(Session& s, const QString& addressText) {
  IcTypeOutcome o;
  static_cast<Outcome&>(o) = RunCommand(s, addressText, 0x50, '0');
  if (o.status != OpStatus::Done) return o;
  const QString code = QString::fromLatin1(o.reply.bytes.mid(6, 2)).trimmed();
  if (const IcTypeInfo* t = find(code)) o.page = t->page;
  o.message = Message{MessageIcon::Information, QStringLiteral("Test IC Type"),
                      QStringLiteral("Test IC Type Complete") + CRLF + IcTypeText(code)};
  return o;
}

}  // namespace kvt
