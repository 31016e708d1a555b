// SPDX-License-Identifier: MIT
#include "rf_activation_ops.h"

#include "core/base/conversions.h"
#include "core/contact/contact_ops.h"
#include "core/link/engine.h"
#include "core/link/log_format.h"

namespace kvt {

const RfTypeInfo kRfTypes[6] = {
    {"00", "Unknow Type", "Non_card", std::nullopt},
    {"10", "S50 card", "Mifare one S50 card", RfPage::S50S70},
    {"11", "S70 card", "Mifare one S70 card", RfPage::S50S70},
    {"12", "Ultralight card", "Mifare one UL card", RfPage::Ultralight},
    {"20", "Type A CPU", "Type A CPU card", RfPage::TypeA},
    {"30", "Type B CPU", "Type B CPU card", RfPage::TypeB},
};

namespace {

const RfTypeInfo* find(const QString& code) {
  for (const RfTypeInfo& t : kRfTypes)
    if (code == QLatin1String(t.code)) return &t;
  return nullptr;
}

// The card type code in reply bytes 6 and 7, spaces trimmed.
QString typeCode(const ReplyBuffer& r) {
  return (QString(QChar(r.at(6))) + QChar(r.at(7))).trimmed();
}

// Reply bytes first..last as hex text.
QString hexRange(const ReplyBuffer& r, int first, int last) {
  QString s;
  for (int i = first; i <= last; ++i) s += HexByte(r.at(i));
  return s;
}

const QString kActivate = QStringLiteral("Activate");
const QString kActivated = QStringLiteral("The RF Card is activated");

}  // namespace

QString RfTypeText(const QString& code) {
  const RfTypeInfo* t = find(code);
  return t ? QString::fromLatin1(t->typeText) : QStringLiteral("Unknow Error");
}

QString RfInquireText(const QString& code) {
  const RfTypeInfo* t = find(code);
  return t ? QString::fromLatin1(t->statusText) : QString();
}

RfTypeOutcome RfCardType(Session& s, const QString& addressText) {
  RfTypeOutcome o;
  static_cast<Outcome&>(o) = RunCommand(s, addressText, 0x50, '1');
  if (o.status != OpStatus::Done) return o;
  const QString code = typeCode(o.reply);
  if (const RfTypeInfo* t = find(code)) o.page = t->page;
  o.message = Message{MessageIcon::Information, QStringLiteral("Test RF Type"),
                      QStringLiteral("Test RF Type Complete") + CRLF + RfTypeText(code)};
  return o;
}

QStringList RfActivationOrders() {
  return {QStringLiteral("Type A,Type B"), QStringLiteral("Type B,Type A"), QStringLiteral("Type A(Only)"),
          QStringLiteral("Type B(Only)")};
}

std::optional<QByteArray> RfOrderLetters(int index) {
  static const char* const letters[] = {"AB", "BA", "A0", "B0"};
  if (index < 0 || index > 3) return std::nullopt;
  return QByteArray(letters[index]);
}

ActivateOutcome RfActivate(Session& s, const QString& addressText, int orderIndex) {
  ActivateOutcome o;
  if (!BeginOperation(s)) {
    o.status = OpStatus::PortClosed;
    return o;
  }
  o.clearFields = true;
  const auto letters = RfOrderLetters(orderIndex);
  const auto address = letters ? ReadAddress(s, addressText) : std::nullopt;
  if (!letters) o.message = DataErrorMessage();
  if (!address) {
    o.status = OpStatus::BadInput;
    EndOperation(s);
    return o;
  }
  static_cast<Outcome&>(o) = Exchange(s, *address, kRfCommand, '0', *letters);
  EndOperation(s);
  if (o.status != OpStatus::Done) return o;

  const ReplyBuffer& r = o.reply;
  const int n = r.at(9);  // serial number length (Mifare and Type A)
  switch (r.at(6)) {
    case 'M': {
      QString name;
      switch (r.at(8)) {
        case 0x44:
          name = QStringLiteral("Mifare one UL card");
          o.ultralightSn = hexRange(r, 10, 9 + n);
          o.page = RfPage::Ultralight;
          break;
        case 0x04:
        case 0x02:
          name = r.at(8) == 0x04 ? QStringLiteral("Mifare one S50 card") : QStringLiteral("Mifare one S70 card");
          o.mifareSn = hexRange(r, 10, 9 + n);
          o.page = RfPage::S50S70;
          break;
        default:
          break;
      }
      o.message = Message{MessageIcon::Information, kActivate, kActivated + CRLF + name};
      break;
    }
    case 'A':
      o.typeASn = hexRange(r, 10, 9 + n);
      o.typeAAnswer = hexRange(r, 11 + n, r.len - 3);  // byte 10 + n (the SAK) is not shown
      o.page = RfPage::TypeA;
      o.message = Message{MessageIcon::Information, kActivate,
                          kActivated + QStringLiteral(" ") + CRLF +
                              QStringLiteral("the card in line with ISO / IEC 14443 Type A protocol")};
      break;
    case 'B':
      o.typeBAnswer = hexRange(r, 7, r.len - 3);
      o.page = RfPage::TypeB;
      o.message = Message{MessageIcon::Information, kActivate,
                          kActivated + QStringLiteral(" ") + CRLF +
                              QStringLiteral("the card in line with ISO / IEC 14443 Type B protocol")};
      break;
    default:
      break;
  }
  return o;
}

Outcome RfDeactivate(Session& s, const QString& addressText) {
  return RunConfirmedCommand(s, addressText, kRfCommand, '1', QStringLiteral("Deactivate"),
                             QStringLiteral("Deactivate success"));
}

Outcome RfInquireStatus(Session& s, const QString& addressText) {
  Outcome o = RunCommand(s, addressText, kRfCommand, '2');
  if (o.status == OpStatus::Done)
    o.message = Message{MessageIcon::Information, QStringLiteral("Inquire Status"),
                        kActivated + CRLF + RfInquireText(typeCode(o.reply))};
  return o;
}

}  // namespace kvt
